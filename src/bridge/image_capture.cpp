// The native methods of quorvane.image.ImageCapture. Each call opens COM, finds the first video
// input device afresh, makes its one or two calls on that device's video control and closes COM
// again; the video control is released before COM closes. No Java exception is ever raised.
#include <jni.h>

#include "com_scope.h"
#include "video_proc_amp.h"

namespace {

// 0 when there is no device or the device cannot report the value.
jint currentValue(LONG property) {
  ComScope com;
  ComRef<IAMVideoProcAmp> videoProcAmp = findVideoProcAmp();
  if (!videoProcAmp) return 0;
  LONG value = 0;
  LONG flags = 0;
  if (FAILED(videoProcAmp->Get(property, &value, &flags))) return 0;
  return static_cast<jint>(value);
}

// Always in manual mode, with the value as Java passed it: the device decides what it keeps.
void setManualValue(LONG property, jint value) {
  ComScope com;
  ComRef<IAMVideoProcAmp> videoProcAmp = findVideoProcAmp();
  if (!videoProcAmp) return;
  videoProcAmp->Set(property, static_cast<LONG>(value), VideoProcAmp_Flags_Manual);
}

// The fields of quorvane.image.CaptureProperties, in the order they are looked up and written:
// per property its minimum, maximum, stepping delta and default.
constexpr const char* kBrightnessFields[] = {"minBrightness", "maxBrightness",
                                             "steppingDeltaBrightness", "defaultBrightness"};
constexpr const char* kContrastFields[] = {"minContrast", "maxContrast", "steppingDeltaContrast",
                                           "defaultContrast"};
constexpr int kRangeFields = 4;

bool findRangeFields(JNIEnv* env, jclass type, const char* const (&names)[kRangeFields],
                     jfieldID (&fields)[kRangeFields]) {
  for (int i = 0; i < kRangeFields; ++i) {
    fields[i] = env->GetFieldID(type, names[i], "I");
    if (fields[i] == nullptr) return false;
  }
  return true;
}

// A range that the device cannot report leaves the fields as the constructor made them.
void writeRange(JNIEnv* env, jobject target, IAMVideoProcAmp* videoProcAmp, LONG property,
                const jfieldID (&fields)[kRangeFields]) {
  LONG minimum = 0;
  LONG maximum = 0;
  LONG steppingDelta = 0;
  LONG defaultValue = 0;
  LONG capsFlags = 0;
  if (FAILED(videoProcAmp->GetRange(property, &minimum, &maximum, &steppingDelta, &defaultValue,
                                    &capsFlags))) {
    return;
  }
  const LONG values[kRangeFields] = {minimum, maximum, steppingDelta, defaultValue};
  for (int i = 0; i < kRangeFields; ++i) {
    env->SetIntField(target, fields[i], static_cast<jint>(values[i]));
  }
}

}  // namespace

extern "C" {

// public native int getBrightness();
JNIEXPORT jint JNICALL Java_quorvane_image_ImageCapture_getBrightness(JNIEnv*, jobject) {
  return currentValue(VideoProcAmp_Brightness);
}

// public native int getContrast();
JNIEXPORT jint JNICALL Java_quorvane_image_ImageCapture_getContrast(JNIEnv*, jobject) {
  return currentValue(VideoProcAmp_Contrast);
}

// public native void setBrightness(int value);
JNIEXPORT void JNICALL Java_quorvane_image_ImageCapture_setBrightness(JNIEnv*, jobject,
                                                                      jint value) {
  setManualValue(VideoProcAmp_Brightness, value);
}

// public native void setContrast(int value);
JNIEXPORT void JNICALL Java_quorvane_image_ImageCapture_setContrast(JNIEnv*, jobject, jint value) {
  setManualValue(VideoProcAmp_Contrast, value);
}

// public native CaptureProperties getCaptureProperties();
// The result object is made before the device is touched. Should the class, a field or the
// constructor be missing, the call returns null at once with the JVM's exception pending.
JNIEXPORT jobject JNICALL Java_quorvane_image_ImageCapture_getCaptureProperties(JNIEnv* env,
                                                                                jobject) {
  ComScope com;
  jclass type = env->FindClass("quorvane/image/CaptureProperties");
  if (type == nullptr) return nullptr;
  jfieldID brightnessFields[kRangeFields];
  jfieldID contrastFields[kRangeFields];
  if (!findRangeFields(env, type, kBrightnessFields, brightnessFields) ||
      !findRangeFields(env, type, kContrastFields, contrastFields)) {
    return nullptr;
  }
  jmethodID constructor = env->GetMethodID(type, "<init>", "()V");
  if (constructor == nullptr) return nullptr;
  jobject properties = env->NewObject(type, constructor);
  if (properties == nullptr) return nullptr;

  ComRef<IAMVideoProcAmp> videoProcAmp = findVideoProcAmp();
  if (videoProcAmp) {
    writeRange(env, properties, videoProcAmp.get(), VideoProcAmp_Brightness, brightnessFields);
    writeRange(env, properties, videoProcAmp.get(), VideoProcAmp_Contrast, contrastFields);
  }
  return properties;
}

}  // extern "C"
