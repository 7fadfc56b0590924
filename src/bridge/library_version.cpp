// The native method of quorvane.image.NativeLoader: the version this library was built as, so
// that the loader can refuse a copy of another version found on java.library.path.
#include <jni.h>

extern "C" {

// private static native String version();
JNIEXPORT jstring JNICALL Java_quorvane_image_NativeLoader_version(JNIEnv* env, jclass) {
  return env->NewStringUTF(KIVDSHOW_VERSION);
}

}  // extern "C"
