// The natives of the test-only class quorvane.image.SimulatedSystem, through which Java tests
// script the simulated system. They exist in the simulated build alone.
#include <jni.h>

#include "simulated_system.h"

namespace {

// {value, minimum, maximum, stepping delta, default, automatic (0 or 1)[, automatic supported]};
// null: no such property.
constexpr jsize kPropertyFields = 6;
constexpr jsize kControlFields = 7;

simulated::Property propertyFrom(JNIEnv* env, jintArray fields) {
  simulated::Property property;
  const jsize length = fields == nullptr ? 0 : env->GetArrayLength(fields);
  if (length != kPropertyFields && length != kControlFields) {
    property.present = false;
    return property;
  }
  jint values[kControlFields] = {0, 0, 0, 0, 0, 0, 1};
  env->GetIntArrayRegion(fields, 0, length, values);
  property.value = values[0];
  property.minimum = values[1];
  property.maximum = values[2];
  property.steppingDelta = values[3];
  property.defaultValue = values[4];
  property.automatic = values[5] != 0;
  property.automaticSupported = values[6] != 0;
  return property;
}

std::string stringFrom(JNIEnv* env, jstring text) {
  const char* chars = env->GetStringUTFChars(text, nullptr);
  if (chars == nullptr) return {};
  std::string result(chars);
  env->ReleaseStringUTFChars(text, chars);
  return result;
}

}  // namespace

extern "C" {

// static native void reset();
JNIEXPORT void JNICALL Java_quorvane_image_SimulatedSystem_reset(JNIEnv*, jclass) {
  simulated::reset();
}

// static native void removeCameras();
JNIEXPORT void JNICALL Java_quorvane_image_SimulatedSystem_removeCameras(JNIEnv*, jclass) {
  simulated::setCameras({});
}

// static native void addCamera(String name, int[] brightness, int[] contrast,
//                              boolean roundsToStep, boolean clampsToRange);
JNIEXPORT void JNICALL Java_quorvane_image_SimulatedSystem_addCamera(
    JNIEnv* env, jclass, jstring name, jintArray brightness, jintArray contrast,
    jboolean roundsToStep, jboolean clampsToRange) {
  simulated::Camera camera;
  camera.name = stringFrom(env, name);
  // A camera of brightness and contrast alone.
  for (simulated::Property& property : camera.properties) property.present = false;
  camera.properties[VideoProcAmp_Brightness] = propertyFrom(env, brightness);
  camera.properties[VideoProcAmp_Contrast] = propertyFrom(env, contrast);
  camera.roundsToStep = roundsToStep;
  camera.clampsToRange = clampsToRange;
  simulated::addCamera(std::move(camera));
}

// static native void addCameraWithControls(String name, String id, int[][] controls,
//                                           boolean hasCameraControl);
// controls: one entry per control, in the order of quorvane.image.VideoControl.
JNIEXPORT void JNICALL Java_quorvane_image_SimulatedSystem_addCameraWithControls(
    JNIEnv* env, jclass, jstring name, jstring id, jobjectArray controls,
    jboolean hasCameraControl) {
  simulated::Camera camera;
  camera.name = stringFrom(env, name);
  camera.id = stringFrom(env, id);
  camera.hasCameraControl = hasCameraControl;
  const jsize count = env->GetArrayLength(controls);
  for (std::size_t index = 0; index < simulated::kControls; ++index) {
    jintArray fields = nullptr;
    if (static_cast<jsize>(index) < count) {
      fields =
          static_cast<jintArray>(env->GetObjectArrayElement(controls, static_cast<jsize>(index)));
    }
    camera.properties[index] = propertyFrom(env, fields);
    if (fields != nullptr) env->DeleteLocalRef(fields);
  }
  simulated::addCamera(std::move(camera));
}

// static native boolean failWith(String step, int result);
JNIEXPORT jboolean JNICALL Java_quorvane_image_SimulatedSystem_failWith(JNIEnv* env, jclass,
                                                                        jstring stepName,
                                                                        jint result) {
  simulated::Step step;
  if (!simulated::stepNamed(stringFrom(env, stepName), &step)) return JNI_FALSE;
  simulated::fail(step, static_cast<HRESULT>(result));
  return JNI_TRUE;
}

// static native int[] property(int camera, int property);
// property: a control's index in the order of quorvane.image.VideoControl.
JNIEXPORT jintArray JNICALL Java_quorvane_image_SimulatedSystem_property(JNIEnv* env, jclass,
                                                                         jint camera, jint code) {
  if (camera < 0 || static_cast<std::size_t>(camera) >= simulated::cameraCount() || code < 0 ||
      static_cast<std::size_t>(code) >= simulated::kControls) {
    return nullptr;
  }
  const simulated::Property property = simulated::camera(static_cast<std::size_t>(camera))
                                           .properties[static_cast<std::size_t>(code)];
  const jint values[kPropertyFields] = {property.value,        property.minimum,
                                        property.maximum,      property.steppingDelta,
                                        property.defaultValue, property.automatic ? 1 : 0};
  jintArray result = env->NewIntArray(kPropertyFields);
  if (result != nullptr) env->SetIntArrayRegion(result, 0, kPropertyFields, values);
  return result;
}

// static native boolean fail(String step);
JNIEXPORT jboolean JNICALL Java_quorvane_image_SimulatedSystem_fail(JNIEnv* env, jclass,
                                                                    jstring stepName) {
  simulated::Step step;
  if (!simulated::stepNamed(stringFrom(env, stepName), &step)) return JNI_FALSE;
  simulated::fail(step);
  return JNI_TRUE;
}

// static native String[] calls();
JNIEXPORT jobjectArray JNICALL Java_quorvane_image_SimulatedSystem_calls(JNIEnv* env, jclass) {
  const std::vector<std::string> calls = simulated::calls();
  jclass stringClass = env->FindClass("java/lang/String");
  if (stringClass == nullptr) return nullptr;
  jobjectArray result = env->NewObjectArray(static_cast<jsize>(calls.size()), stringClass, nullptr);
  if (result == nullptr) return nullptr;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    jstring call = env->NewStringUTF(calls[i].c_str());
    if (call == nullptr) return nullptr;
    env->SetObjectArrayElement(result, static_cast<jsize>(i), call);
    env->DeleteLocalRef(call);
  }
  return result;
}

// static native void clearCalls();
JNIEXPORT void JNICALL Java_quorvane_image_SimulatedSystem_clearCalls(JNIEnv*, jclass) {
  simulated::clearCalls();
}

// static native void setRecording(boolean on);
JNIEXPORT void JNICALL Java_quorvane_image_SimulatedSystem_setRecording(JNIEnv*, jclass,
                                                                        jboolean on) {
  simulated::setRecording(on);
}

// static native long liveObjects();
JNIEXPORT jlong JNICALL Java_quorvane_image_SimulatedSystem_liveObjects(JNIEnv*, jclass) {
  return simulated::liveObjects();
}

// static native int openScopesOnThisThread();
JNIEXPORT jint JNICALL Java_quorvane_image_SimulatedSystem_openScopesOnThisThread(JNIEnv*, jclass) {
  return simulated::openScopesOnThisThread();
}

// static native void joinMultithreadedApartment();
JNIEXPORT void JNICALL Java_quorvane_image_SimulatedSystem_joinMultithreadedApartment(JNIEnv*,
                                                                                      jclass) {
  simulated::joinMultithreadedApartment();
}

// static native void leaveMultithreadedApartment();
JNIEXPORT void JNICALL Java_quorvane_image_SimulatedSystem_leaveMultithreadedApartment(JNIEnv*,
                                                                                       jclass) {
  simulated::leaveMultithreadedApartment();
}

// static native boolean inMultithreadedApartment();
JNIEXPORT jboolean JNICALL Java_quorvane_image_SimulatedSystem_inMultithreadedApartment(JNIEnv*,
                                                                                        jclass) {
  return simulated::inMultithreadedApartment() ? JNI_TRUE : JNI_FALSE;
}

}  // extern "C"
