#include "simulated_system.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>

namespace simulated {
namespace {

// Function-local statics: loading the library runs none of this.
struct System {
  std::mutex mutex;
  std::vector<std::shared_ptr<Camera>> cameras;
  std::set<Step> failures;
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

class CaptureFilter final : public Object<IBaseFilter, IAMVideoProcAmp> {
 public:
  explicit CaptureFilter(std::shared_ptr<Camera> camera)
      : Object("Filter[" + camera->name + "]"), camera_(std::move(camera)) {}

  HRESULT handOut(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
      return give(static_cast<IBaseFilter*>(this), ppvObject);
    }
    if (riid == IID_IAMVideoProcAmp && !failing(Step::QueryInterface)) {
      return give(static_cast<IAMVideoProcAmp*>(this), ppvObject);
    }
    return E_NOINTERFACE;
  }

  HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                   LONG* pCapsFlags) override {
    recordCall([&] { return name_ + ".GetRange(" + std::to_string(Property) + ")"; });
    if (!pMin || !pMax || !pSteppingDelta || !pDefault || !pCapsFlags) return E_POINTER;
    if (failing(Step::GetRange)) return E_FAIL;
    std::lock_guard<std::mutex> lock(system().mutex);
    simulated::Property* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    *pMin = property->minimum;
    *pMax = property->maximum;
    *pSteppingDelta = property->steppingDelta;
    *pDefault = property->defaultValue;
    *pCapsFlags = VideoProcAmp_Flags_Auto | VideoProcAmp_Flags_Manual;
    return S_OK;
  }

  HRESULT Set(LONG Property, LONG lValue, LONG Flags) override {
    recordCall([&] {
      return name_ + ".Set(" + std::to_string(Property) + ", " + std::to_string(lValue) + ", " +
             std::to_string(Flags) + ")";
    });
    if (failing(Step::Set)) return E_FAIL;
    std::lock_guard<std::mutex> lock(system().mutex);
    simulated::Property* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    LONG kept = lValue;
    if (camera_->roundsToStep) kept = roundedToStep(*property, kept);
    if (camera_->clampsToRange) kept = clampedToRange(*property, kept);
    property->value = kept;
    if (Flags & VideoProcAmp_Flags_Manual) property->automatic = false;
    if (Flags & VideoProcAmp_Flags_Auto) property->automatic = true;
    return S_OK;
  }

  HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) override {
    recordCall([&] { return name_ + ".Get(" + std::to_string(Property) + ")"; });
    if (lValue == nullptr || Flags == nullptr) return E_POINTER;
    if (failing(Step::Get)) return E_FAIL;
    std::lock_guard<std::mutex> lock(system().mutex);
    simulated::Property* property = find(Property);
    if (property == nullptr) return E_PROP_ID_UNSUPPORTED;
    *lValue = property->value;
    *Flags = property->automatic ? VideoProcAmp_Flags_Auto : VideoProcAmp_Flags_Manual;
    return S_OK;
  }

 private:
  simulated::Property* find(LONG code) {
    if (code < 0 || code >= static_cast<LONG>(camera_->properties.size())) return nullptr;
    simulated::Property& property = camera_->properties[static_cast<std::size_t>(code)];
    return property.present ? &property : nullptr;
  }

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
    if (failing(Step::BindToObject)) return E_FAIL;
    CaptureFilter* filter = new CaptureFilter(camera_);
    const HRESULT hr = filter->handOut(riidResult, ppvResult);
    filter->drop();
    return hr;
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

}  // namespace

Camera builtInCamera() {
  Camera camera;
  camera.name = "Simulated Webcam";
  camera.properties[VideoProcAmp_Brightness] = {true, 0, -64, 64, 1, 0, false};
  camera.properties[VideoProcAmp_Contrast] = {true, 32, 0, 95, 1, 32, false};
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
  for (Camera& camera : cameras) {
    system().cameras.push_back(std::make_shared<Camera>(std::move(camera)));
  }
}

void addCamera(Camera camera) {
  std::lock_guard<std::mutex> lock(system().mutex);
  system().cameras.push_back(std::make_shared<Camera>(std::move(camera)));
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
  system().failures.insert(step);
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
