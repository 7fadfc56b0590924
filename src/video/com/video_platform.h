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

using HRESULT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using LPVOID = void*;

inline constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT E_PROP_ID_UNSUPPORTED = static_cast<HRESULT>(0x80070490);
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
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

enum CLSCTX : DWORD { CLSCTX_INPROC_SERVER = 0x1, CLSCTX_INPROC_HANDLER = 0x2 };

enum VideoProcAmpProperty : LONG { VideoProcAmp_Brightness = 0, VideoProcAmp_Contrast = 1 };
enum VideoProcAmpFlags : LONG { VideoProcAmp_Flags_Auto = 0x1, VideoProcAmp_Flags_Manual = 0x2 };

// Objects are destroyed by their own Release(), never through an interface pointer.
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// Never implemented here: callers pass null for the bind context.
struct IBindCtx;

struct IMoniker : IUnknown {
  // Creates a new instance of the object that the moniker names and returns its riidResult
  // interface. pbc and pmkToLeft must be null.
  virtual HRESULT BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult,
                               void** ppvResult) = 0;

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

// The device's image controls, in the device's own units. Values are passed unchanged: the
// device, not the caller, decides whether it rounds or limits them.
struct IAMVideoProcAmp : IUnknown {
  virtual HRESULT GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta,
                           LONG* pDefault, LONG* pCapsFlags) = 0;
  // Flags: VideoProcAmp_Flags_Manual selects manual control of the property.
  virtual HRESULT Set(LONG Property, LONG lValue, LONG Flags) = 0;
  virtual HRESULT Get(LONG Property, LONG* lValue, LONG* Flags) = 0;

 protected:
  ~IAMVideoProcAmp() = default;
};

// Opens a COM scope on the calling thread: S_OK for the first, S_FALSE for a repeated one, each
// to be closed by one CoUninitialize. RPC_E_CHANGED_MODE on a thread in the multithreaded
// apartment, which opens nothing and must not be closed.
HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize();

// The only class served is CLSID_SystemDeviceEnum with IID_ICreateDevEnum; pUnkOuter must be null.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
