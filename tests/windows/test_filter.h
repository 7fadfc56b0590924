// A capture filter of our own for the Windows tests: a COM class with IBaseFilter,
// IAMVideoProcAmp and IAMCameraControl, served by test_filter.dll under one class identifier per
// test device, so that Wine's system device enumerator lists and binds it like a camera. The test
// steers the devices and reads what happened to them through the functions below.
#pragma once

#include <windows.h>
#include <dshow.h>

#ifdef KIVDSHOW_TEST_FILTER_BUILD
#define TEST_FILTER_API extern "C" __declspec(dllexport)
#else
#define TEST_FILTER_API extern "C" __declspec(dllimport)
#endif

constexpr int kTestDevices = 2;
// A device's properties: the video processing amplifier's by their codes, then the camera
// control's by their codes after those.
constexpr int kCameraControlsStart = VideoProcAmp_Gain + 1;
constexpr int kTestProperties = kCameraControlsStart + CameraControl_Focus + 1;

// The automatic and manual flags have the same values on both interfaces.
static_assert(static_cast<int>(VideoProcAmp_Flags_Auto) == CameraControl_Flags_Auto &&
              static_cast<int>(VideoProcAmp_Flags_Manual) == CameraControl_Flags_Manual);

struct TestProperty {
  BOOL present;  // a missing property fails Get, Set and GetRange
  LONG value;
  LONG minimum;
  LONG maximum;
  LONG steppingDelta;
  LONG defaultValue;
  LONG flags;      // what Get reports and Set stores: the automatic or the manual flag
  LONG capsFlags;  // what GetRange reports: the modes the property offers
};

struct TestDevice {
  TestProperty properties[kTestProperties];
  BOOL hasVideoProcAmp;   // false: QueryInterface(IID_IAMVideoProcAmp) fails
  BOOL hasCameraControl;  // false: QueryInterface(IID_IAMCameraControl) fails
};

TEST_FILTER_API const CLSID* testFilterClassId(int device);
TEST_FILTER_API void testFilterSetDevice(int device, const TestDevice* state);
TEST_FILTER_API void testFilterDevice(int device, TestDevice* state);
// Filter instances now alive, of both devices.
TEST_FILTER_API LONG testFilterLiveInstances();
// Filter instances made for a device since the last testFilterClearCalls.
TEST_FILTER_API LONG testFilterInstancesMade(int device);
// Appends an entry to the record of calls made on the devices' controls, e.g.
// "device0.Set(0, 40, 2)" on the video processing amplifier or "device0.CameraControl.Get(4)";
// the tests add their own entries (JNI calls) to show the order.
TEST_FILTER_API void testFilterRecord(const char* entry);
// Copies the record, one entry a line, into buffer; returns the length it needs.
TEST_FILTER_API int testFilterCalls(char* buffer, int size);
TEST_FILTER_API void testFilterClearCalls();
