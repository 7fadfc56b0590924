// A capture filter of our own for the Windows tests: a COM class with IBaseFilter and
// IAMVideoProcAmp, served by test_filter.dll under one class identifier per test device, so that
// Wine's system device enumerator lists and binds it like a camera. The test steers the devices
// and reads what happened to them through the functions below.
#pragma once

#include <windows.h>
#include <dshow.h>

#ifdef KIVDSHOW_TEST_FILTER_BUILD
#define TEST_FILTER_API extern "C" __declspec(dllexport)
#else
#define TEST_FILTER_API extern "C" __declspec(dllimport)
#endif

constexpr int kTestDevices = 2;

struct TestProperty {
  BOOL present;  // a missing property fails Get, Set and GetRange
  LONG value;
  LONG minimum;
  LONG maximum;
  LONG steppingDelta;
  LONG defaultValue;
  LONG flags;  // what Get reports: VideoProcAmp_Flags_Auto or VideoProcAmp_Flags_Manual
};

struct TestDevice {
  TestProperty properties[2];  // indexed by VideoProcAmp_Brightness, VideoProcAmp_Contrast
  BOOL hasVideoProcAmp;        // false: QueryInterface(IID_IAMVideoProcAmp) fails
};

TEST_FILTER_API const CLSID* testFilterClassId(int device);
TEST_FILTER_API void testFilterSetDevice(int device, const TestDevice* state);
TEST_FILTER_API void testFilterDevice(int device, TestDevice* state);
// Filter instances now alive, of both devices.
TEST_FILTER_API LONG testFilterLiveInstances();
// Filter instances made for a device since the last testFilterClearCalls.
TEST_FILTER_API LONG testFilterInstancesMade(int device);
// Appends an entry to the record of calls made on the devices' video controls, e.g.
// "device0.Set(0, 40, 2)"; the tests add their own entries (JNI calls) to show the order.
TEST_FILTER_API void testFilterRecord(const char* entry);
// Copies the record, one entry a line, into buffer; returns the length it needs.
TEST_FILTER_API int testFilterCalls(char* buffer, int size);
TEST_FILTER_API void testFilterClearCalls();
