// The natives of quorvane.image.Camera on the simulated system, called as Java calls them: what
// the sanitizer builds run to catch bad memory use and leaks in the camera calls, on their
// successful paths and on every failing platform step.
#include <jni.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera_exports.h"
#include "simulated_system.h"

namespace {

using camera_jni::kDone;

// Every control present and offering both modes, with values of its own.
simulated::Camera everyControl(const std::string& name) {
  simulated::Camera camera;
  camera.name = name;
  for (std::size_t control = 0; control < simulated::kControls; ++control) {
    const LONG i = static_cast<LONG>(control);
    camera.properties[control] = {true, i, -i, 100 + i, 1, i, false, true};
  }
  return camera;
}

class CameraNativesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    simulated::reset();
    simulated::setCameras({simulated::builtInCamera(), everyControl("full")});
  }
  void TearDown() override {
    EXPECT_EQ(simulated::liveObjects(), 0) << "a COM object was left alive";
    EXPECT_EQ(simulated::openScopesOnThisThread(), 0) << "COM scopes unbalanced";
    EXPECT_LE(jni_.mostLocalReferences(), 3) << "local references pile up";
    simulated::reset();
  }

  camera_jni::Environment jni_{linkedCameraNatives()};
};

TEST_F(CameraNativesTest, EveryCallOnEveryControlOfEachCameraById) {
  jint status = -1;
  const std::vector<camera_jni::Device> devices = jni_.list(&status);
  ASSERT_EQ(status, kDone);
  ASSERT_EQ(devices, (std::vector<camera_jni::Device>{{"Simulated Webcam", "simulated:webcam"},
                                                      {"full", "simulated:full"}}));
  for (const camera_jni::Device& device : devices) {
    SCOPED_TRACE(device.id);
    for (jint control = 0; control < camera_jni::kControls; ++control) {
      SCOPED_TRACE(control);
      const bool present = simulated::camera(&device == &devices[0] ? 0 : 1)
                               .properties[static_cast<std::size_t>(control)]
                               .present;
      const jint expected = present ? kDone : camera_jni::kUnsupported;
      EXPECT_EQ(jni_.set(device.id, control, 7 + control), expected);
      jint value = -1;
      EXPECT_EQ(jni_.get(device.id, control, &value), expected);
      if (present) {
        EXPECT_EQ(value, 7 + control);
      }
      camera_jni::Range range{};
      EXPECT_EQ(jni_.range(device.id, control, &range), expected);
      bool automatic = true;
      EXPECT_EQ(jni_.isAutomatic(device.id, control, &automatic), expected);
      EXPECT_FALSE(automatic && present);
      if (present && range[4] == 1) {
        EXPECT_EQ(jni_.setAutomatic(device.id, control), kDone);
        EXPECT_EQ(jni_.isAutomatic(device.id, control, &automatic), kDone);
        EXPECT_TRUE(automatic);
      }
    }
    std::vector<jint> ranges;
    EXPECT_EQ(jni_.ranges(device.id, &ranges), kDone);
  }
  EXPECT_EQ(jni_.set("simulated:none", 0, 1), camera_jni::kNotFound);
  EXPECT_EQ(jni_.set("simulated:full", camera_jni::kControls, 1), camera_jni::kRejected)
      << "a control the library does not know";
}

// Which calls a step's failure fails: the listing, the calls by id, or neither (a step whose
// failure the library rides over, as a device without a name of its own).
TEST_F(CameraNativesTest, EveryFailingStepLeavesNothingBehind) {
  struct Case {
    simulated::Step step;
    bool failsListing;
    bool failsCallsById;
  };
  using simulated::Step;
  for (const Case& c :
       {Case{Step::CoCreateInstance, true, false}, Case{Step::CreateClassEnumerator, false, false},
        Case{Step::Next, false, false}, Case{Step::BindToStorage, false, false},
        Case{Step::GetDisplayName, true, false}, Case{Step::MkParseDisplayName, false, true},
        Case{Step::BindToObject, false, true}, Case{Step::QueryInterface, false, true},
        Case{Step::Get, false, true}, Case{Step::Set, false, true},
        Case{Step::GetRange, false, true}}) {
    SCOPED_TRACE(static_cast<int>(c.step));
    simulated::reset();
    simulated::setCameras({everyControl("full")});
    simulated::fail(c.step);
    jint status = -1;
    jni_.list(&status);
    EXPECT_EQ(status != kDone, c.failsListing);
    // Each of these makes the step that its call by id makes.
    jint value = 0;
    bool automatic = false;
    const jint statuses[] = {
        jni_.get("simulated:full", VideoProcAmp_Hue, &value),
        jni_.set("simulated:full", simulated::kCameraControlsStart + CameraControl_Zoom, 1),
        jni_.isAutomatic("simulated:full", VideoProcAmp_Gain, &automatic),
        jni_.setAutomatic("simulated:full", VideoProcAmp_Gain)};
    std::vector<jint> ranges;
    const jint rangesStatus = jni_.ranges("simulated:full", &ranges);
    bool anyFailed = rangesStatus != kDone;
    for (const jint callStatus : statuses) anyFailed = anyFailed || callStatus != kDone;
    EXPECT_EQ(anyFailed, c.failsCallsById);
    EXPECT_EQ(simulated::liveObjects(), 0);
    EXPECT_EQ(simulated::openScopesOnThisThread(), 0);
  }
}

}  // namespace
