// The test devices in Wine's own system device enumerator, and kivdshow.dll as a JVM finds it:
// what the Windows tests share. The test program registers both devices once for the whole run.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "test_filter.h"

using Calls = std::vector<std::string>;

// kivdshow.dll, loaded from the program's folder as a JVM loads it from java.library.path.
HMODULE kivdshowModule();

// An export of kivdshow.dll found by its exact name, as the JVM finds it.
template <class Function>
Function exported(const char* name) {
  // Through void(*)(), the one cast between function types that GCC takes without a warning.
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(kivdshowModule(), name)));
}

// COM for the test's own use of the platform, on the calling thread.
class ComOpen {
 public:
  ComOpen() : opened_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComOpen() {
    if (opened_) CoUninitialize();
  }
  ComOpen(const ComOpen&) = delete;
  ComOpen& operator=(const ComOpen&) = delete;

 private:
  bool opened_;
};

// Registers the COM class of the device's filter, then the device in the video input category
// under the friendly name "kivdshow test device <device>".
bool registerDevice(int device);
void unregisterDevice(int device);

// What the platform's enumerator itself lists, in its order: the test device of each entry (-1
// for a device not ours), its friendly name and its display name.
struct ListedDevice {
  int device;
  std::string name;
  std::string displayName;
};
std::vector<ListedDevice> listedDevices();
// The test device that the enumerator lists first; -1 when it lists none of ours.
int firstListedDevice();

// The record of calls made on the devices, one entry each.
Calls recordedCalls();
TestDevice deviceState(int device);
