// A kivdshow of another version, as a copy left over from an older install on java.library.path
// would be: the loader must refuse it rather than use it.
#include <jni.h>

extern "C" JNIEXPORT jstring JNICALL Java_quorvane_image_NativeLoader_version(JNIEnv* env, jclass) {
  return env->NewStringUTF("0.0.1");
}
