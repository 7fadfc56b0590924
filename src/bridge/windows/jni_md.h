/* The machine-dependent part of the JNI header for Windows, x86 and x64 alike: the JVM calls
   native methods with the stdcall convention (the default, and so the same, on x64) and finds
   them among the DLL's exports. */
#ifndef KIVDSHOW_WINDOWS_JNI_MD_H
#define KIVDSHOW_WINDOWS_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
