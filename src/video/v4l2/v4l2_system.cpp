// Our COM layer over Video4Linux2. The video input category lists the video capture nodes,
// /dev/videoN in node-number order, found one at a time as Next asks for them; binding a moniker
// gives a filter that owns the node's descriptor, and the video control maps the property codes
// onto V4L2 controls.
#include <linux/videodev2.h>

#include <atomic>
#include <cstring>
#include <utility>

#include "kernel.h"
#include "video_platform.h"

namespace v4l2 {
namespace {

thread_local int openScopes = 0;

// The V4L2 control of a property code, and the control that sets it automatically, if any.
struct ControlIds {
  __u32 value;
  __u32 automatic;  // 0: none
};
bool controlIdsOf(LONG property, ControlIds* ids) {
  switch (property) {
    case VideoProcAmp_Brightness:
      *ids = {V4L2_CID_BRIGHTNESS, V4L2_CID_AUTOBRIGHTNESS};
      return true;
    case VideoProcAmp_Contrast:
      *ids = {V4L2_CID_CONTRAST, 0};
      return true;
    default:
      return false;
  }
}

// Reference counting shared by the objects below, each of which implements exactly the
// interfaces it lists.
template <class... Interfaces>
class Object : public Interfaces... {
 public:
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  Object() = default;
  virtual ~Object() = default;

  template <class Interface>
  HRESULT give(Interface* self, void** ppv) {
    AddRef();
    *ppv = self;
    return S_OK;
  }

 private:
  std::atomic<ULONG> references_{1};
};

class CaptureFilter final : public Object<IBaseFilter, IAMVideoProcAmp> {
 public:
  explicit CaptureFilter(FileDescriptor node) : node_(std::move(node)) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
      return give(static_cast<IBaseFilter*>(this), ppvObject);
    }
    if (riid == IID_IAMVideoProcAmp) return give(static_cast<IAMVideoProcAmp*>(this), ppvObject);
    return E_NOINTERFACE;
  }

  // A missing or disabled control has no range.
  HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                   LONG* pCapsFlags) override {
    if (!pMin || !pMax || !pSteppingDelta || !pDefault || !pCapsFlags) return E_POINTER;
    ControlIds ids;
    if (!controlIdsOf(Property, &ids)) return E_PROP_ID_UNSUPPORTED;
    v4l2_queryctrl query;
    std::memset(&query, 0, sizeof query);
    query.id = ids.value;
    const HRESULT hr = ioctlRetrying(node_.get(), VIDIOC_QUERYCTRL, &query);
    if (FAILED(hr)) return hr == E_INVALIDARG ? E_PROP_ID_UNSUPPORTED : hr;
    if (query.flags & V4L2_CTRL_FLAG_DISABLED) return E_PROP_ID_UNSUPPORTED;
    *pMin = query.minimum;
    *pMax = query.maximum;
    *pSteppingDelta = query.step;
    *pDefault = query.default_value;
    *pCapsFlags = VideoProcAmp_Flags_Manual;
    return S_OK;
  }

  // Manual: the device's automatic control of the property, where it has one, is switched off
  // first, since a driver refuses manual values while it is on. The value goes unchanged: the
  // driver limits and rounds it as it does.
  HRESULT Set(LONG Property, LONG lValue, LONG Flags) override {
    ControlIds ids;
    if (!controlIdsOf(Property, &ids)) return E_PROP_ID_UNSUPPORTED;
    if (ids.automatic != 0 && (Flags & (VideoProcAmp_Flags_Manual | VideoProcAmp_Flags_Auto))) {
      v4l2_control automatic = {ids.automatic, (Flags & VideoProcAmp_Flags_Auto) ? 1 : 0};
      const HRESULT hr = ioctlRetrying(node_.get(), VIDIOC_S_CTRL, &automatic);
      // A device without the automatic control answers EINVAL; then there is nothing to switch.
      if (FAILED(hr) && hr != E_INVALIDARG) return hr;
      if (Flags & VideoProcAmp_Flags_Auto) return hr;
    }
    v4l2_control control = {ids.value, lValue};
    return ioctlRetrying(node_.get(), VIDIOC_S_CTRL, &control);
  }

  // *Flags is left 0: V4L2 keeps the automatic mode in a control of its own, and reading it too
  // would double the cost of every get for a value that no caller uses.
  HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) override {
    if (lValue == nullptr || Flags == nullptr) return E_POINTER;
    ControlIds ids;
    if (!controlIdsOf(Property, &ids)) return E_PROP_ID_UNSUPPORTED;
    v4l2_control control = {ids.value, 0};
    const HRESULT hr = ioctlRetrying(node_.get(), VIDIOC_G_CTRL, &control);
    if (FAILED(hr)) return hr;
    *lValue = control.value;
    *Flags = 0;
    return S_OK;
  }

 private:
  const FileDescriptor node_;
};

// A capture node found by the category enumerator. It keeps the descriptor it was probed with,
// so that binding does not open the node a second time.
class DeviceMoniker final : public Object<IMoniker> {
 public:
  DeviceMoniker(std::string path, FileDescriptor probed)
      : path_(std::move(path)), probed_(std::move(probed)) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown) return give(static_cast<IMoniker*>(this), ppvObject);
    return E_NOINTERFACE;
  }

  HRESULT BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult,
                       void** ppvResult) override {
    if (ppvResult == nullptr) return E_POINTER;
    *ppvResult = nullptr;
    if (pbc != nullptr || pmkToLeft != nullptr) return E_INVALIDARG;
    FileDescriptor node = std::move(probed_);
    if (!node) {
      const HRESULT hr = openVideoNode(path_, &node);
      if (FAILED(hr)) return hr;
    }
    CaptureFilter* filter = new CaptureFilter(std::move(node));
    const HRESULT hr = filter->QueryInterface(riidResult, ppvResult);
    filter->Release();
    return hr;
  }

 private:
  const std::string path_;
  FileDescriptor probed_;
};

bool isVideoCapture(const v4l2_capability& capability) {
  const __u32 caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) ? capability.device_caps
                                                                      : capability.capabilities;
  return (caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0;
}

class MonikerEnumerator final : public Object<IEnumMoniker> {
 public:
  explicit MonikerEnumerator(std::vector<unsigned> nodes) : nodes_(std::move(nodes)) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown) return give(static_cast<IEnumMoniker*>(this), ppvObject);
    return E_NOINTERFACE;
  }

  // Probes nodes only as far as the celt-th capture node. A node that cannot be opened cannot
  // show its kind, so it is not listed.
  HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override {
    if (rgelt == nullptr) return E_POINTER;
    ULONG fetched = 0;
    while (fetched < celt && next_ < nodes_.size()) {
      const std::string path = videoNodePath(nodes_[next_++]);
      FileDescriptor node;
      if (FAILED(openVideoNode(path, &node))) continue;
      v4l2_capability capability;
      std::memset(&capability, 0, sizeof capability);
      if (FAILED(ioctlRetrying(node.get(), VIDIOC_QUERYCAP, &capability)) ||
          !isVideoCapture(capability)) {
        continue;
      }
      rgelt[fetched++] = new DeviceMoniker(path, std::move(node));
    }
    for (ULONG empty = fetched; empty < celt; ++empty) rgelt[empty] = nullptr;
    if (pceltFetched != nullptr) *pceltFetched = fetched;
    return fetched == celt ? S_OK : S_FALSE;
  }

 private:
  const std::vector<unsigned> nodes_;
  std::size_t next_ = 0;
};

class SystemDeviceEnum final : public Object<ICreateDevEnum> {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_ICreateDevEnum) {
      return give(static_cast<ICreateDevEnum*>(this), ppvObject);
    }
    return E_NOINTERFACE;
  }

  // Empty when /dev holds no video node at all.
  HRESULT CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                DWORD) override {
    if (ppEnumMoniker == nullptr) return E_POINTER;
    *ppEnumMoniker = nullptr;
    if (clsidDeviceClass != CLSID_VideoInputDeviceCategory) return S_FALSE;
    std::vector<unsigned> nodes = videoNodeNumbers();
    if (nodes.empty()) return S_FALSE;
    *ppEnumMoniker = new MonikerEnumerator(std::move(nodes));
    return S_OK;
  }
};

}  // namespace
}  // namespace v4l2

// V4L2 has no apartments: a scope only counts, so that the opens and closes pair up as on COM.
HRESULT CoInitialize(LPVOID) {
  return v4l2::openScopes++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (v4l2::openScopes > 0) --v4l2::openScopes;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != CLSID_SystemDeviceEnum || (dwClsContext & CLSCTX_INPROC_SERVER) == 0) {
    return REGDB_E_CLASSNOTREG;
  }
  if (pUnkOuter != nullptr) return E_INVALIDARG;
  auto* systemDeviceEnum = new v4l2::SystemDeviceEnum();
  const HRESULT hr = systemDeviceEnum->QueryInterface(riid, ppv);
  systemDeviceEnum->Release();
  return hr;
}
