#define KIVDSHOW_TEST_FILTER_BUILD
#include "test_filter.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

namespace {

// {6B0C4E21-9A53-4C1F-8E47-3D5A0F1C7A01} and ...02
const CLSID kClassIds[kTestDevices] = {
    {0x6B0C4E21, 0x9A53, 0x4C1F, {0x8E, 0x47, 0x3D, 0x5A, 0x0F, 0x1C, 0x7A, 0x01}},
    {0x6B0C4E21, 0x9A53, 0x4C1F, {0x8E, 0x47, 0x3D, 0x5A, 0x0F, 0x1C, 0x7A, 0x02}},
};

struct State {
  std::mutex mutex;
  TestDevice devices[kTestDevices] = {};
  LONG instancesMade[kTestDevices] = {};
  std::string calls;
};

State& state() {
  static State instance;
  return instance;
}

std::atomic<LONG> liveInstances{0};

void record(const std::string& entry) {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().calls += entry + "\n";
}

class TestFilter;

// One of the filter's property interfaces: IAMVideoProcAmp and IAMCameraControl have the same
// methods, so each is a part of its own, whose identity is the filter's.
template <class Interface>
class PropertyPart final : public Interface {
 public:
  PropertyPart(TestFilter* filter, int firstProperty, std::string name)
      : filter_(filter), firstProperty_(firstProperty), name_(std::move(name)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta,
                                     LONG* pDefault, LONG* pCapsFlags) override {
    record(name_ + ".GetRange(" + std::to_string(Property) + ")");
    if (!pMin || !pMax || !pSteppingDelta || !pDefault || !pCapsFlags) return E_POINTER;
    std::lock_guard<std::mutex> lock(state().mutex);
    TestProperty* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    *pMin = property->minimum;
    *pMax = property->maximum;
    *pSteppingDelta = property->steppingDelta;
    *pDefault = property->defaultValue;
    *pCapsFlags = property->capsFlags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Set(LONG Property, LONG lValue, LONG Flags) override {
    record(name_ + ".Set(" + std::to_string(Property) + ", " + std::to_string(lValue) + ", " +
           std::to_string(Flags) + ")");
    std::lock_guard<std::mutex> lock(state().mutex);
    TestProperty* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    // A device takes exactly one mode, and only one that it offers.
    const bool oneMode = Flags == VideoProcAmp_Flags_Auto || Flags == VideoProcAmp_Flags_Manual;
    if (!oneMode || (Flags & property->capsFlags) == 0) return E_INVALIDARG;
    property->value = lValue;
    property->flags = Flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Get(LONG Property, LONG* lValue, LONG* Flags) override {
    record(name_ + ".Get(" + std::to_string(Property) + ")");
    if (lValue == nullptr || Flags == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> lock(state().mutex);
    TestProperty* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    *lValue = property->value;
    *Flags = property->flags;
    return S_OK;
  }

 private:
  TestProperty* find(LONG code);

  TestFilter* const filter_;
  const int firstProperty_;
  const std::string name_;
};

class TestFilter final : public IBaseFilter {
 public:
  explicit TestFilter(int device)
      : device_(device),
        videoProcAmp_(this, 0, "device" + std::to_string(device)),
        cameraControl_(this, kCameraControlsStart,
                       "device" + std::to_string(device) + ".CameraControl") {
    ++liveInstances;
    std::lock_guard<std::mutex> lock(state().mutex);
    ++state().instancesMade[device];
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter ||
        riid == IID_IBaseFilter) {
      *ppv = static_cast<IBaseFilter*>(this);
    } else if (riid == IID_IAMVideoProcAmp && device().hasVideoProcAmp) {
      *ppv = static_cast<IAMVideoProcAmp*>(&videoProcAmp_);
    } else if (riid == IID_IAMCameraControl && device().hasCameraControl) {
      *ppv = static_cast<IAMCameraControl*>(&cameraControl_);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IPersist, IMediaFilter, IBaseFilter: a filter without pins that never streams.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override {
    if (pClassID == nullptr) return E_POINTER;
    *pClassID = kClassIds[device_];
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE* State) override {
    if (State == nullptr) return E_POINTER;
    *State = State_Stopped;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** pClock) override {
    if (pClock == nullptr) return E_POINTER;
    *pClock = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** ppEnum) override {
    if (ppEnum != nullptr) *ppEnum = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin** ppPin) override {
    if (ppPin != nullptr) *ppPin = nullptr;
    return VFW_E_NOT_FOUND;
  }
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* pInfo) override {
    if (pInfo == nullptr) return E_POINTER;
    std::memset(pInfo, 0, sizeof *pInfo);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* pVendorInfo) override {
    if (pVendorInfo != nullptr) *pVendorInfo = nullptr;
    return E_NOTIMPL;
  }

  // The device's state; the caller holds the state's mutex.
  TestDevice& device() { return state().devices[device_]; }

 private:
  ~TestFilter() { --liveInstances; }

  const int device_;
  PropertyPart<IAMVideoProcAmp> videoProcAmp_;
  PropertyPart<IAMCameraControl> cameraControl_;
  std::atomic<ULONG> references_{1};
};

template <class Interface>
HRESULT PropertyPart<Interface>::QueryInterface(REFIID riid, void** ppv) {
  return filter_->QueryInterface(riid, ppv);
}
template <class Interface>
ULONG PropertyPart<Interface>::AddRef() {
  return filter_->AddRef();
}
template <class Interface>
ULONG PropertyPart<Interface>::Release() {
  return filter_->Release();
}
template <class Interface>
TestProperty* PropertyPart<Interface>::find(LONG code) {
  const int lastProperty = firstProperty_ == 0 ? kCameraControlsStart : kTestProperties;
  if (code < 0 || firstProperty_ + code >= lastProperty) return nullptr;
  TestProperty& property = filter_->device().properties[firstProperty_ + code];
  return property.present ? &property : nullptr;
}

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(int device) : device_(device) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    TestFilter* filter = new TestFilter(device_);
    const HRESULT hr = filter->QueryInterface(riid, ppv);
    filter->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  const int device_;
  std::atomic<ULONG> references_{1};
};

bool validDevice(int device) {
  return device >= 0 && device < kTestDevices;
}

}  // namespace

// Stays loaded: the test reads its counters between calls.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  for (int device = 0; device < kTestDevices; ++device) {
    if (rclsid != kClassIds[device]) continue;
    ClassFactory* factory = new ClassFactory(device);
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

const CLSID* testFilterClassId(int device) {
  return validDevice(device) ? &kClassIds[device] : nullptr;
}

void testFilterSetDevice(int device, const TestDevice* device_state) {
  if (!validDevice(device) || device_state == nullptr) return;
  std::lock_guard<std::mutex> lock(state().mutex);
  state().devices[device] = *device_state;
}

void testFilterDevice(int device, TestDevice* device_state) {
  if (!validDevice(device) || device_state == nullptr) return;
  std::lock_guard<std::mutex> lock(state().mutex);
  *device_state = state().devices[device];
}

LONG testFilterLiveInstances() {
  return liveInstances.load();
}

LONG testFilterInstancesMade(int device) {
  if (!validDevice(device)) return 0;
  std::lock_guard<std::mutex> lock(state().mutex);
  return state().instancesMade[device];
}

void testFilterRecord(const char* entry) {
  record(entry);
}

int testFilterCalls(char* buffer, int size) {
  std::lock_guard<std::mutex> lock(state().mutex);
  const int needed = static_cast<int>(state().calls.size());
  if (buffer != nullptr && size > needed) std::memcpy(buffer, state().calls.c_str(), needed + 1);
  return needed;
}

void testFilterClearCalls() {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().calls.clear();
  for (LONG& made : state().instancesMade) made = 0;
}
