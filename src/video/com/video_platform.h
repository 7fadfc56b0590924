// Our own COM layer for systems without COM: the part of the COM runtime and of DirectShow's
// capture interfaces that the bridge and the lookup call, spelled as Windows spells it, so that
// the same code compiles against <windows.h>/<dshow.h> on Windows and against this header
// elsewhere. Exactly one backend (simulated, v4l2) defines the functions and classes behind it.
//
// The rules are COM's own:
// - Every interface pointer handed out carries one counted reference that the receiver owns and
//   ends with Release(); an out-pointer is set to null whenever the call does not hand one out.
// - An object lives until its last reference is released.
// - A failed HRESULT (negative) means that the call did nothing; out-values are then unspecified.
#pragma once

#include <cstdint>
#include <cstddef>

using HRESULT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using LPVOID = void*;
// Text is UTF-16, as on Windows, so that it passes to and from Java unchanged.
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;
#define OLESTR(text) u##text

inline constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

inline constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
  return static_cast<HRESULT>((error & 0xFFFF) | 0x80070000u);
}
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_BUSY = 170;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;
inline constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT E_PROP_ID_UNSUPPORTED = static_cast<HRESULT>(0x80070490);
inline constexpr HRESULT E_PROP_SET_UNSUPPORTED = static_cast<HRESULT>(0x80070492);
inline constexpr HRESULT MK_E_SYNTAX = static_cast<HRESULT>(0x800401E4);
inline constexpr HRESULT MK_E_NOOBJECT = static_cast<HRESULT>(0x800401E5);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
inline constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106);

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr bool operator==(const GUID& a, const GUID& b) {
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3;
}
inline constexpr bool operator!=(const GUID& a, const GUID& b) {
  return !(a == b);
}

inline constexpr CLSID CLSID_SystemDeviceEnum = {
    0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr IID IID_ICreateDevEnum = {
    0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr CLSID CLSID_VideoInputDeviceCategory = {
    0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr IID IID_IBaseFilter = {
    0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IAMVideoProcAmp = {
    0xC6E13360, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
inline constexpr IID IID_IAMCameraControl = {
    0xC6E13370, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
inline constexpr IID IID_IPropertyBag = {
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

enum CLSCTX : DWORD { CLSCTX_INPROC_SERVER = 0x1, CLSCTX_INPROC_HANDLER = 0x2 };

enum VideoProcAmpProperty : LONG {
  VideoProcAmp_Brightness = 0,
  VideoProcAmp_Contrast = 1,
  VideoProcAmp_Hue = 2,
  VideoProcAmp_Saturation = 3,
  VideoProcAmp_Sharpness = 4,
  VideoProcAmp_Gamma = 5,
  VideoProcAmp_ColorEnable = 6,
  VideoProcAmp_WhiteBalance = 7,
  VideoProcAmp_BacklightCompensation = 8,
  VideoProcAmp_Gain = 9,
};
enum VideoProcAmpFlags : LONG { VideoProcAmp_Flags_Auto = 0x1, VideoProcAmp_Flags_Manual = 0x2 };

enum CameraControlProperty : LONG {
  CameraControl_Pan = 0,
  CameraControl_Tilt = 1,
  CameraControl_Roll = 2,
  CameraControl_Zoom = 3,
  CameraControl_Exposure = 4,
  CameraControl_Iris = 5,
  CameraControl_Focus = 6,
};
enum CameraControlFlags : LONG { CameraControl_Flags_Auto = 0x1, CameraControl_Flags_Manual = 0x2 };

// A string of COM's allocator; a null BSTR is the empty string.
BSTR SysAllocString(LPCOLESTR text);
void SysFreeString(BSTR text);
LPVOID CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(LPVOID memory);

// The one kind of VARIANT used here: empty, or a string that the VARIANT owns.
using VARTYPE = std::uint16_t;
enum VARENUM : VARTYPE { VT_EMPTY = 0, VT_BSTR = 8 };
struct VARIANT {
  VARTYPE vt;
  BSTR bstrVal;
};
void VariantInit(VARIANT* variant);
HRESULT VariantClear(VARIANT* variant);

// Objects are destroyed by their own Release(), never through an interface pointer.
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// A bind context: what COM carries from one step of a moniker's binding to the next. Ours
// carries nothing.
struct IBindCtx : IUnknown {
 protected:
  ~IBindCtx() = default;
};
HRESULT CreateBindCtx(DWORD reserved, IBindCtx** ppbc);

// Never implemented here: reading a property bag logs no errors.
struct IErrorLog;

// A device's descriptive properties; "FriendlyName" is the name to show a person.
struct IPropertyBag : IUnknown {
  // Reads a string property into *pVar (VT_BSTR, owned by the caller, cleared with
  // VariantClear); a property the device lacks fails with E_FAIL.
  virtual HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) = 0;

 protected:
  ~IPropertyBag() = default;
};

struct IMoniker : IUnknown {
  // Creates a new instance of the object that the moniker names and returns its riidResult
  // interface. pbc and pmkToLeft must be null.
  virtual HRESULT BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult,
                               void** ppvResult) = 0;
  // The device's properties, as IID_IPropertyBag. pbc and pmkToLeft must be null.
  virtual HRESULT BindToStorage(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riid, void** ppvObj) = 0;
  // The name under which MkParseDisplayName finds the device again while it is plugged in:
  // a new string of CoTaskMemAlloc's, for the caller to free with CoTaskMemFree.
  virtual HRESULT GetDisplayName(IBindCtx* pbc, IMoniker* pmkToLeft, LPOLESTR* ppszDisplayName) = 0;

 protected:
  ~IMoniker() = default;
};

struct IEnumMoniker : IUnknown {
  // Hands out up to celt monikers; S_OK when exactly celt were delivered, S_FALSE when fewer
  // (at the end of the list). *pceltFetched, when given, receives the number delivered.
  virtual HRESULT Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) = 0;

 protected:
  ~IEnumMoniker() = default;
};

struct ICreateDevEnum : IUnknown {
  // An enumerator over the devices of a category. An empty category answers S_FALSE and leaves
  // *ppEnumMoniker null.
  virtual HRESULT CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                        DWORD dwFlags) = 0;

 protected:
  ~ICreateDevEnum() = default;
};

// A device's capture filter. The lookup only asks it for its video control.
struct IBaseFilter : IUnknown {
 protected:
  ~IBaseFilter() = default;
};

// The device's image controls (VideoProcAmpProperty), in the device's own units. Values are
// passed unchanged: the device, not the caller, decides whether it rounds or limits them. A
// property the device lacks fails with E_PROP_ID_UNSUPPORTED.
struct IAMVideoProcAmp : IUnknown {
  // *pCapsFlags: the modes the property offers, VideoProcAmp_Flags_Auto and/or _Manual.
  virtual HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta,
                           LONG* pDefault, LONG* pCapsFlags) = 0;
  // Flags: VideoProcAmp_Flags_Manual sets lValue in manual mode; VideoProcAmp_Flags_Auto hands
  // the property to the device's automatic mode.
  virtual HRESULT Set(LONG Property, LONG lValue, LONG Flags) = 0;
  // *Flags: the property's mode, VideoProcAmp_Flags_Auto or _Manual. The V4L2 backend keeps the
  // mode in a control of its own and reads it only once GetRange on the same object has found
  // that control; until then *Flags is 0, so that a plain read costs one system call.
  virtual HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) = 0;

 protected:
  ~IAMVideoProcAmp() = default;
};

// The device's camera controls (CameraControlProperty), on the same terms as IAMVideoProcAmp,
// with the CameraControl_Flags_ flags.
struct IAMCameraControl : IUnknown {
  virtual HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta,
                           LONG* pDefault, LONG* pCapsFlags) = 0;
  virtual HRESULT Set(LONG Property, LONG lValue, LONG Flags) = 0;
  virtual HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) = 0;

 protected:
  ~IAMCameraControl() = default;
};

// Opens a COM scope on the calling thread: S_OK for the first, S_FALSE for a repeated one, each
// to be closed by one CoUninitialize. RPC_E_CHANGED_MODE on a thread in the multithreaded
// apartment, which opens nothing and must not be closed.
HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize();

// A moniker for the device whose display name (IMoniker::GetDisplayName) is szUserName;
// MK_E_SYNTAX for a name that cannot be a device's. The device itself is reached only when the
// moniker is bound. *pchEaten receives the number of characters read.
HRESULT MkParseDisplayName(IBindCtx* pbc, LPCOLESTR szUserName, ULONG* pchEaten, IMoniker** ppmk);

// The only class served is CLSID_SystemDeviceEnum with IID_ICreateDevEnum; pUnkOuter must be null.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
