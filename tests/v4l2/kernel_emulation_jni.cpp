// The natives of the test-only class quorvane.image.EmulatedKernel, through which Java tests
// script the emulated kernel.
#include <jni.h>

#include "kernel_emulation.h"

namespace {

// {value, minimum, maximum, step, default} of a control; null: the camera lacks it.
bool addControl(JNIEnv* env, jintArray fields, std::uint32_t id,
                std::vector<emulated_kernel::Control>* controls) {
  if (fields == nullptr) return true;
  if (env->GetArrayLength(fields) != 5) return false;
  jint values[5];
  env->GetIntArrayRegion(fields, 0, 5, values);
  controls->push_back({id, values[1], values[2], values[3], values[4], values[0]});
  return true;
}

}  // namespace

extern "C" {

// static native void reset();
JNIEXPORT void JNICALL Java_quorvane_image_EmulatedKernel_reset(JNIEnv*, jclass) {
  emulated_kernel::removeAllNodes();
  emulated_kernel::resetSystemCalls();
}

// static native boolean addUvcCamera(int number, int[] brightness, int[] contrast,
//                                    int automaticBrightness);
// automaticBrightness: -1 for none, else its value.
JNIEXPORT jboolean JNICALL Java_quorvane_image_EmulatedKernel_addUvcCamera(
    JNIEnv* env, jclass, jint number, jintArray brightness, jintArray contrast,
    jint automaticBrightness) {
  std::vector<emulated_kernel::Control> controls;
  if (!addControl(env, brightness, V4L2_CID_BRIGHTNESS, &controls) ||
      !addControl(env, contrast, V4L2_CID_CONTRAST, &controls)) {
    return JNI_FALSE;
  }
  if (automaticBrightness >= 0) {
    controls.push_back({V4L2_CID_AUTOBRIGHTNESS, 0, 1, 1, 1, automaticBrightness});
  }
  emulated_kernel::addUvcCamera(static_cast<unsigned>(number), std::move(controls));
  return JNI_TRUE;
}

// static native void addCamera(int number, int[][] controls);
// controls: {id, type, minimum, maximum, step, default, value, menu items} each.
JNIEXPORT void JNICALL Java_quorvane_image_EmulatedKernel_addCamera(JNIEnv* env, jclass,
                                                                    jint number,
                                                                    jobjectArray controls) {
  std::vector<emulated_kernel::Control> added;
  for (jsize i = 0; i < env->GetArrayLength(controls); ++i) {
    auto row = static_cast<jintArray>(env->GetObjectArrayElement(controls, i));
    jint v[8];
    env->GetIntArrayRegion(row, 0, 8, v);
    env->DeleteLocalRef(row);
    emulated_kernel::Control control{
        static_cast<std::uint32_t>(v[0]), v[2], v[3], v[4], v[5], v[6]};
    control.type = static_cast<std::uint32_t>(v[1]);
    control.menuItems = static_cast<std::uint32_t>(v[7]);
    added.push_back(control);
  }
  emulated_kernel::addUvcCamera(static_cast<unsigned>(number), std::move(added));
}

// static native void addMetadataNode(int number);
JNIEXPORT void JNICALL Java_quorvane_image_EmulatedKernel_addMetadataNode(JNIEnv*, jclass,
                                                                          jint number) {
  emulated_kernel::Node node;
  node.number = static_cast<unsigned>(number);
  node.deviceCaps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  node.controls = emulated_kernel::webcamControls(0, 0, false);
  emulated_kernel::addNode(node);
}

// static native void unplug(int number);
JNIEXPORT void JNICALL Java_quorvane_image_EmulatedKernel_unplug(JNIEnv*, jclass, jint number) {
  emulated_kernel::unplug(static_cast<unsigned>(number));
}

// static native boolean setFailures(int number, int openError, int controlError,
//                                   int interruptions, int unplugAfterIoctls);
JNIEXPORT jboolean JNICALL Java_quorvane_image_EmulatedKernel_setFailures(
    JNIEnv*, jclass, jint number, jint openError, jint controlError, jint interruptions,
    jint unplugAfterIoctls) {
  return emulated_kernel::setFailures(static_cast<unsigned>(number), openError, controlError,
                                      interruptions, unplugAfterIoctls)
             ? JNI_TRUE
             : JNI_FALSE;
}

// static native int[] control(int number, int id); {value, requested}, or null.
JNIEXPORT jintArray JNICALL Java_quorvane_image_EmulatedKernel_control(JNIEnv* env, jclass,
                                                                       jint number, jint id) {
  emulated_kernel::Control state;
  if (!emulated_kernel::control(static_cast<unsigned>(number), static_cast<std::uint32_t>(id),
                                &state)) {
    return nullptr;
  }
  const jint values[2] = {state.value, state.requested};
  jintArray result = env->NewIntArray(2);
  if (result != nullptr) env->SetIntArrayRegion(result, 0, 2, values);
  return result;
}

// static native long openDescriptors();
JNIEXPORT jlong JNICALL Java_quorvane_image_EmulatedKernel_openDescriptors(JNIEnv*, jclass) {
  return emulated_kernel::openDescriptors();
}

// static native long opensOf(int number);
JNIEXPORT jlong JNICALL Java_quorvane_image_EmulatedKernel_opensOf(JNIEnv*, jclass, jint number) {
  return emulated_kernel::opensOf(static_cast<unsigned>(number));
}

// static native long systemCalls();
JNIEXPORT jlong JNICALL Java_quorvane_image_EmulatedKernel_systemCalls(JNIEnv*, jclass) {
  return emulated_kernel::systemCalls().total();
}

// static native void resetSystemCalls();
JNIEXPORT void JNICALL Java_quorvane_image_EmulatedKernel_resetSystemCalls(JNIEnv*, jclass) {
  emulated_kernel::resetSystemCalls();
}

}  // extern "C"
