// The natives of quorvane.image.BaselineCapture and BaselineCamera: what the cost of kivdshow's
// native methods is measured against. Each makes exactly the platform and JNI calls of its
// counterpart in ImageCapture or Camera, in the same order, written out inline with raw pointers
// and no checks, so that the difference to the library is the library's own code. They assume a
// camera with a video control, as the benchmarks provide.
#include <jni.h>

#include <vector>

#include "video_platform.h"

namespace {

// The lookup as the library makes it, releasing as it goes.
IAMVideoProcAmp* firstVideoProcAmp() {
  ICreateDevEnum* systemDeviceEnum = nullptr;
  CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                   IID_ICreateDevEnum, reinterpret_cast<void**>(&systemDeviceEnum));
  IEnumMoniker* videoInputDevices = nullptr;
  systemDeviceEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &videoInputDevices, 0);
  IMoniker* firstDevice = nullptr;
  ULONG fetched = 0;
  videoInputDevices->Next(1, &firstDevice, &fetched);
  IBaseFilter* filter = nullptr;
  firstDevice->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
  firstDevice->Release();
  videoInputDevices->Release();
  systemDeviceEnum->Release();
  IAMVideoProcAmp* videoProcAmp = nullptr;
  filter->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void**>(&videoProcAmp));
  filter->Release();
  return videoProcAmp;
}

void setRange(JNIEnv* env, jobject target, IAMVideoProcAmp* videoProcAmp, LONG property,
              jfieldID minimum, jfieldID maximum, jfieldID steppingDelta, jfieldID defaultValue) {
  LONG values[4] = {};
  LONG capsFlags = 0;
  videoProcAmp->GetRange(property, &values[0], &values[1], &values[2], &values[3], &capsFlags);
  env->SetIntField(target, minimum, values[0]);
  env->SetIntField(target, maximum, values[1]);
  env->SetIntField(target, steppingDelta, values[2]);
  env->SetIntField(target, defaultValue, values[3]);
}

// The lookup by id as the library makes it, for a video processing amplifier's property.
IAMVideoProcAmp* videoProcAmpOf(JNIEnv* env, jstring id, IBaseFilter** filter) {
  const jsize length = env->GetStringLength(id);
  std::vector<OLECHAR> name(static_cast<std::size_t>(length) + 1, OLECHAR{});
  env->GetStringRegion(id, 0, length, reinterpret_cast<jchar*>(name.data()));
  CoInitialize(nullptr);
  IBindCtx* context = nullptr;
  CreateBindCtx(0, &context);
  IMoniker* device = nullptr;
  ULONG eaten = 0;
  MkParseDisplayName(context, name.data(), &eaten, &device);
  device->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
  device->Release();
  context->Release();
  IAMVideoProcAmp* videoProcAmp = nullptr;
  (*filter)->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void**>(&videoProcAmp));
  return videoProcAmp;
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_quorvane_image_BaselineCamera_getValue(JNIEnv* env, jclass, jstring id,
                                                                   jint control, jintArray value) {
  IBaseFilter* filter = nullptr;
  IAMVideoProcAmp* videoProcAmp = videoProcAmpOf(env, id, &filter);
  LONG current = 0;
  LONG flags = 0;
  videoProcAmp->Get(control, &current, &flags);
  videoProcAmp->Release();
  filter->Release();
  CoUninitialize();
  const jint result = current;
  env->SetIntArrayRegion(value, 0, 1, &result);
  return 0;
}

JNIEXPORT jint JNICALL Java_quorvane_image_BaselineCamera_setValue(JNIEnv* env, jclass, jstring id,
                                                                   jint control, jint value) {
  IBaseFilter* filter = nullptr;
  IAMVideoProcAmp* videoProcAmp = videoProcAmpOf(env, id, &filter);
  videoProcAmp->Set(control, value, VideoProcAmp_Flags_Manual);
  videoProcAmp->Release();
  filter->Release();
  CoUninitialize();
  return 0;
}

JNIEXPORT jint JNICALL Java_quorvane_image_BaselineCapture_getBrightness(JNIEnv*, jobject) {
  CoInitialize(nullptr);
  IAMVideoProcAmp* videoProcAmp = firstVideoProcAmp();
  LONG value = 0;
  LONG flags = 0;
  videoProcAmp->Get(VideoProcAmp_Brightness, &value, &flags);
  videoProcAmp->Release();
  CoUninitialize();
  return value;
}

JNIEXPORT void JNICALL Java_quorvane_image_BaselineCapture_setContrast(JNIEnv*, jobject,
                                                                       jint value) {
  CoInitialize(nullptr);
  IAMVideoProcAmp* videoProcAmp = firstVideoProcAmp();
  videoProcAmp->Set(VideoProcAmp_Contrast, value, VideoProcAmp_Flags_Manual);
  videoProcAmp->Release();
  CoUninitialize();
}

JNIEXPORT jobject JNICALL Java_quorvane_image_BaselineCapture_getCaptureProperties(JNIEnv* env,
                                                                                   jobject) {
  CoInitialize(nullptr);
  jclass type = env->FindClass("quorvane/image/CaptureProperties");
  jfieldID minBrightness = env->GetFieldID(type, "minBrightness", "I");
  jfieldID maxBrightness = env->GetFieldID(type, "maxBrightness", "I");
  jfieldID steppingDeltaBrightness = env->GetFieldID(type, "steppingDeltaBrightness", "I");
  jfieldID defaultBrightness = env->GetFieldID(type, "defaultBrightness", "I");
  jfieldID minContrast = env->GetFieldID(type, "minContrast", "I");
  jfieldID maxContrast = env->GetFieldID(type, "maxContrast", "I");
  jfieldID steppingDeltaContrast = env->GetFieldID(type, "steppingDeltaContrast", "I");
  jfieldID defaultContrast = env->GetFieldID(type, "defaultContrast", "I");
  jmethodID constructor = env->GetMethodID(type, "<init>", "()V");
  jobject properties = env->NewObject(type, constructor);
  IAMVideoProcAmp* videoProcAmp = firstVideoProcAmp();
  setRange(env, properties, videoProcAmp, VideoProcAmp_Brightness, minBrightness, maxBrightness,
           steppingDeltaBrightness, defaultBrightness);
  setRange(env, properties, videoProcAmp, VideoProcAmp_Contrast, minContrast, maxContrast,
           steppingDeltaContrast, defaultContrast);
  videoProcAmp->Release();
  CoUninitialize();
  return properties;
}

}  // extern "C"
