#include "wine_devices.h"

#include <sstream>

#include <gtest/gtest.h>

#include "com_ref.h"

namespace {

std::wstring instanceName(int device) {
  return L"kivdshow test device " + std::to_wstring(device);
}

std::wstring modulePath(HMODULE module) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, length);
}

// The test's texts are ASCII.
std::string narrow(const wchar_t* text) {
  std::string result;
  for (; text != nullptr && *text != L'\0'; ++text) result += static_cast<char>(*text);
  return result;
}

void setRegistryText(HKEY key, const wchar_t* name, const std::wstring& text) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

ComRef<IFilterMapper2> filterMapper() {
  ComRef<IFilterMapper2> mapper;
  CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                   mapper.put_void());
  return mapper;
}

std::string readText(IPropertyBag* properties, const wchar_t* name) {
  VARIANT value;
  VariantInit(&value);
  std::string text;
  if (SUCCEEDED(properties->Read(name, &value, nullptr)) && value.vt == VT_BSTR) {
    text = narrow(value.bstrVal);
  }
  VariantClear(&value);
  return text;
}

int deviceOfClass(const std::string& classIdText) {
  for (int device = 0; device < kTestDevices; ++device) {
    wchar_t classId[40];
    StringFromGUID2(*testFilterClassId(device), classId, 40);
    if (narrow(classId) == classIdText) return device;
  }
  return -1;
}

// Loads kivdshow.dll and registers both test devices, once for the whole run.
class WineSystem : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_NE(kivdshowModule(), nullptr) << "kivdshow.dll did not load";
    for (int device = 0; device < kTestDevices; ++device) {
      ASSERT_TRUE(registerDevice(device)) << "test device " << device << " not registered";
    }
  }
  void TearDown() override {
    for (int device = 0; device < kTestDevices; ++device) unregisterDevice(device);
  }
};
const auto* const kWineSystem = ::testing::AddGlobalTestEnvironment(new WineSystem);

}  // namespace

HMODULE kivdshowModule() {
  static const HMODULE module = LoadLibraryW(L"kivdshow.dll");
  return module;
}

bool registerDevice(int device) {
  wchar_t classId[40];
  StringFromGUID2(*testFilterClassId(device), classId, 40);
  const std::wstring classKey = std::wstring(L"CLSID\\") + classId + L"\\InprocServer32";
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, classKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  setRegistryText(key, nullptr, modulePath(GetModuleHandleW(L"test_filter.dll")));
  setRegistryText(key, L"ThreadingModel", L"Both");
  RegCloseKey(key);

  ComOpen com;
  ComRef<IFilterMapper2> mapper = filterMapper();
  if (!mapper) return false;
  REGFILTER2 filter = {};
  filter.dwVersion = 1;
  filter.dwMerit = MERIT_DO_NOT_USE;
  const std::wstring name = instanceName(device);
  return SUCCEEDED(mapper->RegisterFilter(*testFilterClassId(device), name.c_str(), nullptr,
                                          &CLSID_VideoInputDeviceCategory, name.c_str(), &filter));
}

void unregisterDevice(int device) {
  ComOpen com;
  ComRef<IFilterMapper2> mapper = filterMapper();
  if (mapper) {
    mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, instanceName(device).c_str(),
                             *testFilterClassId(device));
  }
}

std::vector<ListedDevice> listedDevices() {
  std::vector<ListedDevice> listed;
  ComOpen com;
  ComRef<ICreateDevEnum> systemDeviceEnum;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, systemDeviceEnum.put_void()))) {
    return listed;
  }
  ComRef<IEnumMoniker> devices;
  if (systemDeviceEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, devices.put(), 0) !=
      S_OK) {
    return listed;
  }
  for (;;) {
    ComRef<IMoniker> device;
    if (devices->Next(1, device.put(), nullptr) != S_OK) return listed;
    ComRef<IPropertyBag> properties;
    if (FAILED(device->BindToStorage(nullptr, nullptr, IID_IPropertyBag, properties.put_void()))) {
      return listed;
    }
    LPOLESTR displayName = nullptr;
    if (FAILED(device->GetDisplayName(nullptr, nullptr, &displayName))) return listed;
    listed.push_back({deviceOfClass(readText(properties.get(), L"CLSID")),
                      readText(properties.get(), L"FriendlyName"), narrow(displayName)});
    CoTaskMemFree(displayName);
  }
}

int firstListedDevice() {
  const std::vector<ListedDevice> listed = listedDevices();
  return listed.empty() ? -1 : listed.front().device;
}

Calls recordedCalls() {
  std::string text(static_cast<std::size_t>(testFilterCalls(nullptr, 0)) + 1, '\0');
  testFilterCalls(text.data(), static_cast<int>(text.size()));
  Calls calls;
  std::istringstream lines(text.c_str());
  for (std::string line; std::getline(lines, line);) calls.push_back(line);
  return calls;
}

TestDevice deviceState(int device) {
  TestDevice state = {};
  testFilterDevice(device, &state);
  return state;
}
