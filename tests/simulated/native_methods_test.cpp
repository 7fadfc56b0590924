// The four get and set methods on the simulated system: the platform calls they make, in order,
// and what every failure of a platform step leaves behind.
#include <jni.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image_capture_exports.h"
#include "simulated_system.h"

namespace {

using Calls = std::vector<std::string>;

simulated::Camera cameraNamed(const std::string& name, LONG brightness, LONG contrast) {
  simulated::Camera camera;
  camera.name = name;
  camera.properties[VideoProcAmp_Brightness] = {true, brightness, -64, 64, 1, 0, true};
  camera.properties[VideoProcAmp_Contrast] = {true, contrast, 0, 95, 1, 32, false};
  return camera;
}

bool touched(const Calls& calls, const std::string& cameraName) {
  return std::any_of(calls.begin(), calls.end(), [&](const std::string& call) {
    return call.find("[" + cameraName + "]") != std::string::npos;
  });
}

class NativeMethodsTest : public ::testing::Test {
 protected:
  void SetUp() override { twoCameras(); }
  static void twoCameras() {
    simulated::reset();
    simulated::setCameras({cameraNamed("front", 10, 20), cameraNamed("back", 30, 40)});
  }
  void TearDown() override {
    EXPECT_EQ(simulated::liveObjects(), 0) << "a COM object was left alive";
    EXPECT_EQ(simulated::openScopesOnThisThread(), 0) << "COM scopes unbalanced";
    simulated::leaveMultithreadedApartment();
    simulated::reset();
  }
};

const Calls kLookup = {
    "CoInitialize(nullptr)",
    "CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum)",
    "SystemDeviceEnum.CreateClassEnumerator(CLSID_VideoInputDeviceCategory, 0)",
    "EnumMoniker.Next(1)",
    "Moniker[front].BindToObject(nullptr, nullptr, IID_IBaseFilter)",
    "Moniker[front].Release()",
    "EnumMoniker.Release()",
    "SystemDeviceEnum.Release()",
    "Filter[front].QueryInterface(IID_IAMVideoProcAmp)",
    "Filter[front].Release()",
};

Calls lookupThen(const Calls& deviceCalls) {
  Calls calls = kLookup;
  calls.insert(calls.end(), deviceCalls.begin(), deviceCalls.end());
  calls.push_back("Filter[front].Release()");
  calls.push_back("CoUninitialize()");
  return calls;
}

TEST_F(NativeMethodsTest, EachMethodMakesTheFullSequenceOfPlatformCallsOnTheFirstCamera) {
  EXPECT_EQ(Java_quorvane_image_ImageCapture_getBrightness(nullptr, nullptr), 10);
  EXPECT_EQ(simulated::calls(), lookupThen({"Filter[front].Get(0)"}));

  simulated::clearCalls();
  EXPECT_EQ(Java_quorvane_image_ImageCapture_getContrast(nullptr, nullptr), 20);
  EXPECT_EQ(simulated::calls(), lookupThen({"Filter[front].Get(1)"}));

  simulated::clearCalls();
  Java_quorvane_image_ImageCapture_setBrightness(nullptr, nullptr, -7);
  EXPECT_EQ(simulated::calls(), lookupThen({"Filter[front].Set(0, -7, 2)"}));

  simulated::clearCalls();
  Java_quorvane_image_ImageCapture_setContrast(nullptr, nullptr, 1000);
  EXPECT_EQ(simulated::calls(), lookupThen({"Filter[front].Set(1, 1000, 2)"}));

  EXPECT_EQ(simulated::camera(0).properties[VideoProcAmp_Brightness].value, -7);
  EXPECT_FALSE(simulated::camera(0).properties[VideoProcAmp_Brightness].automatic);
  EXPECT_EQ(simulated::camera(0).properties[VideoProcAmp_Contrast].value, 1000);
  EXPECT_EQ(simulated::camera(1).properties[VideoProcAmp_Brightness].value, 30);
}

struct FailedStep {
  const char* name;
  simulated::Step step;
  Calls lastCalls;  // the calls that end the record, after which nothing more is called
};

// A lookup step that fails leaves no video control: a get gives 0, a set reaches no device.
TEST_F(NativeMethodsTest, AFailedLookupStepGivesZeroAndReachesNoDevice) {
  const FailedStep failedSteps[] = {
      {"CoCreateInstance",
       simulated::Step::CoCreateInstance,
       {"CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum)",
        "CoUninitialize()"}},
      {"CreateClassEnumerator",
       simulated::Step::CreateClassEnumerator,
       {"SystemDeviceEnum.CreateClassEnumerator(CLSID_VideoInputDeviceCategory, 0)",
        "SystemDeviceEnum.Release()", "CoUninitialize()"}},
      {"Next",
       simulated::Step::Next,
       {"EnumMoniker.Next(1)", "EnumMoniker.Release()", "SystemDeviceEnum.Release()",
        "CoUninitialize()"}},
      {"BindToObject",
       simulated::Step::BindToObject,
       {"Moniker[front].BindToObject(nullptr, nullptr, IID_IBaseFilter)",
        "Moniker[front].Release()", "EnumMoniker.Release()", "SystemDeviceEnum.Release()",
        "CoUninitialize()"}},
      {"QueryInterface",
       simulated::Step::QueryInterface,
       {"Filter[front].QueryInterface(IID_IAMVideoProcAmp)", "Filter[front].Release()",
        "CoUninitialize()"}},
  };
  for (const FailedStep& failed : failedSteps) {
    SCOPED_TRACE(failed.name);
    twoCameras();
    simulated::fail(failed.step);
    EXPECT_EQ(Java_quorvane_image_ImageCapture_getBrightness(nullptr, nullptr), 0);
    Calls calls = simulated::calls();
    ASSERT_GE(calls.size(), failed.lastCalls.size());
    EXPECT_EQ(Calls(calls.end() - static_cast<long>(failed.lastCalls.size()), calls.end()),
              failed.lastCalls);
    EXPECT_EQ(simulated::liveObjects(), 0);

    simulated::clearCalls();
    Java_quorvane_image_ImageCapture_setBrightness(nullptr, nullptr, 5);
    calls = simulated::calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.find(".Set(") != c.npos; }),
              0);
    EXPECT_EQ(calls.back(), "CoUninitialize()");
    EXPECT_EQ(simulated::camera(0).properties[VideoProcAmp_Brightness].value, 10);
    EXPECT_FALSE(touched(calls, "back"));
    EXPECT_EQ(simulated::liveObjects(), 0);
    EXPECT_EQ(simulated::openScopesOnThisThread(), 0);
  }
}

TEST_F(NativeMethodsTest, FailingDeviceCallsGiveZeroAndReleaseTheControl) {
  simulated::fail(simulated::Step::Get);
  simulated::fail(simulated::Step::Set);
  EXPECT_EQ(Java_quorvane_image_ImageCapture_getContrast(nullptr, nullptr), 0);
  Java_quorvane_image_ImageCapture_setContrast(nullptr, nullptr, 7);
  EXPECT_EQ(simulated::calls(), [] {
    Calls both = lookupThen({"Filter[front].Get(1)"});
    const Calls set = lookupThen({"Filter[front].Set(1, 7, 2)"});
    both.insert(both.end(), set.begin(), set.end());
    return both;
  }());
}

TEST_F(NativeMethodsTest, NoCameraGivesZeroAndReleasesTheEnumerator) {
  simulated::setCameras({});
  EXPECT_EQ(Java_quorvane_image_ImageCapture_getContrast(nullptr, nullptr), 0);
  Java_quorvane_image_ImageCapture_setContrast(nullptr, nullptr, 3);
  EXPECT_EQ(simulated::calls(),
            (Calls{"CoInitialize(nullptr)",
                   "CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum)",
                   "SystemDeviceEnum.CreateClassEnumerator(CLSID_VideoInputDeviceCategory, 0)",
                   "SystemDeviceEnum.Release()", "CoUninitialize()", "CoInitialize(nullptr)",
                   "CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum)",
                   "SystemDeviceEnum.CreateClassEnumerator(CLSID_VideoInputDeviceCategory, 0)",
                   "SystemDeviceEnum.Release()", "CoUninitialize()"}));
}

TEST_F(NativeMethodsTest, FirstCameraFailingToBindLeavesTheSecondUntouched) {
  simulated::fail(simulated::Step::BindToObject);
  EXPECT_EQ(Java_quorvane_image_ImageCapture_getBrightness(nullptr, nullptr), 0);
  Java_quorvane_image_ImageCapture_setBrightness(nullptr, nullptr, 50);
  EXPECT_FALSE(touched(simulated::calls(), "back"));
  EXPECT_EQ(simulated::camera(1).properties[VideoProcAmp_Brightness].value, 30);
}

TEST_F(NativeMethodsTest, AThreadInTheMultithreadedApartmentKeepsIt) {
  simulated::joinMultithreadedApartment();
  EXPECT_EQ(Java_quorvane_image_ImageCapture_getBrightness(nullptr, nullptr), 10);
  Java_quorvane_image_ImageCapture_setContrast(nullptr, nullptr, 64);
  EXPECT_TRUE(simulated::inMultithreadedApartment());
  const Calls calls = simulated::calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "CoUninitialize()"), 0);
  EXPECT_EQ(simulated::camera(0).properties[VideoProcAmp_Contrast].value, 64);
}

TEST_F(NativeMethodsTest, AScopeOpenedByTheCallerStaysOpen) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(Java_quorvane_image_ImageCapture_getBrightness(nullptr, nullptr), 10);
  EXPECT_EQ(simulated::openScopesOnThisThread(), 1);
  CoUninitialize();
}

TEST_F(NativeMethodsTest, ManyCallsLeaveNothingAlive) {
  simulated::setRecording(false);
  for (int i = 0; i < 1000; ++i) {
    Java_quorvane_image_ImageCapture_setBrightness(nullptr, nullptr, i);
    ASSERT_EQ(Java_quorvane_image_ImageCapture_getBrightness(nullptr, nullptr), i);
  }
  EXPECT_EQ(simulated::liveObjects(), 0);
}

}  // namespace
