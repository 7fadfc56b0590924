#include "video_input_devices.h"

namespace {

HRESULT friendlyName(IMoniker* device, OleString* name) {
  ComRef<IPropertyBag> properties;
  HRESULT hr = device->BindToStorage(nullptr, nullptr, IID_IPropertyBag, properties.put_void());
  if (FAILED(hr)) return hr;
  VARIANT value;
  VariantInit(&value);
  hr = properties->Read(OLESTR("FriendlyName"), &value, nullptr);
  if (SUCCEEDED(hr) && value.vt == VT_BSTR && value.bstrVal != nullptr) *name = value.bstrVal;
  VariantClear(&value);
  return hr;
}

HRESULT displayName(IMoniker* device, IBindCtx* context, OleString* id) {
  LPOLESTR name = nullptr;
  const HRESULT hr = device->GetDisplayName(context, nullptr, &name);
  if (FAILED(hr)) return hr;
  if (name == nullptr) return E_POINTER;
  *id = name;
  CoTaskMemFree(name);
  return S_OK;
}

}  // namespace

HRESULT listVideoInputDevices(std::vector<VideoInputDevice>* devices) {
  devices->clear();
  ComRef<ICreateDevEnum> systemDeviceEnum;
  HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_ICreateDevEnum,
                                systemDeviceEnum.put_void());
  if (FAILED(hr)) return hr;
  ComRef<IEnumMoniker> videoInputDevices;
  hr = systemDeviceEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                               videoInputDevices.put(), 0);
  // An empty category answers S_FALSE with no enumerator.
  if (FAILED(hr) || !videoInputDevices) return hr;
  ComRef<IBindCtx> context;
  hr = CreateBindCtx(0, context.put());
  if (FAILED(hr)) return hr;

  for (;;) {
    ComRef<IMoniker> device;
    if (videoInputDevices->Next(1, device.put(), nullptr) != S_OK || !device) return S_OK;
    VideoInputDevice listed;
    hr = displayName(device.get(), context.get(), &listed.id);
    if (FAILED(hr)) return hr;
    // A device without a name of its own is still usable: it shows its id.
    if (FAILED(friendlyName(device.get(), &listed.name)) || listed.name.empty()) {
      listed.name = listed.id;
    }
    devices->push_back(std::move(listed));
  }
}

HRESULT bindVideoInputDevice(const OleString& id, ComRef<IBaseFilter>* filter) {
  filter->reset();
  ComRef<IBindCtx> context;
  HRESULT hr = CreateBindCtx(0, context.put());
  if (FAILED(hr)) return hr;
  ComRef<IMoniker> device;
  ULONG eaten = 0;
  hr = MkParseDisplayName(context.get(), id.c_str(), &eaten, device.put());
  if (FAILED(hr)) return hr;
  if (!device) return MK_E_NOOBJECT;
  return device->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter->put_void());
}
