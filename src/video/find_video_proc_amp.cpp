#include "video_proc_amp.h"

namespace {

// The first device's filter. Locals are released in reverse order of declaration, so the
// moniker goes first, then the category enumerator, then the system device enumerator.
ComRef<IBaseFilter> bindFirstVideoInputDevice() {
  ComRef<ICreateDevEnum> systemDeviceEnum;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_ICreateDevEnum,
                              systemDeviceEnum.put_void())) ||
      !systemDeviceEnum) {
    return {};
  }

  ComRef<IEnumMoniker> videoInputDevices;
  // An empty category answers S_FALSE with no enumerator.
  if (FAILED(systemDeviceEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                     videoInputDevices.put(), 0)) ||
      !videoInputDevices) {
    return {};
  }

  ComRef<IMoniker> firstDevice;
  ULONG fetched = 0;
  if (videoInputDevices->Next(1, firstDevice.put(), &fetched) != S_OK || !firstDevice) return {};

  ComRef<IBaseFilter> filter;
  if (FAILED(firstDevice->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.put_void()))) {
    return {};
  }
  return filter;
}

}  // namespace

ComRef<IAMVideoProcAmp> findVideoProcAmp() {
  ComRef<IBaseFilter> filter = bindFirstVideoInputDevice();
  if (!filter) return {};

  ComRef<IAMVideoProcAmp> videoProcAmp;
  if (FAILED(filter->QueryInterface(IID_IAMVideoProcAmp, videoProcAmp.put_void()))) return {};
  // The video control keeps the filter alive; our reference to the filter goes here.
  return videoProcAmp;
}
