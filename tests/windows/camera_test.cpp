// The natives of quorvane.image.Camera in kivdshow.dll under Wine: devices named and found again
// through the platform's own enumerator and monikers, every control on our test filters.
#include <windows.h>
#include <dshow.h>
#include <jni.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera_jni.h"
#include "wine_devices.h"

namespace {

using camera_jni::kDone;

camera_jni::Natives cameraNatives() {
  camera_jni::Natives natives;
  natives.listDevices =
      exported<decltype(natives.listDevices)>("Java_quorvane_image_Camera_listDevices");
  natives.getValue = exported<decltype(natives.getValue)>("Java_quorvane_image_Camera_getValue");
  natives.setValue = exported<decltype(natives.setValue)>("Java_quorvane_image_Camera_setValue");
  natives.setAutomatic =
      exported<decltype(natives.setAutomatic)>("Java_quorvane_image_Camera_setAutomatic");
  natives.isAutomatic =
      exported<decltype(natives.isAutomatic)>("Java_quorvane_image_Camera_isAutomatic");
  natives.getRange = exported<decltype(natives.getRange)>("Java_quorvane_image_Camera_getRange");
  natives.getRanges = exported<decltype(natives.getRanges)>("Java_quorvane_image_Camera_getRanges");
  return natives;
}

constexpr LONG kBothModes = VideoProcAmp_Flags_Auto | VideoProcAmp_Flags_Manual;

// Every property present, each with a range of its own and in manual mode.
TestDevice fullDevice(LONG valueOffset) {
  TestDevice device = {};
  device.hasVideoProcAmp = TRUE;
  device.hasCameraControl = TRUE;
  for (LONG i = 0; i < kTestProperties; ++i) {
    device.properties[i] = {TRUE,  valueOffset + i,           -10 * i,   100 + i, i + 1,
                            i / 2, VideoProcAmp_Flags_Manual, kBothModes};
  }
  return device;
}

// How the test filter records a call on the interface that serves the control.
std::string callOn(int device, int control, const std::string& call) {
  const std::string name = "device" + std::to_string(device);
  if (control < kCameraControlsStart) return name + "." + call;
  return name + ".CameraControl." + call;
}
int codeOf(int control) {
  return control < kCameraControlsStart ? control : control - kCameraControlsStart;
}

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(natives_.complete()) << "a Camera native is not exported";
    testFilterSetDevice(0, &devices_[0]);
    testFilterSetDevice(1, &devices_[1]);
    const std::vector<ListedDevice> listed = listedDevices();
    ASSERT_EQ(listed.size(), 2u) << "the enumerator does not list both test devices";
    for (const ListedDevice& entry : listed) ids_[entry.device] = entry.displayName;
    first_ = listed.front().device;
    other_ = 1 - first_;
    testFilterClearCalls();
  }
  void TearDown() override {
    EXPECT_EQ(testFilterLiveInstances(), 0) << "a filter instance was left alive";
    EXPECT_LE(jni_.mostLocalReferences(), 3) << "local references pile up";
  }

  const camera_jni::Natives natives_ = cameraNatives();
  camera_jni::Environment jni_{natives_};
  const TestDevice devices_[kTestDevices] = {fullDevice(0), fullDevice(50)};
  std::string ids_[kTestDevices];
  int first_ = -1;
  int other_ = -1;
};

TEST_F(CameraTest, ListsTheDevicesWithTheEnumeratorsNamesAndDisplayNames) {
  jint status = -1;
  const std::vector<camera_jni::Device> devices = jni_.list(&status);
  EXPECT_EQ(status, kDone);
  std::vector<camera_jni::Device> expected;
  for (const ListedDevice& entry : listedDevices()) {
    expected.push_back({entry.name, entry.displayName});
  }
  EXPECT_EQ(devices, expected);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].name, "kivdshow test device " + std::to_string(first_));
  EXPECT_NE(devices[0].id, devices[1].id);
  EXPECT_EQ(testFilterInstancesMade(0) + testFilterInstancesMade(1), 0) << "listing binds nothing";
}

TEST_F(CameraTest, EveryControlIsReadSetRangedAndSwitchedWithThePlatformsFlags) {
  const std::string& id = ids_[other_];
  for (jint control = 0; control < camera_jni::kControls; ++control) {
    SCOPED_TRACE(control);
    const std::string code = std::to_string(codeOf(control));
    const std::string value = std::to_string(1000 + control);
    jint current = 0;
    EXPECT_EQ(jni_.get(id, control, &current), kDone);
    EXPECT_EQ(current, 50 + control);

    testFilterClearCalls();
    EXPECT_EQ(jni_.set(id, control, 1000 + control), kDone);
    EXPECT_EQ(recordedCalls(),
              Calls{callOn(other_, control, "Set(" + code + ", " + value + ", 2)")});
    camera_jni::Range range{};
    EXPECT_EQ(jni_.range(id, control, &range), kDone);
    EXPECT_EQ(range,
              (camera_jni::Range{-10 * control, 100 + control, control + 1, control / 2, 1}));

    testFilterClearCalls();
    EXPECT_EQ(jni_.setAutomatic(id, control), kDone);
    EXPECT_EQ(recordedCalls(),
              (Calls{callOn(other_, control, "GetRange(" + code + ")"),
                     callOn(other_, control, "Get(" + code + ")"),
                     callOn(other_, control, "Set(" + code + ", " + value + ", 1)")}));
    bool automatic = false;
    EXPECT_EQ(jni_.isAutomatic(id, control, &automatic), kDone);
    EXPECT_TRUE(automatic);
    EXPECT_EQ(jni_.set(id, control, -control), kDone);
    EXPECT_EQ(jni_.isAutomatic(id, control, &automatic), kDone);
    EXPECT_FALSE(automatic);
    EXPECT_EQ(deviceState(other_).properties[control].value, -control);
  }
  EXPECT_EQ(testFilterInstancesMade(first_), 0);
  std::vector<jint> ranges;
  EXPECT_EQ(jni_.ranges(ids_[first_], &ranges), kDone);
  for (jint control = 0; control < camera_jni::kControls; ++control) {
    EXPECT_EQ(ranges[control * 6], 1) << control;
    EXPECT_EQ(ranges[control * 6 + 2], 100 + control) << control;
  }
  EXPECT_EQ(testFilterInstancesMade(first_), 1) << "one lookup for all the ranges";
}

TEST_F(CameraTest, MissingControlsAndModesAreUnsupportedAndNotOffered) {
  TestDevice sparse = fullDevice(0);
  sparse.hasCameraControl = FALSE;
  sparse.properties[VideoProcAmp_Hue].present = FALSE;
  sparse.properties[VideoProcAmp_Gain].capsFlags = VideoProcAmp_Flags_Manual;
  testFilterSetDevice(first_, &sparse);
  const std::string& id = ids_[first_];

  jint value = 0;
  EXPECT_EQ(jni_.get(id, VideoProcAmp_Hue, &value), camera_jni::kUnsupported);
  EXPECT_EQ(jni_.set(id, kCameraControlsStart + CameraControl_Zoom, 1), camera_jni::kUnsupported);
  testFilterClearCalls();
  EXPECT_EQ(jni_.setAutomatic(id, VideoProcAmp_Gain), camera_jni::kUnsupported);
  EXPECT_EQ(recordedCalls(), Calls{"device" + std::to_string(first_) + ".GetRange(9)"});
  bool automatic = true;
  EXPECT_EQ(jni_.isAutomatic(id, VideoProcAmp_Gain, &automatic), kDone);
  EXPECT_FALSE(automatic);

  std::vector<jint> ranges;
  ASSERT_EQ(jni_.ranges(id, &ranges), kDone);
  for (jint control = 0; control < camera_jni::kControls; ++control) {
    const bool offered = control != VideoProcAmp_Hue && control < kCameraControlsStart;
    EXPECT_EQ(ranges[control * 6], offered ? 1 : 0) << control;
  }
  EXPECT_EQ(ranges[VideoProcAmp_Gain * 6 + 5], 0) << "gain has no automatic mode";
  EXPECT_EQ(ranges[VideoProcAmp_Brightness * 6 + 5], 1);
}

TEST_F(CameraTest, TwoDevicesByIdWhileImageCaptureKeepsTheFirst) {
  using GetValue = jint(JNICALL*)(JNIEnv*, jobject);
  const auto getBrightness = exported<GetValue>("Java_quorvane_image_ImageCapture_getBrightness");
  ASSERT_NE(getBrightness, nullptr);
  EXPECT_EQ(jni_.set(ids_[other_], VideoProcAmp_Brightness, 77), kDone);
  EXPECT_EQ(jni_.set(ids_[first_], VideoProcAmp_Brightness, 11), kDone);
  jint value = 0;
  EXPECT_EQ(jni_.get(ids_[other_], VideoProcAmp_Brightness, &value), kDone);
  EXPECT_EQ(value, 77);
  EXPECT_EQ(getBrightness(nullptr, nullptr), 11);
  EXPECT_EQ(testFilterInstancesMade(other_), 2);
  EXPECT_EQ(testFilterInstancesMade(first_), 2);
}

TEST_F(CameraTest, AnUnpluggedDeviceIsNotFoundAndFoundAgainWhenPluggedBack) {
  const std::string id = ids_[other_];
  unregisterDevice(other_);
  jint value = 0;
  EXPECT_EQ(jni_.get(id, VideoProcAmp_Contrast, &value), camera_jni::kNotFound);
  EXPECT_EQ(jni_.set(id, VideoProcAmp_Contrast, 3), camera_jni::kNotFound);
  camera_jni::Range range{};
  EXPECT_EQ(jni_.range(id, VideoProcAmp_Contrast, &range), camera_jni::kNotFound);
  ASSERT_TRUE(registerDevice(other_));
  EXPECT_EQ(jni_.get(id, VideoProcAmp_Contrast, &value), kDone);
  EXPECT_EQ(value, 51);
  EXPECT_EQ(jni_.get("@device:sw:not a device", VideoProcAmp_Contrast, &value),
            camera_jni::kNotFound);
}

TEST_F(CameraTest, TheLibraryTellsTheVersionItWasBuiltAs) {
  using Version = jstring(JNICALL*)(JNIEnv*, jclass);
  const auto version = exported<Version>("Java_quorvane_image_NativeLoader_version");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(camera_jni::Environment::textOf(version(jni_.env(), nullptr)), KIVDSHOW_VERSION);
}

}  // namespace
