// Our COM layer over Video4Linux2. The video input category lists the video capture nodes,
// /dev/videoN in node-number order, found one at a time as Next asks for them; a node's display
// name is its path, its friendly name the driver's card name. Binding a moniker gives a filter
// that owns the node's descriptor, and its two control interfaces map the property codes onto
// V4L2 controls through one table each.
#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "kernel.h"
#include "video_platform.h"

namespace v4l2 {
namespace {

using OleString = std::basic_string<OLECHAR>;

thread_local int openScopes = 0;

// How a property's automatic mode is kept: not at all, as a boolean control, or as the
// exposure menu, whose automatic item is whichever of V4L2_EXPOSURE_AUTO and
// V4L2_EXPOSURE_APERTURE_PRIORITY the camera offers (many webcams offer only the latter).
enum class Automatic { kNone, kBoolean, kExposureMenu };

// The V4L2 control of a property code, and the control that sets it automatically, if any.
// A property with no V4L2 counterpart has value 0.
struct ControlIds {
  __u32 value;
  __u32 automatic = 0;
  Automatic kind = Automatic::kNone;
};

// Indexed by VideoProcAmpProperty.
constexpr ControlIds kVideoProcAmpControls[] = {
    {V4L2_CID_BRIGHTNESS, V4L2_CID_AUTOBRIGHTNESS, Automatic::kBoolean},
    {V4L2_CID_CONTRAST},
    {V4L2_CID_HUE, V4L2_CID_HUE_AUTO, Automatic::kBoolean},
    {V4L2_CID_SATURATION},
    {V4L2_CID_SHARPNESS},
    {V4L2_CID_GAMMA},
    {0},  // VideoProcAmp_ColorEnable
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, Automatic::kBoolean},
    {V4L2_CID_BACKLIGHT_COMPENSATION},
    {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN, Automatic::kBoolean},
};

// Indexed by CameraControlProperty.
constexpr ControlIds kCameraControls[] = {
    {V4L2_CID_PAN_ABSOLUTE},
    {V4L2_CID_TILT_ABSOLUTE},
    {0},  // CameraControl_Roll
    {V4L2_CID_ZOOM_ABSOLUTE},
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, Automatic::kExposureMenu},
    {V4L2_CID_IRIS_ABSOLUTE},
    {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, Automatic::kBoolean},
};

constexpr LONG kAutoFlag = VideoProcAmp_Flags_Auto;
constexpr LONG kManualFlag = VideoProcAmp_Flags_Manual;
static_assert(kAutoFlag == LONG{CameraControl_Flags_Auto} &&
                  kManualFlag == LONG{CameraControl_Flags_Manual},
              "both control interfaces share one meaning of their flags");

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

// A missing control answers EINVAL.
HRESULT unsupportedIfMissing(HRESULT hr) {
  return hr == E_INVALIDARG ? E_PROP_ID_UNSUPPORTED : hr;
}

// The properties of one control interface on an open node. Get reports the automatic mode only
// for a property whose automatic control GetRange has found on this object: finding it costs
// system calls that a plain read of the value should not pay.
template <std::size_t kProperties>
class PropertyTable {
 public:
  explicit PropertyTable(const ControlIds (&ids)[kProperties]) : ids_(ids) {}

  HRESULT getRange(int node, LONG property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta,
                   LONG* pDefault, LONG* pCapsFlags) {
    if (!pMin || !pMax || !pSteppingDelta || !pDefault || !pCapsFlags) return E_POINTER;
    const ControlIds* ids = find(property);
    if (ids == nullptr) return E_PROP_ID_UNSUPPORTED;
    v4l2_queryctrl query;
    HRESULT hr = queryControl(node, ids->value, &query);
    if (FAILED(hr)) return hr;
    *pMin = query.minimum;
    *pMax = query.maximum;
    *pSteppingDelta = query.step;
    *pDefault = query.default_value;
    *pCapsFlags = kManualFlag;
    __s32 automaticOn = 0;
    if (SUCCEEDED(automaticValue(node, *ids, &automaticOn))) {
      automaticOn_[static_cast<std::size_t>(property)] = automaticOn;
      *pCapsFlags |= kAutoFlag;
    }
    return S_OK;
  }

  // Manual: the device's automatic control of the property, where it has one, is switched off
  // first, since a driver refuses manual values while it is on. The value goes unchanged: the
  // driver limits and rounds it as it does. Automatic: the automatic control is switched on.
  HRESULT set(int node, LONG property, LONG lValue, LONG Flags) {
    const ControlIds* ids = find(property);
    if (ids == nullptr) return E_PROP_ID_UNSUPPORTED;
    if (Flags & kAutoFlag) {
      __s32 automaticOn = 0;
      const HRESULT hr = automaticValue(node, *ids, &automaticOn);
      if (FAILED(hr)) return hr;
      v4l2_control automatic = {ids->automatic, automaticOn};
      return ioctlRetrying(node, VIDIOC_S_CTRL, &automatic);
    }
    if (ids->automatic != 0 && (Flags & kManualFlag)) {
      v4l2_control automatic = {ids->automatic,
                                ids->kind == Automatic::kExposureMenu ? V4L2_EXPOSURE_MANUAL : 0};
      const HRESULT hr = ioctlRetrying(node, VIDIOC_S_CTRL, &automatic);
      // A device without the automatic control answers EINVAL; then there is nothing to switch.
      if (FAILED(hr) && hr != E_INVALIDARG) return hr;
    }
    v4l2_control control = {ids->value, lValue};
    const HRESULT hr = ioctlRetrying(node, VIDIOC_S_CTRL, &control);
    // EINVAL also answers for a control the device lacks, which is no rejected value.
    if (hr == E_INVALIDARG) {
      v4l2_queryctrl query;
      const HRESULT found = queryControl(node, ids->value, &query);
      if (found == E_PROP_ID_UNSUPPORTED) return found;
    }
    return hr;
  }

  HRESULT get(int node, LONG property, LONG* lValue, LONG* Flags) {
    if (lValue == nullptr || Flags == nullptr) return E_POINTER;
    const ControlIds* ids = find(property);
    if (ids == nullptr) return E_PROP_ID_UNSUPPORTED;
    v4l2_control control = {ids->value, 0};
    HRESULT hr = ioctlRetrying(node, VIDIOC_G_CTRL, &control);
    if (FAILED(hr)) return unsupportedIfMissing(hr);
    *lValue = control.value;
    *Flags = 0;
    if (automaticOn_[static_cast<std::size_t>(property)] < 0) return S_OK;
    v4l2_control automatic = {ids->automatic, 0};
    hr = ioctlRetrying(node, VIDIOC_G_CTRL, &automatic);
    if (FAILED(hr)) return hr;
    const bool on = ids->kind == Automatic::kExposureMenu
                        ? automatic.value == V4L2_EXPOSURE_AUTO ||
                              automatic.value == V4L2_EXPOSURE_APERTURE_PRIORITY
                        : automatic.value != 0;
    *Flags = on ? kAutoFlag : kManualFlag;
    return S_OK;
  }

 private:
  const ControlIds* find(LONG property) const {
    if (property < 0 || static_cast<std::size_t>(property) >= kProperties) return nullptr;
    const ControlIds* ids = &ids_[property];
    return ids->value == 0 ? nullptr : ids;
  }

  // A missing or disabled control is unsupported.
  static HRESULT queryControl(int node, __u32 id, v4l2_queryctrl* query) {
    std::memset(query, 0, sizeof *query);
    query->id = id;
    const HRESULT hr = ioctlRetrying(node, VIDIOC_QUERYCTRL, query);
    if (FAILED(hr)) return unsupportedIfMissing(hr);
    return (query->flags & V4L2_CTRL_FLAG_DISABLED) ? E_PROP_ID_UNSUPPORTED : S_OK;
  }

  // The value of the property's automatic control that turns automatic mode on.
  static HRESULT automaticValue(int node, const ControlIds& ids, __s32* on) {
    if (ids.kind == Automatic::kNone) return E_PROP_ID_UNSUPPORTED;
    v4l2_queryctrl query;
    const HRESULT hr = queryControl(node, ids.automatic, &query);
    if (FAILED(hr)) return hr;
    if (ids.kind == Automatic::kBoolean) {
      *on = 1;
      return S_OK;
    }
    for (const __s32 item : {V4L2_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY}) {
      v4l2_querymenu menu;
      std::memset(&menu, 0, sizeof menu);
      menu.id = ids.automatic;
      menu.index = static_cast<__u32>(item);
      if (SUCCEEDED(ioctlRetrying(node, VIDIOC_QUERYMENU, &menu))) {
        *on = item;
        return S_OK;
      }
    }
    return E_PROP_ID_UNSUPPORTED;
  }

  const ControlIds (&ids_)[kProperties];
  std::array<__s32, kProperties> automaticOn_ = filled(-1);

  static std::array<__s32, kProperties> filled(__s32 value) {
    std::array<__s32, kProperties> values;
    values.fill(value);
    return values;
  }
};

// A device's capture filter: owns the node's descriptor, serves the video processing amplifier's
// properties itself and the camera control's through a part of its own that shares its count.
class CaptureFilter final : public Object<IBaseFilter, IAMVideoProcAmp> {
 public:
  explicit CaptureFilter(FileDescriptor node) : node_(std::move(node)), cameraControl_(this) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
      return give(static_cast<IBaseFilter*>(this), ppvObject);
    }
    if (riid == IID_IAMVideoProcAmp) return give(static_cast<IAMVideoProcAmp*>(this), ppvObject);
    if (riid == IID_IAMCameraControl) {
      return give(static_cast<IAMCameraControl*>(&cameraControl_), ppvObject);
    }
    return E_NOINTERFACE;
  }

  HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                   LONG* pCapsFlags) override {
    return videoProcAmp_.getRange(node_.get(), Property, pMin, pMax, pSteppingDelta, pDefault,
                                  pCapsFlags);
  }
  HRESULT Set(LONG Property, LONG lValue, LONG Flags) override {
    return videoProcAmp_.set(node_.get(), Property, lValue, Flags);
  }
  HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) override {
    return videoProcAmp_.get(node_.get(), Property, lValue, Flags);
  }

 private:
  class CameraControl final : public IAMCameraControl {
   public:
    explicit CameraControl(CaptureFilter* filter) : filter_(filter) {}
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
      return filter_->QueryInterface(riid, ppvObject);
    }
    ULONG AddRef() override { return filter_->AddRef(); }
    ULONG Release() override { return filter_->Release(); }
    HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                     LONG* pCapsFlags) override {
      return filter_->cameraControls_.getRange(filter_->node_.get(), Property, pMin, pMax,
                                               pSteppingDelta, pDefault, pCapsFlags);
    }
    HRESULT Set(LONG Property, LONG lValue, LONG Flags) override {
      return filter_->cameraControls_.set(filter_->node_.get(), Property, lValue, Flags);
    }
    HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) override {
      return filter_->cameraControls_.get(filter_->node_.get(), Property, lValue, Flags);
    }

   private:
    CaptureFilter* const filter_;
  };

  const FileDescriptor node_;
  PropertyTable<std::size(kVideoProcAmpControls)> videoProcAmp_{kVideoProcAmpControls};
  PropertyTable<std::size(kCameraControls)> cameraControls_{kCameraControls};
  CameraControl cameraControl_;
};

// The card name that the driver reports, as UTF-16; a byte that is not UTF-8 becomes U+FFFD.
OleString cardName(const v4l2_capability& capability) {
  const auto* text = reinterpret_cast<const char*>(capability.card);
  const std::string utf8(text, strnlen(text, sizeof capability.card));
  OleString name;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    char32_t code = length == 1   ? lead
                    : length == 2 ? lead & 0x1F
                    : length == 3 ? lead & 0x0F
                                  : lead & 0x07;
    bool valid = length != 0 && i + length <= utf8.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      name.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      name.push_back(static_cast<OLECHAR>(0xD800 + (code >> 10)));
      name.push_back(static_cast<OLECHAR>(0xDC00 + (code & 0x3FF)));
    } else {
      name.push_back(static_cast<OLECHAR>(code));
    }
    i += length;
  }
  return name;
}

class PropertyBag final : public Object<IPropertyBag> {
 public:
  explicit PropertyBag(OleString friendlyName) : friendlyName_(std::move(friendlyName)) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPropertyBag) {
      return give(static_cast<IPropertyBag*>(this), ppvObject);
    }
    return E_NOINTERFACE;
  }

  HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override {
    if (pszPropName == nullptr || pVar == nullptr) return E_POINTER;
    if (OleString(pszPropName) != OLESTR("FriendlyName")) return E_FAIL;
    pVar->vt = VT_BSTR;
    pVar->bstrVal = SysAllocString(friendlyName_.c_str());
    return pVar->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
  }

 private:
  const OleString friendlyName_;
};

// A capture node, found by the category enumerator (which keeps the descriptor and capability it
// probed the node with, so that nothing is asked of the node twice) or parsed from its path.
class DeviceMoniker final : public Object<IMoniker> {
 public:
  DeviceMoniker(std::string path, FileDescriptor probed, OleString name)
      : path_(std::move(path)), probed_(std::move(probed)), name_(std::move(name)) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown) return give(static_cast<IMoniker*>(this), ppvObject);
    return E_NOINTERFACE;
  }

  // A node reached by its path is checked to be a capture node still.
  HRESULT BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult,
                       void** ppvResult) override {
    if (ppvResult == nullptr) return E_POINTER;
    *ppvResult = nullptr;
    if (pbc != nullptr || pmkToLeft != nullptr) return E_INVALIDARG;
    FileDescriptor node = std::move(probed_);
    if (!node) {
      const HRESULT hr = openCaptureNode(path_, &node, nullptr);
      if (FAILED(hr)) return hr;
    }
    CaptureFilter* filter = new CaptureFilter(std::move(node));
    const HRESULT hr = filter->QueryInterface(riidResult, ppvResult);
    filter->Release();
    return hr;
  }

  HRESULT BindToStorage(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riid, void** ppvObj) override {
    if (ppvObj == nullptr) return E_POINTER;
    *ppvObj = nullptr;
    if (pbc != nullptr || pmkToLeft != nullptr) return E_INVALIDARG;
    if (name_.empty()) {
      FileDescriptor node;
      const HRESULT hr = openCaptureNode(path_, &node, &name_);
      if (FAILED(hr)) return hr;
    }
    PropertyBag* properties = new PropertyBag(name_);
    const HRESULT hr = properties->QueryInterface(riid, ppvObj);
    properties->Release();
    return hr;
  }

  HRESULT GetDisplayName(IBindCtx*, IMoniker* pmkToLeft, LPOLESTR* ppszDisplayName) override {
    if (ppszDisplayName == nullptr) return E_POINTER;
    *ppszDisplayName = nullptr;
    if (pmkToLeft != nullptr) return E_INVALIDARG;
    const OleString path(path_.begin(), path_.end());
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((path.size() + 1) * sizeof(OLECHAR)));
    if (copy == nullptr) return E_OUTOFMEMORY;
    std::copy(path.c_str(), path.c_str() + path.size() + 1, copy);
    *ppszDisplayName = copy;
    return S_OK;
  }

  // Opens a node and checks that it captures video; *name, when asked, receives its card name.
  static HRESULT openCaptureNode(const std::string& path, FileDescriptor* node, OleString* name);

 private:
  const std::string path_;
  FileDescriptor probed_;
  OleString name_;
};

bool isVideoCapture(const v4l2_capability& capability) {
  const __u32 caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) ? capability.device_caps
                                                                      : capability.capabilities;
  return (caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0;
}

HRESULT DeviceMoniker::openCaptureNode(const std::string& path, FileDescriptor* node,
                                       OleString* name) {
  FileDescriptor opened;
  HRESULT hr = openVideoNode(path, &opened);
  if (FAILED(hr)) return hr;
  v4l2_capability capability;
  std::memset(&capability, 0, sizeof capability);
  hr = ioctlRetrying(opened.get(), VIDIOC_QUERYCAP, &capability);
  if (FAILED(hr)) return hr;
  if (!isVideoCapture(capability)) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
  if (name != nullptr) *name = cardName(capability);
  *node = std::move(opened);
  return S_OK;
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
      std::string path = videoNodePath(nodes_[next_++]);
      FileDescriptor node;
      OleString name;
      if (FAILED(DeviceMoniker::openCaptureNode(path, &node, &name))) continue;
      rgelt[fetched++] = new DeviceMoniker(std::move(path), std::move(node), std::move(name));
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

// Only the path of a video node, /dev/videoN, names a device.
HRESULT MkParseDisplayName(IBindCtx* pbc, LPCOLESTR szUserName, ULONG* pchEaten, IMoniker** ppmk) {
  if (szUserName == nullptr || pchEaten == nullptr || ppmk == nullptr) return E_POINTER;
  *ppmk = nullptr;
  *pchEaten = 0;
  if (pbc == nullptr) return E_INVALIDARG;
  const v4l2::OleString name(szUserName);
  const v4l2::OleString prefix = OLESTR("/dev/video");
  const bool digitsOnly = name.size() > prefix.size() && name.size() <= prefix.size() + 6 &&
                          name.compare(0, prefix.size(), prefix) == 0 &&
                          std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()),
                                      name.end(), [](OLECHAR c) { return c >= u'0' && c <= u'9'; });
  if (!digitsOnly) return MK_E_SYNTAX;
  *ppmk = new v4l2::DeviceMoniker(std::string(name.begin(), name.end()), {}, {});
  *pchEaten = static_cast<ULONG>(name.size());
  return S_OK;
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
