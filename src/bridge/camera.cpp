// The native methods of quorvane.image.Camera. Each call opens COM, finds its device afresh by
// the device's id, makes its calls on one of the device's controls and closes COM again: no
// handle outlives a call. Failures are returned to Java as a status, from which the Java side
// raises its CameraException; no Java exception is raised here.
#include <jni.h>

#include <cstring>
#include <vector>

#include "com_scope.h"
#include "video_input_devices.h"

namespace {

// What a call came to, in the order of quorvane.image.CameraException.Reason, after kDone.
enum Status : jint {
  kDone = 0,
  kNotFound,
  kUnsupported,
  kAccessDenied,
  kBusy,
  kRejected,
  kDeviceError,
};

// The one place where the platform's failures become the reasons that Java sees.
jint statusOf(HRESULT hr, bool setting) {
  if (SUCCEEDED(hr)) return kDone;
  if (hr == HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED) ||
      hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == MK_E_SYNTAX || hr == MK_E_NOOBJECT) {
    return kNotFound;
  }
  if (hr == E_PROP_ID_UNSUPPORTED || hr == E_PROP_SET_UNSUPPORTED || hr == E_NOTIMPL ||
      hr == E_NOINTERFACE) {
    return kUnsupported;
  }
  if (hr == E_ACCESSDENIED) return kAccessDenied;
  if (hr == HRESULT_FROM_WIN32(ERROR_BUSY)) return kBusy;
  if (hr == E_INVALIDARG && setting) return kRejected;
  return kDeviceError;
}

bool unsupported(HRESULT hr) {
  return statusOf(hr, false) == kUnsupported;
}

// The controls in the order of quorvane.image.VideoControl: first the video processing
// amplifier's properties, by their codes, then the camera control's.
constexpr jint kVideoProcAmpControls = VideoProcAmp_Gain + 1;
constexpr jint kControls = kVideoProcAmpControls + CameraControl_Focus + 1;

struct ModeFlags {
  LONG automatic;
  LONG manual;
};

// Calls action(control interface, property code, mode flags) on the interface that serves the
// control.
template <class Action>
HRESULT onControl(IBaseFilter* filter, jint control, Action action) {
  if (control < 0 || control >= kControls) return E_INVALIDARG;
  if (control < kVideoProcAmpControls) {
    ComRef<IAMVideoProcAmp> videoProcAmp;
    const HRESULT hr = filter->QueryInterface(IID_IAMVideoProcAmp, videoProcAmp.put_void());
    if (FAILED(hr)) return hr;
    return action(videoProcAmp.get(), static_cast<LONG>(control),
                  ModeFlags{VideoProcAmp_Flags_Auto, VideoProcAmp_Flags_Manual});
  }
  ComRef<IAMCameraControl> cameraControl;
  const HRESULT hr = filter->QueryInterface(IID_IAMCameraControl, cameraControl.put_void());
  if (FAILED(hr)) return hr;
  return action(cameraControl.get(), static_cast<LONG>(control - kVideoProcAmpControls),
                ModeFlags{CameraControl_Flags_Auto, CameraControl_Flags_Manual});
}

OleString oleStringFrom(JNIEnv* env, jstring text) {
  static_assert(sizeof(OLECHAR) == sizeof(jchar), "COM and Java text are both UTF-16");
  const jsize length = env->GetStringLength(text);
  std::vector<jchar> chars(static_cast<std::size_t>(length));
  env->GetStringRegion(text, 0, length, chars.data());
  OleString result(static_cast<std::size_t>(length), OLECHAR{});
  if (length > 0) std::memcpy(&result[0], chars.data(), chars.size() * sizeof(jchar));
  return result;
}

jstring javaStringFrom(JNIEnv* env, const OleString& text) {
  return env->NewString(reinterpret_cast<const jchar*>(text.data()),
                        static_cast<jsize>(text.size()));
}

// COM open, the device found by its id, action(filter), COM closed.
template <class Action>
HRESULT onDevice(JNIEnv* env, jstring id, Action action) {
  const OleString deviceId = oleStringFrom(env, id);
  ComScope com;
  ComRef<IBaseFilter> filter;
  const HRESULT hr = bindVideoInputDevice(deviceId, &filter);
  if (FAILED(hr)) return hr;
  return action(filter.get());
}

struct Range {
  LONG minimum = 0;
  LONG maximum = 0;
  LONG step = 0;
  LONG defaultValue = 0;
  LONG capsFlags = 0;
};

template <class Control>
HRESULT rangeOf(Control* control, LONG property, Range* range) {
  return control->GetRange(property, &range->minimum, &range->maximum, &range->step,
                           &range->defaultValue, &range->capsFlags);
}

// The range of one control of the device, and whether the control has an automatic mode.
HRESULT controlRange(IBaseFilter* filter, jint control, Range* range, bool* automaticSupported) {
  return onControl(filter, control, [&](auto* controls, LONG property, ModeFlags modes) {
    const HRESULT hr = rangeOf(controls, property, range);
    *automaticSupported = (range->capsFlags & modes.automatic) != 0;
    return hr;
  });
}

void writeInts(JNIEnv* env, jintArray target, std::initializer_list<jint> values) {
  env->SetIntArrayRegion(target, 0, static_cast<jsize>(values.size()), values.begin());
}

}  // namespace

extern "C" {

// private static native String[] listDevices(int[] status);
// The name and the id of each device, one after the other; null when the listing failed.
JNIEXPORT jobjectArray JNICALL Java_quorvane_image_Camera_listDevices(JNIEnv* env, jclass,
                                                                      jintArray status) {
  std::vector<VideoInputDevice> devices;
  HRESULT hr;
  {
    ComScope com;
    hr = listVideoInputDevices(&devices);
  }
  writeInts(env, status, {statusOf(hr, false)});
  if (FAILED(hr)) return nullptr;
  jclass stringClass = env->FindClass("java/lang/String");
  if (stringClass == nullptr) return nullptr;
  jobjectArray result =
      env->NewObjectArray(static_cast<jsize>(2 * devices.size()), stringClass, nullptr);
  if (result == nullptr) return nullptr;
  jsize index = 0;
  for (const VideoInputDevice& device : devices) {
    for (const OleString* text : {&device.name, &device.id}) {
      jstring element = javaStringFrom(env, *text);
      if (element == nullptr) return nullptr;
      env->SetObjectArrayElement(result, index++, element);
      env->DeleteLocalRef(element);
    }
  }
  return result;
}

// private static native int getValue(String id, int control, int[] value);
JNIEXPORT jint JNICALL Java_quorvane_image_Camera_getValue(JNIEnv* env, jclass, jstring id,
                                                           jint control, jintArray value) {
  LONG current = 0;
  const HRESULT hr = onDevice(env, id, [&](IBaseFilter* filter) {
    return onControl(filter, control, [&](auto* controls, LONG property, ModeFlags) {
      LONG flags = 0;
      return controls->Get(property, &current, &flags);
    });
  });
  if (SUCCEEDED(hr)) writeInts(env, value, {static_cast<jint>(current)});
  return statusOf(hr, false);
}

// private static native int setValue(String id, int control, int value);
JNIEXPORT jint JNICALL Java_quorvane_image_Camera_setValue(JNIEnv* env, jclass, jstring id,
                                                           jint control, jint value) {
  const HRESULT hr = onDevice(env, id, [&](IBaseFilter* filter) {
    return onControl(filter, control, [&](auto* controls, LONG property, ModeFlags modes) {
      return controls->Set(property, static_cast<LONG>(value), modes.manual);
    });
  });
  return statusOf(hr, true);
}

// private static native int setAutomatic(String id, int control);
// The current value goes with the automatic flag, so that nothing but the mode changes.
JNIEXPORT jint JNICALL Java_quorvane_image_Camera_setAutomatic(JNIEnv* env, jclass, jstring id,
                                                               jint control) {
  const HRESULT hr = onDevice(env, id, [&](IBaseFilter* filter) {
    return onControl(filter, control, [&](auto* controls, LONG property, ModeFlags modes) {
      Range range;
      HRESULT result = rangeOf(controls, property, &range);
      if (FAILED(result)) return result;
      if ((range.capsFlags & modes.automatic) == 0) return E_PROP_ID_UNSUPPORTED;
      LONG current = 0;
      LONG flags = 0;
      result = controls->Get(property, &current, &flags);
      if (FAILED(result)) return result;
      return controls->Set(property, current, modes.automatic);
    });
  });
  return statusOf(hr, true);
}

// private static native int isAutomatic(String id, int control, int[] automatic);
// A control without an automatic mode is in manual mode.
JNIEXPORT jint JNICALL Java_quorvane_image_Camera_isAutomatic(JNIEnv* env, jclass, jstring id,
                                                              jint control, jintArray automatic) {
  bool inAutomaticMode = false;
  const HRESULT hr = onDevice(env, id, [&](IBaseFilter* filter) {
    return onControl(filter, control, [&](auto* controls, LONG property, ModeFlags modes) {
      Range range;
      HRESULT result = rangeOf(controls, property, &range);
      if (FAILED(result) || (range.capsFlags & modes.automatic) == 0) return result;
      LONG current = 0;
      LONG flags = 0;
      result = controls->Get(property, &current, &flags);
      inAutomaticMode = SUCCEEDED(result) && (flags & modes.automatic) != 0;
      return result;
    });
  });
  if (SUCCEEDED(hr)) writeInts(env, automatic, {inAutomaticMode ? 1 : 0});
  return statusOf(hr, false);
}

// private static native int getRange(String id, int control, int[] range);
// range: {minimum, maximum, step, default, automatic supported (0 or 1)}.
JNIEXPORT jint JNICALL Java_quorvane_image_Camera_getRange(JNIEnv* env, jclass, jstring id,
                                                           jint control, jintArray range) {
  Range found;
  bool automaticSupported = false;
  const HRESULT hr = onDevice(env, id, [&](IBaseFilter* filter) {
    return controlRange(filter, control, &found, &automaticSupported);
  });
  if (SUCCEEDED(hr)) {
    writeInts(
        env, range,
        {found.minimum, found.maximum, found.step, found.defaultValue, automaticSupported ? 1 : 0});
  }
  return statusOf(hr, false);
}

// private static native int getRanges(String id, int[] ranges);
// Per control, in order: {offered (0 or 1), minimum, maximum, step, default, automatic
// supported}. A control that the device lacks is not offered; any other failure fails the call.
JNIEXPORT jint JNICALL Java_quorvane_image_Camera_getRanges(JNIEnv* env, jclass, jstring id,
                                                            jintArray ranges) {
  constexpr int kFields = 6;
  std::vector<jint> values(static_cast<std::size_t>(kControls * kFields), 0);
  const HRESULT hr = onDevice(env, id, [&](IBaseFilter* filter) {
    for (jint control = 0; control < kControls; ++control) {
      Range found;
      bool automaticSupported = false;
      const HRESULT result = controlRange(filter, control, &found, &automaticSupported);
      if (unsupported(result)) continue;
      if (FAILED(result)) return result;
      jint* entry = &values[static_cast<std::size_t>(control * kFields)];
      entry[0] = 1;
      entry[1] = found.minimum;
      entry[2] = found.maximum;
      entry[3] = found.step;
      entry[4] = found.defaultValue;
      entry[5] = automaticSupported ? 1 : 0;
    }
    return S_OK;
  });
  if (SUCCEEDED(hr)) {
    env->SetIntArrayRegion(ranges, 0, static_cast<jsize>(values.size()), values.data());
  }
  return statusOf(hr, false);
}

}  // extern "C"
