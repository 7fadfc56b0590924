// kivdshow.dll under Wine, through the platform's own system device enumerator, with our test
// capture filters registered as the video input devices. The five exports are called as the JVM
// calls them: found by GetProcAddress under their exact names.
#include <windows.h>
#include <dshow.h>
#include <jni.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "recording_jni.h"
#include "wine_devices.h"

namespace {

using recording_jni::Fields;

using GetValue = jint(JNICALL*)(JNIEnv*, jobject);
using SetValue = void(JNICALL*)(JNIEnv*, jobject, jint);
using GetProperties = jobject(JNICALL*)(JNIEnv*, jobject);

struct Exports {
  GetValue getBrightness = nullptr;
  GetValue getContrast = nullptr;
  SetValue setBrightness = nullptr;
  SetValue setContrast = nullptr;
  GetProperties getCaptureProperties = nullptr;
};
Exports kivdshow;

constexpr LONG kBothModes = VideoProcAmp_Flags_Auto | VideoProcAmp_Flags_Manual;

TestDevice deviceWith(LONG brightness, LONG contrast) {
  TestDevice device = {};
  device.hasVideoProcAmp = TRUE;
  device.properties[VideoProcAmp_Brightness] = {
      TRUE, brightness, -64, 64, 1, 0, VideoProcAmp_Flags_Auto, kBothModes};
  device.properties[VideoProcAmp_Contrast] = {
      TRUE, contrast, 0, 95, 1, 32, VideoProcAmp_Flags_Manual, kBothModes};
  return device;
}

// kivdshow.dll's exports, found once for the whole run.
class ImageCaptureExports : public ::testing::Environment {
 public:
  void SetUp() override {
    kivdshow.getBrightness = exported<GetValue>("Java_quorvane_image_ImageCapture_getBrightness");
    kivdshow.getContrast = exported<GetValue>("Java_quorvane_image_ImageCapture_getContrast");
    kivdshow.setBrightness = exported<SetValue>("Java_quorvane_image_ImageCapture_setBrightness");
    kivdshow.setContrast = exported<SetValue>("Java_quorvane_image_ImageCapture_setContrast");
    kivdshow.getCaptureProperties =
        exported<GetProperties>("Java_quorvane_image_ImageCapture_getCaptureProperties");
  }
};
const auto* const kImageCaptureExports =
    ::testing::AddGlobalTestEnvironment(new ImageCaptureExports);

class DshowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(kivdshow.getBrightness, nullptr);
    ASSERT_NE(kivdshow.getContrast, nullptr);
    ASSERT_NE(kivdshow.setBrightness, nullptr);
    ASSERT_NE(kivdshow.setContrast, nullptr);
    ASSERT_NE(kivdshow.getCaptureProperties, nullptr);
    testFilterSetDevice(0, &devices_[0]);
    testFilterSetDevice(1, &devices_[1]);
    first_ = firstListedDevice();
    ASSERT_GE(first_, 0) << "the enumerator does not list a test device first";
    other_ = 1 - first_;
    testFilterClearCalls();
  }
  void TearDown() override {
    EXPECT_EQ(testFilterLiveInstances(), 0) << "a filter instance was left alive";
  }

  std::string device(int index) const { return "device" + std::to_string(index); }

  const TestDevice devices_[kTestDevices] = {deviceWith(10, 20), deviceWith(30, 40)};
  int first_ = -1;
  int other_ = -1;
};

TEST_F(DshowTest, ValuesPassUnchangedToTheFirstListedDeviceWithTheManualFlag) {
  for (const jint value : {0, 5, -1, 64, 65, -65, 1000000, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(value);
    testFilterClearCalls();
    kivdshow.setBrightness(nullptr, nullptr, value);
    kivdshow.setContrast(nullptr, nullptr, value);
    EXPECT_EQ(kivdshow.getBrightness(nullptr, nullptr), value);
    EXPECT_EQ(kivdshow.getContrast(nullptr, nullptr), value);
    const std::string self = device(first_);
    const std::string v = std::to_string(value);
    EXPECT_EQ(recordedCalls(),
              (Calls{self + ".Set(0, " + v + ", 2)", self + ".Set(1, " + v + ", 2)",
                     self + ".Get(0)", self + ".Get(1)"}));
    EXPECT_EQ(testFilterInstancesMade(first_), 4) << "one lookup per call";
    EXPECT_EQ(testFilterInstancesMade(other_), 0);
  }
  const TestDevice used = deviceState(first_);
  EXPECT_EQ(used.properties[VideoProcAmp_Brightness].flags, VideoProcAmp_Flags_Manual);
  const TestDevice untouched = deviceState(other_);
  EXPECT_EQ(untouched.properties[VideoProcAmp_Brightness].value,
            devices_[other_].properties[VideoProcAmp_Brightness].value);
}

TEST_F(DshowTest, CapturePropertiesFillsAllEightFieldsInOrder) {
  TestDevice odd = deviceWith(0, 0);
  odd.properties[VideoProcAmp_Brightness] = {TRUE, 0, -100, -20, 7, -50, 0, kBothModes};
  odd.properties[VideoProcAmp_Contrast] = {TRUE, 0, 90, 10, 3, 0, 0, kBothModes};
  testFilterSetDevice(first_, &odd);
  recording_jni::Environment jni([](const std::string& call) { testFilterRecord(call.c_str()); });

  const jobject result = kivdshow.getCaptureProperties(jni.env(), nullptr);
  ASSERT_NE(result, nullptr);
  Calls expected = recording_jni::objectConstruction();
  const std::string self = device(first_);
  for (const std::string& call :
       {self + ".GetRange(0)", std::string("JNI.SetIntField(minBrightness, -100)"),
        std::string("JNI.SetIntField(maxBrightness, -20)"),
        std::string("JNI.SetIntField(steppingDeltaBrightness, 7)"),
        std::string("JNI.SetIntField(defaultBrightness, -50)"), self + ".GetRange(1)",
        std::string("JNI.SetIntField(minContrast, 90)"),
        std::string("JNI.SetIntField(maxContrast, 10)"),
        std::string("JNI.SetIntField(steppingDeltaContrast, 3)"),
        std::string("JNI.SetIntField(defaultContrast, 0)")}) {
    expected.push_back(call);
  }
  EXPECT_EQ(recordedCalls(), expected);
  EXPECT_EQ(jni.fieldsOf(result), (Fields{{"minBrightness", -100},
                                          {"maxBrightness", -20},
                                          {"steppingDeltaBrightness", 7},
                                          {"defaultBrightness", -50},
                                          {"minContrast", 90},
                                          {"maxContrast", 10},
                                          {"steppingDeltaContrast", 3},
                                          {"defaultContrast", 0}}));
  EXPECT_EQ(testFilterInstancesMade(first_), 1);
  EXPECT_EQ(testFilterInstancesMade(other_), 0);
}

TEST_F(DshowTest, AnEmptyCategoryGivesZerosAndAnObjectAsConstructed) {
  for (int device = 0; device < kTestDevices; ++device) unregisterDevice(device);
  EXPECT_EQ(firstListedDevice(), -1);
  recording_jni::Environment jni([](const std::string&) {});

  EXPECT_EQ(kivdshow.getBrightness(nullptr, nullptr), 0);
  EXPECT_EQ(kivdshow.getContrast(nullptr, nullptr), 0);
  kivdshow.setBrightness(nullptr, nullptr, 1);
  kivdshow.setContrast(nullptr, nullptr, 1);
  const jobject result = kivdshow.getCaptureProperties(jni.env(), nullptr);

  for (int device = 0; device < kTestDevices; ++device) registerDevice(device);
  ASSERT_NE(result, nullptr);
  for (const auto& [field, value] : jni.fieldsOf(result)) {
    EXPECT_EQ(value, recording_jni::kConstructed) << field;
  }
  EXPECT_EQ(recordedCalls(), Calls{});
  EXPECT_EQ(testFilterInstancesMade(0) + testFilterInstancesMade(1), 0);
}

TEST_F(DshowTest, AFilterWithoutVideoControlGivesZeroAndIsReleased) {
  TestDevice noControl = deviceWith(10, 20);
  noControl.hasVideoProcAmp = FALSE;
  testFilterSetDevice(first_, &noControl);
  recording_jni::Environment jni([](const std::string&) {});
  EXPECT_EQ(kivdshow.getBrightness(nullptr, nullptr), 0);
  kivdshow.setContrast(nullptr, nullptr, 3);
  const jobject result = kivdshow.getCaptureProperties(jni.env(), nullptr);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(jni.fieldsOf(result).at("maxContrast"), recording_jni::kConstructed);
  EXPECT_EQ(testFilterInstancesMade(first_), 3);
  EXPECT_EQ(testFilterInstancesMade(other_), 0);
}

// Whether the calling thread is in COM, and in which apartment, after the calls.
APTTYPE apartmentAfterCalls(DWORD coinit, bool openFirst) {
  APTTYPE type = APTTYPE_CURRENT;
  std::thread caller([&] {
    if (openFirst) CoInitializeEx(nullptr, coinit);
    recording_jni::Environment jni([](const std::string&) {});
    kivdshow.setBrightness(nullptr, nullptr, -5);
    kivdshow.getBrightness(nullptr, nullptr);
    kivdshow.getCaptureProperties(jni.env(), nullptr);
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) type = APTTYPE_CURRENT;
    if (openFirst) CoUninitialize();
  });
  caller.join();
  return type;
}

TEST_F(DshowTest, TheCallingThreadsApartmentIsLeftAsItWas) {
  EXPECT_EQ(apartmentAfterCalls(COINIT_MULTITHREADED, true), APTTYPE_MTA);
  const APTTYPE singleThreaded = apartmentAfterCalls(COINIT_APARTMENTTHREADED, true);
  EXPECT_TRUE(singleThreaded == APTTYPE_STA || singleThreaded == APTTYPE_MAINSTA) << singleThreaded;
  // APTTYPE_CURRENT here: CoGetApartmentType found no COM left open on the thread.
  EXPECT_EQ(apartmentAfterCalls(COINIT_APARTMENTTHREADED, false), APTTYPE_CURRENT);
  EXPECT_EQ(deviceState(first_).properties[VideoProcAmp_Brightness].value, -5);
  EXPECT_EQ(testFilterInstancesMade(first_), 9);
}

}  // namespace
