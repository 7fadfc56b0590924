// The library's native methods, for tests and benchmarks that call them without a JVM. The
// receiver is never used, so callers pass null.
#pragma once

#include <jni.h>

extern "C" {
jint Java_quorvane_image_ImageCapture_getBrightness(JNIEnv*, jobject);
jint Java_quorvane_image_ImageCapture_getContrast(JNIEnv*, jobject);
void Java_quorvane_image_ImageCapture_setBrightness(JNIEnv*, jobject, jint);
void Java_quorvane_image_ImageCapture_setContrast(JNIEnv*, jobject, jint);
jobject Java_quorvane_image_ImageCapture_getCaptureProperties(JNIEnv*, jobject);
}
