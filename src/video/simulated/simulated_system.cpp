#include "simulated_system.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace simulated {
namespace {

// Function-local statics: loading the library runs none of this.
struct System {
  std::mutex mutex;
  std::vector<std::shared_ptr<Camera>> cameras;
  std::map<Step, HRESULT> failures;
  std::vector<std::string> calls;
  std::atomic<bool> recording{true};
  std::atomic<long> liveObjects{0};

  System() { cameras.push_back(std::make_shared<Camera>(builtInCamera())); }
};

System& system() {
  static System instance;
  return instance;
}

// Records the call that `describe` names; the text is built only while recording is on, so that
// a run with recording off costs what the platform calls themselves cost.
template <class Describe>
void recordCall(Describe describe) {
  if (system().recording.load(std::memory_order_relaxed)) record(describe());
}

struct ThreadComState {
  int scopes = 0;
  bool multithreaded = false;
};
thread_local ThreadComState threadCom;

bool failing(Step step) {
  std::lock_guard<std::mutex> lock(system().mutex);
  return system().failures.count(step) != 0;
}

// The result a failing step answers with: E_FAIL unless the test chose another.
HRESULT failure(Step step) {
  std::lock_guard<std::mutex> lock(system().mutex);
  const auto found = system().failures.find(step);
  return found == system().failures.end() ? S_OK : found->second;
}

std::string guidName(const GUID& guid) {
  struct Named {
    const GUID* guid;
    const char* name;
  };
  static const Named known[] = {
      {&CLSID_SystemDeviceEnum, "CLSID_SystemDeviceEnum"},
      {&IID_ICreateDevEnum, "IID_ICreateDevEnum"},
      {&CLSID_VideoInputDeviceCategory, "CLSID_VideoInputDeviceCategory"},
      {&IID_IBaseFilter, "IID_IBaseFilter"},
      {&IID_IAMVideoProcAmp, "IID_IAMVideoProcAmp"},
      {&IID_IAMCameraControl, "IID_IAMCameraControl"},
      {&IID_IPropertyBag, "IID_IPropertyBag"},
      {&IID_IUnknown, "IID_IUnknown"},
  };
  for (const Named& entry : known) {
    if (*entry.guid == guid) return entry.name;
  }
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

// Names and ids of the simulated cameras are ASCII.
std::basic_string<OLECHAR> wide(const std::string& text) {
  return std::basic_string<OLECHAR>(text.begin(), text.end());
}
std::string narrow(const std::basic_string<OLECHAR>& text) {
  std::string result;
  for (const OLECHAR c : text) result.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return result;
}

std::string pointerText(const void* pointer) {
  return pointer == nullptr ? "nullptr" : "pointer";
}

// Counts itself among the live objects and records the calls on its IUnknown.
template <class... Interfaces>
class Object : public Interfaces... {
 public:
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    recordCall([&] { return name_ + ".QueryInterface(" + guidName(riid) + ")"; });
    return handOut(riid, ppvObject);
  }
  ULONG AddRef() override {
    recordCall([&] { return name_ + ".AddRef()"; });
    return ++references_;
  }
  ULONG Release() override {
    recordCall([&] { return name_ + ".Release()"; });
    return drop();
  }

  // QueryInterface and Release without a record: what the system does with its own objects.
  virtual HRESULT handOut(REFIID riid, void** ppvObject) = 0;
  ULONG drop() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  explicit Object(std::string name) : name_(std::move(name)) { ++system().liveObjects; }
  virtual ~Object() { --system().liveObjects; }

  // Hands out this object as one of its interfaces, with a new reference.
  template <class Interface>
  HRESULT give(Interface* self, void** ppv) {
    ++references_;
    *ppv = self;
    return S_OK;
  }

  const std::string name_;

 private:
  std::atomic<ULONG> references_{1};
};

LONG roundedToStep(const Property& property, LONG value) {
  if (property.steppingDelta <= 0) return value;
  const double steps =
      std::round((static_cast<double>(value) - property.minimum) / property.steppingDelta);
  return static_cast<LONG>(property.minimum + steps * property.steppingDelta);
}

LONG clampedToRange(const Property& property, LONG value) {
  if (value < property.minimum) return property.minimum;
  if (value > property.maximum) return property.maximum;
  return value;
}

// The video processing amplifier's and the camera control's calls, on the camera's controls from
// `first` on.
class Controls {
 public:
  Controls(std::shared_ptr<Camera> camera, std::string name, std::size_t first)
      : camera_(std::move(camera)), name_(std::move(name)), first_(first) {}

  HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                   LONG* pCapsFlags) {
    recordCall([&] { return name_ + ".GetRange(" + std::to_string(Property) + ")"; });
    if (!pMin || !pMax || !pSteppingDelta || !pDefault || !pCapsFlags) return E_POINTER;
    if (const HRESULT hr = failure(Step::GetRange); FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(system().mutex);
    simulated::Property* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    *pMin = property->minimum;
    *pMax = property->maximum;
    *pSteppingDelta = property->steppingDelta;
    *pDefault = property->defaultValue;
    *pCapsFlags = VideoProcAmp_Flags_Manual;
    if (property->automaticSupported) *pCapsFlags |= VideoProcAmp_Flags_Auto;
    return S_OK;
  }

  HRESULT Set(LONG Property, LONG lValue, LONG Flags) {
    recordCall([&] {
      return name_ + ".Set(" + std::to_string(Property) + ", " + std::to_string(lValue) + ", " +
             std::to_string(Flags) + ")";
    });
    if (const HRESULT hr = failure(Step::Set); FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(system().mutex);
    simulated::Property* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    if ((Flags & VideoProcAmp_Flags_Auto) && !property->automaticSupported) return E_INVALIDARG;
    LONG kept = lValue;
    if (camera_->roundsToStep) kept = roundedToStep(*property, kept);
    if (camera_->clampsToRange) kept = clampedToRange(*property, kept);
    property->value = kept;
    if (Flags & VideoProcAmp_Flags_Manual) property->automatic = false;
    if (Flags & VideoProcAmp_Flags_Auto) property->automatic = true;
    return S_OK;
  }

  HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) {
    recordCall([&] { return name_ + ".Get(" + std::to_string(Property) + ")"; });
    if (lValue == nullptr || Flags == nullptr) return E_POINTER;
    if (const HRESULT hr = failure(Step::Get); FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(system().mutex);
    simulated::Property* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    *lValue = property->value;
    *Flags = property->automatic ? VideoProcAmp_Flags_Auto : VideoProcAmp_Flags_Manual;
    return S_OK;
  }

 private:
  simulated::Property* find(LONG code) {
    if (code < 0) return nullptr;
    const std::size_t index = first_ + static_cast<std::size_t>(code);
    const std::size_t end = first_ == 0 ? kCameraControlsStart : kControls;
    if (index >= end) return nullptr;
    simulated::Property& property = camera_->properties[index];
    return property.present ? &property : nullptr;
  }

  const std::shared_ptr<Camera> camera_;
  const std::string name_;
  const std::size_t first_;
};

class CaptureFilter final : public Object<IBaseFilter, IAMVideoProcAmp> {
 public:
  explicit CaptureFilter(std::shared_ptr<Camera> camera)
      : Object("Filter[" + camera->name + "]"),
        camera_(camera),
        videoProcAmp_(camera, name_, 0),
        cameraControl_(this, Controls(camera, name_ + ".CameraControl", kCameraControlsStart)) {}

  HRESULT handOut(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
      return give(static_cast<IBaseFilter*>(this), ppvObject);
    }
    if (failing(Step::QueryInterface)) return E_NOINTERFACE;
    if (riid == IID_IAMVideoProcAmp) {
      return give(static_cast<IAMVideoProcAmp*>(this), ppvObject);
    }
    if (riid == IID_IAMCameraControl && camera_->hasCameraControl) {
      return give(static_cast<IAMCameraControl*>(&cameraControl_), ppvObject);
    }
    return E_NOINTERFACE;
  }

  HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                   LONG* pCapsFlags) override {
    return videoProcAmp_.GetRange(Property, pMin, pMax, pSteppingDelta, pDefault, pCapsFlags);
  }
  HRESULT Set(LONG Property, LONG lValue, LONG Flags) override {
    return videoProcAmp_.Set(Property, lValue, Flags);
  }
  HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) override {
    return videoProcAmp_.Get(Property, lValue, Flags);
  }

 private:
  // The camera control: a part of the filter that counts references with it.
  class CameraControl final : public IAMCameraControl {
   public:
    CameraControl(CaptureFilter* filter, Controls controls)
        : filter_(filter), controls_(std::move(controls)) {}
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
      return filter_->QueryInterface(riid, ppvObject);
    }
    ULONG AddRef() override { return filter_->AddRef(); }
    ULONG Release() override { return filter_->Release(); }
    HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                     LONG* pCapsFlags) override {
      return controls_.GetRange(Property, pMin, pMax, pSteppingDelta, pDefault, pCapsFlags);
    }
    HRESULT Set(LONG Property, LONG lValue, LONG Flags) override {
      return controls_.Set(Property, lValue, Flags);
    }
    HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) override {
      return controls_.Get(Property, lValue, Flags);
    }

   private:
    CaptureFilter* const filter_;
    Controls controls_;
  };

  const std::shared_ptr<Camera> camera_;
  Controls videoProcAmp_;
  CameraControl cameraControl_;
};

class PropertyBag final : public Object<IPropertyBag> {
 public:
  explicit PropertyBag(std::shared_ptr<Camera> camera)
      : Object("PropertyBag[" + camera->name + "]"), camera_(std::move(camera)) {}

  HRESULT handOut(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPropertyBag) {
      return give(static_cast<IPropertyBag*>(this), ppvObject);
    }
    return E_NOINTERFACE;
  }

  HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override {
    if (pszPropName == nullptr || pVar == nullptr) return E_POINTER;
    const std::string property = narrow(pszPropName);
    recordCall([&] { return name_ + ".Read(" + property + ")"; });
    if (property != "FriendlyName") return E_FAIL;
    const std::basic_string<OLECHAR> name = wide(camera_->name);
    pVar->vt = VT_BSTR;
    pVar->bstrVal = SysAllocString(name.c_str());
    return S_OK;
  }

 private:
  const std::shared_ptr<Camera> camera_;
};

class DeviceMoniker final : public Object<IMoniker> {
 public:
  explicit DeviceMoniker(std::shared_ptr<Camera> camera)
      : Object("Moniker[" + camera->name + "]"), camera_(std::move(camera)) {}

  HRESULT handOut(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown) return give(static_cast<IMoniker*>(this), ppvObject);
    return E_NOINTERFACE;
  }

  HRESULT BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult,
                       void** ppvResult) override {
    recordCall([&] {
      return name_ + ".BindToObject(" + pointerText(pbc) + ", " + pointerText(pmkToLeft) + ", " +
             guidName(riidResult) + ")";
    });
    if (ppvResult == nullptr) return E_POINTER;
    *ppvResult = nullptr;
    if (pbc != nullptr || pmkToLeft != nullptr) return E_INVALIDARG;
    if (const HRESULT hr = failure(Step::BindToObject); FAILED(hr)) return hr;
    CaptureFilter* filter = new CaptureFilter(camera_);
    const HRESULT hr = filter->handOut(riidResult, ppvResult);
    filter->drop();
    return hr;
  }

  HRESULT BindToStorage(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riid, void** ppvObj) override {
    recordCall([&] { return name_ + ".BindToStorage(" + guidName(riid) + ")"; });
    if (ppvObj == nullptr) return E_POINTER;
    *ppvObj = nullptr;
    if (pbc != nullptr || pmkToLeft != nullptr) return E_INVALIDARG;
    if (const HRESULT hr = failure(Step::BindToStorage); FAILED(hr)) return hr;
    PropertyBag* properties = new PropertyBag(camera_);
    const HRESULT hr = properties->handOut(riid, ppvObj);
    properties->drop();
    return hr;
  }

  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* ppszDisplayName) override {
    recordCall([&] { return name_ + ".GetDisplayName()"; });
    if (ppszDisplayName == nullptr) return E_POINTER;
    *ppszDisplayName = nullptr;
    if (const HRESULT hr = failure(Step::GetDisplayName); FAILED(hr)) return hr;
    const std::basic_string<OLECHAR> id = wide(camera_->id);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((id.size() + 1) * sizeof(OLECHAR)));
    std::copy(id.c_str(), id.c_str() + id.size() + 1, copy);
    *ppszDisplayName = copy;
    return S_OK;
  }

 private:
  const std::shared_ptr<Camera> camera_;
};

class MonikerEnumerator final : public Object<IEnumMoniker> {
 public:
  explicit MonikerEnumerator(std::vector<std::shared_ptr<Camera>> cameras)
      : Object("EnumMoniker"), cameras_(std::move(cameras)) {}

  HRESULT handOut(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown) return give(static_cast<IEnumMoniker*>(this), ppvObject);
    return E_NOINTERFACE;
  }

  HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override {
    recordCall([&] { return name_ + ".Next(" + std::to_string(celt) + ")"; });
    if (rgelt == nullptr) return E_POINTER;
    ULONG fetched = 0;
    if (!failing(Step::Next)) {
      for (; fetched < celt && next_ < cameras_.size(); ++fetched, ++next_) {
        rgelt[fetched] = new DeviceMoniker(cameras_[next_]);
      }
    }
    for (ULONG empty = fetched; empty < celt; ++empty) rgelt[empty] = nullptr;
    if (pceltFetched != nullptr) *pceltFetched = fetched;
    return fetched == celt ? S_OK : S_FALSE;
  }

 private:
  const std::vector<std::shared_ptr<Camera>> cameras_;
  std::size_t next_ = 0;
};

class SystemDeviceEnum final : public Object<ICreateDevEnum> {
 public:
  SystemDeviceEnum() : Object("SystemDeviceEnum") {}

  HRESULT handOut(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_ICreateDevEnum) {
      return give(static_cast<ICreateDevEnum*>(this), ppvObject);
    }
    return E_NOINTERFACE;
  }

  HRESULT CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                DWORD dwFlags) override {
    recordCall([&] {
      return name_ + ".CreateClassEnumerator(" + guidName(clsidDeviceClass) + ", " +
             std::to_string(dwFlags) + ")";
    });
    if (ppEnumMoniker == nullptr) return E_POINTER;
    *ppEnumMoniker = nullptr;
    if (clsidDeviceClass != CLSID_VideoInputDeviceCategory) return S_FALSE;
    std::vector<std::shared_ptr<Camera>> cameras;
    {
      std::lock_guard<std::mutex> lock(system().mutex);
      if (system().failures.count(Step::CreateClassEnumerator) != 0) return S_FALSE;
      cameras = system().cameras;
    }
    if (cameras.empty()) return S_FALSE;
    *ppEnumMoniker = new MonikerEnumerator(std::move(cameras));
    return S_OK;
  }
};

std::shared_ptr<Camera> withId(Camera camera) {
  if (camera.id.empty()) camera.id = "simulated:" + camera.name;
  return std::make_shared<Camera>(std::move(camera));
}

}  // namespace

Camera builtInCamera() {
  Camera camera;
  camera.name = "Simulated Webcam";
  camera.id = "simulated:webcam";
  for (Property& property : camera.properties) property.present = false;
  // {present, value, minimum, maximum, stepping delta, default, automatic, automatic supported}
  camera.properties[VideoProcAmp_Brightness] = {true, 0, -64, 64, 1, 0, false, false};
  camera.properties[VideoProcAmp_Contrast] = {true, 32, 0, 95, 1, 32, false, false};
  camera.properties[VideoProcAmp_Hue] = {true, 0, -2000, 2000, 1, 0, false, false};
  camera.properties[VideoProcAmp_Saturation] = {true, 64, 0, 100, 1, 64, false, false};
  camera.properties[VideoProcAmp_Sharpness] = {true, 2, 0, 7, 1, 2, false, false};
  camera.properties[VideoProcAmp_Gamma] = {true, 100, 100, 300, 1, 100, false, false};
  camera.properties[VideoProcAmp_WhiteBalance] = {true, 4600, 2800, 6500, 10, 4600, true, true};
  camera.properties[VideoProcAmp_BacklightCompensation] = {true, 1, 0, 2, 1, 1, false, false};
  camera.properties[VideoProcAmp_Gain] = {true, 0, 0, 100, 1, 0, false, false};
  // Exposure in DirectShow's unit, log2 of seconds: -6 is 1/64 s.
  camera.properties[kCameraControlsStart + CameraControl_Exposure] = {true, -6, -11,  -3,
                                                                      1,    -6, true, true};
  camera.properties[kCameraControlsStart + CameraControl_Focus] = {true, 0, 0,    250,
                                                                   5,    0, true, true};
  return camera;
}

bool stepNamed(const std::string& name, Step* step) {
  static const std::pair<const char*, Step> names[] = {
      {"CoCreateInstance", Step::CoCreateInstance},
      {"CreateClassEnumerator", Step::CreateClassEnumerator},
      {"Next", Step::Next},
      {"BindToObject", Step::BindToObject},
      {"QueryInterface", Step::QueryInterface},
      {"Get", Step::Get},
      {"Set", Step::Set},
      {"GetRange", Step::GetRange},
      {"MkParseDisplayName", Step::MkParseDisplayName},
      {"BindToStorage", Step::BindToStorage},
      {"GetDisplayName", Step::GetDisplayName},
  };
  for (const auto& [stepName, value] : names) {
    if (name == stepName) {
      *step = value;
      return true;
    }
  }
  return false;
}

void reset() {
  std::lock_guard<std::mutex> lock(system().mutex);
  system().cameras = {std::make_shared<Camera>(builtInCamera())};
  system().failures.clear();
  system().calls.clear();
  system().recording = true;
}

void setCameras(std::vector<Camera> cameras) {
  std::lock_guard<std::mutex> lock(system().mutex);
  system().cameras.clear();
  for (Camera& camera : cameras) system().cameras.push_back(withId(std::move(camera)));
}

void addCamera(Camera camera) {
  std::lock_guard<std::mutex> lock(system().mutex);
  system().cameras.push_back(withId(std::move(camera)));
}

Camera camera(std::size_t index) {
  std::lock_guard<std::mutex> lock(system().mutex);
  return *system().cameras.at(index);
}

std::size_t cameraCount() {
  std::lock_guard<std::mutex> lock(system().mutex);
  return system().cameras.size();
}

void fail(Step step) {
  std::lock_guard<std::mutex> lock(system().mutex);
  system().failures.emplace(step, E_FAIL);
}

void fail(Step step, HRESULT result) {
  std::lock_guard<std::mutex> lock(system().mutex);
  system().failures[step] = result;
}

std::vector<std::string> calls() {
  std::lock_guard<std::mutex> lock(system().mutex);
  return system().calls;
}

void clearCalls() {
  std::lock_guard<std::mutex> lock(system().mutex);
  system().calls.clear();
}

void setRecording(bool on) {
  std::lock_guard<std::mutex> lock(system().mutex);
  system().recording = on;
}

void record(std::string entry) {
  std::lock_guard<std::mutex> lock(system().mutex);
  if (system().recording) system().calls.push_back(std::move(entry));
}

long liveObjects() {
  return system().liveObjects.load();
}

int openScopesOnThisThread() {
  return threadCom.scopes;
}
bool inMultithreadedApartment() {
  return threadCom.multithreaded;
}
void joinMultithreadedApartment() {
  threadCom.multithreaded = true;
}
void leaveMultithreadedApartment() {
  threadCom.multithreaded = false;
}

}  // namespace simulated

HRESULT CoInitialize(LPVOID pvReserved) {
  simulated::recordCall([&] { return "CoInitialize(" + simulated::pointerText(pvReserved) + ")"; });
  if (simulated::threadCom.multithreaded) return RPC_E_CHANGED_MODE;
  return simulated::threadCom.scopes++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  simulated::recordCall([&] { return "CoUninitialize()"; });
  simulated::ThreadComState& com = simulated::threadCom;
  if (com.scopes == 0 && com.multithreaded) {
    // An unmatched close ends the apartment that other code opened on this thread.
    com.multithreaded = false;
    return;
  }
  // Below zero, the count shows a close without an open.
  --com.scopes;
}

// Finds the camera that now holds the id: none once it is unplugged.
HRESULT MkParseDisplayName(IBindCtx* pbc, LPCOLESTR szUserName, ULONG* pchEaten, IMoniker** ppmk) {
  if (szUserName == nullptr || pchEaten == nullptr || ppmk == nullptr) return E_POINTER;
  const std::string id = simulated::narrow(szUserName);
  simulated::recordCall([&] { return "MkParseDisplayName(" + id + ")"; });
  *ppmk = nullptr;
  *pchEaten = 0;
  if (pbc == nullptr) return E_INVALIDARG;
  if (const HRESULT hr = simulated::failure(simulated::Step::MkParseDisplayName); FAILED(hr)) {
    return hr;
  }
  std::shared_ptr<simulated::Camera> found;
  {
    std::lock_guard<std::mutex> lock(simulated::system().mutex);
    for (const auto& camera : simulated::system().cameras) {
      if (camera->id == id) found = camera;
    }
  }
  if (!found) return MK_E_NOOBJECT;
  *ppmk = new simulated::DeviceMoniker(found);
  *pchEaten = static_cast<ULONG>(std::char_traits<OLECHAR>::length(szUserName));
  return S_OK;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
  simulated::recordCall([&] {
    return "CoCreateInstance(" + simulated::guidName(rclsid) + ", " +
           simulated::pointerText(pUnkOuter) + ", " + std::to_string(dwClsContext) + ", " +
           simulated::guidName(riid) + ")";
  });
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (simulated::threadCom.scopes <= 0 && !simulated::threadCom.multithreaded) {
    return CO_E_NOTINITIALIZED;
  }
  if (rclsid != CLSID_SystemDeviceEnum || simulated::failing(simulated::Step::CoCreateInstance)) {
    return REGDB_E_CLASSNOTREG;
  }
  if (pUnkOuter != nullptr) return E_INVALIDARG;
  if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  auto* systemDeviceEnum = new simulated::SystemDeviceEnum();
  const HRESULT hr = systemDeviceEnum->handOut(riid, ppv);
  systemDeviceEnum->drop();
  return hr;
}
