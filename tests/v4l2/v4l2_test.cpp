// The V4L2 backend under the real bridge and lookup, on the emulated kernel.
#include <jni.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <iostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_exports.h"
#include "image_capture_exports.h"
#include "kernel_emulation.h"
#include "recording_jni.h"

namespace {

namespace kernel = emulated_kernel;
using recording_jni::Fields;
using recording_jni::kConstructed;

jint getBrightness() {
  return Java_quorvane_image_ImageCapture_getBrightness(nullptr, nullptr);
}
jint getContrast() {
  return Java_quorvane_image_ImageCapture_getContrast(nullptr, nullptr);
}
void setBrightness(jint value) {
  Java_quorvane_image_ImageCapture_setBrightness(nullptr, nullptr, value);
}
void setContrast(jint value) {
  Java_quorvane_image_ImageCapture_setContrast(nullptr, nullptr, value);
}

kernel::Control controlOf(unsigned node, std::uint32_t id) {
  kernel::Control state{};
  EXPECT_TRUE(kernel::control(node, id, &state)) << "node " << node << " control " << id;
  return state;
}

Fields fieldsWith(std::initializer_list<std::pair<const std::string, jint>> values) {
  Fields fields;
  for (const char* field : recording_jni::kFields) fields[field] = kConstructed;
  for (const auto& [field, value] : values) fields.at(field) = value;
  return fields;
}

class V4l2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    kernel::removeAllNodes();
    kernel::resetSystemCalls();
  }
  void TearDown() override {
    EXPECT_EQ(kernel::openDescriptors(), 0) << "a descriptor was left open";
    kernel::removeAllNodes();
  }

  Fields captureProperties() {
    const jobject result =
        Java_quorvane_image_ImageCapture_getCaptureProperties(jni_.env(), nullptr);
    EXPECT_NE(result, nullptr);
    return result == nullptr ? Fields{} : jni_.fieldsOf(result);
  }

  recording_jni::Environment jni_{[](const std::string&) {}};
};

// A camera whose brightness steps by 3 from -10 to 20, as drivers allow.
std::vector<kernel::Control> oddControls() {
  return {{V4L2_CID_BRIGHTNESS, -10, 20, 3, -1, 2}, {V4L2_CID_CONTRAST, 0, 255, 1, 128, 7}};
}

TEST_F(V4l2Test, ValuesReachTheDriverUnchangedAndGetsReturnWhatItKept) {
  kernel::addUvcCamera(0, oddControls());
  kernel::addUvcCamera(2, kernel::webcamControls(30, 40, false));
  struct Case {
    jint set;
    jint kept;  // by the driver: limited to the range, rounded to the step
  };
  for (const Case& c : {Case{5, 5}, Case{6, 5}, Case{-10, -10}, Case{-11, -10}, Case{21, 20},
                        Case{INT_MAX, 20}, Case{INT_MIN, -10}, Case{0, -1}}) {
    SCOPED_TRACE(c.set);
    setBrightness(c.set);
    EXPECT_EQ(controlOf(0, V4L2_CID_BRIGHTNESS).requested, c.set);
    EXPECT_EQ(getBrightness(), c.kept);
  }
  setContrast(-3);
  EXPECT_EQ(controlOf(0, V4L2_CID_CONTRAST).requested, -3);
  EXPECT_EQ(getContrast(), 0);
  EXPECT_EQ(kernel::opensOf(2), 0) << "the second camera was touched";
  EXPECT_EQ(controlOf(2, V4L2_CID_BRIGHTNESS).value, 30);
}

TEST_F(V4l2Test, ASetSwitchesTheAutomaticBrightnessOffFirst) {
  // Even a set with the value that the driver already holds.
  kernel::addUvcCamera(0, kernel::webcamControls(-40, 20, true));
  setBrightness(-40);
  EXPECT_EQ(controlOf(0, V4L2_CID_AUTOBRIGHTNESS).value, 0);
  setBrightness(17);
  EXPECT_EQ(getBrightness(), 17);
}

TEST_F(V4l2Test, RangesComeFromTheDriver) {
  std::vector<kernel::Control> controls = oddControls();
  controls[1] = {V4L2_CID_CONTRAST, 90, 10, 0, -5, 0};  // reversed, as a driver may report it
  kernel::addUvcCamera(0, controls);
  EXPECT_EQ(captureProperties(), fieldsWith({{"minBrightness", -10},
                                             {"maxBrightness", 20},
                                             {"steppingDeltaBrightness", 3},
                                             {"defaultBrightness", -1},
                                             {"minContrast", 90},
                                             {"maxContrast", 10},
                                             {"steppingDeltaContrast", 0},
                                             {"defaultContrast", -5}}));
}

TEST_F(V4l2Test, AMissingOrDisabledControlHasNoRange) {
  kernel::addUvcCamera(0, {{V4L2_CID_BRIGHTNESS, -10, 20, 3, -1, 2}});
  const Fields brightnessOnly = fieldsWith({{"minBrightness", -10},
                                            {"maxBrightness", 20},
                                            {"steppingDeltaBrightness", 3},
                                            {"defaultBrightness", -1}});
  EXPECT_EQ(captureProperties(), brightnessOnly);
  EXPECT_EQ(getContrast(), 0);

  kernel::removeAllNodes();
  std::vector<kernel::Control> controls = oddControls();
  controls[1].disabled = true;
  kernel::addUvcCamera(0, controls);
  EXPECT_EQ(captureProperties(), brightnessOnly);
}

TEST_F(V4l2Test, OnlyCaptureNodesAreListedAndTheFirstIsUsed) {
  kernel::Node metadata{0, V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING, oddControls()};
  kernel::Node output{1, V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_STREAMING, oddControls()};
  kernel::addNode(metadata);
  kernel::addNode(output);
  kernel::addUvcCamera(7, kernel::webcamControls(11, 12, false));
  kernel::addUvcCamera(3, kernel::webcamControls(33, 34, false));
  kernel::Node multiPlanar{5, V4L2_CAP_VIDEO_CAPTURE_MPLANE | V4L2_CAP_STREAMING,
                           kernel::webcamControls(55, 56, false)};
  kernel::addNode(multiPlanar);
  EXPECT_EQ(getBrightness(), 33);
  kernel::unplug(3);
  EXPECT_EQ(getBrightness(), 55) << "a multi-planar capture node is a camera too";
  EXPECT_EQ(kernel::opensOf(7), 0);
}

TEST_F(V4l2Test, ANodeThatCannotBeOpenedIsNotListed) {
  kernel::addUvcCamera(0, kernel::webcamControls(1, 2, false));
  kernel::setFailures(0, EACCES, 0, 0, -1);
  kernel::addUvcCamera(2, kernel::webcamControls(3, 4, false));
  EXPECT_EQ(getBrightness(), 3);
}

TEST_F(V4l2Test, AFailingFirstCameraGivesFailuresAndTheSecondIsUntouched) {
  kernel::addUvcCamera(0, kernel::webcamControls(1, 2, false));
  kernel::setFailures(0, 0, EIO, 0, -1);
  kernel::addUvcCamera(2, kernel::webcamControls(3, 4, false));
  EXPECT_EQ(getBrightness(), 0);
  setBrightness(9);
  EXPECT_EQ(captureProperties(), fieldsWith({}));
  EXPECT_EQ(kernel::opensOf(2), 0);
  EXPECT_EQ(controlOf(2, V4L2_CID_BRIGHTNESS).value, 3);
}

TEST_F(V4l2Test, EveryKernelErrorIsAFailureNotACrash) {
  for (const int error : {EINVAL, ERANGE, EBUSY, EACCES, ENODEV, EIO, ENOTTY, ENOMEM}) {
    SCOPED_TRACE(error);
    kernel::removeAllNodes();
    kernel::addUvcCamera(0, kernel::webcamControls(10, 20, false));
    kernel::setFailures(0, 0, error, 0, -1);
    EXPECT_EQ(getBrightness(), 0);
    setContrast(5);
    EXPECT_EQ(captureProperties(), fieldsWith({}));
    kernel::setFailures(0, 0, 0, 0, -1);
    EXPECT_EQ(controlOf(0, V4L2_CID_CONTRAST).value, 20);
  }
}

TEST_F(V4l2Test, InterruptedCallsAreRetried) {
  kernel::addUvcCamera(0, kernel::webcamControls(10, 20, true));
  kernel::setFailures(0, 0, 0, 3, -1);
  EXPECT_EQ(getBrightness(), 10);
  kernel::setFailures(0, 0, 0, 2, -1);
  setBrightness(12);
  EXPECT_EQ(controlOf(0, V4L2_CID_BRIGHTNESS).value, 12);
}

TEST_F(V4l2Test, ACameraUnpluggedBetweenOrDuringCallsIsNoCamera) {
  kernel::addUvcCamera(0, kernel::webcamControls(10, 20, false));
  EXPECT_EQ(getBrightness(), 10);
  kernel::unplug(0);
  kernel::unplug(1);
  EXPECT_EQ(getBrightness(), 0);
  EXPECT_EQ(captureProperties(), fieldsWith({}));

  // Gone after its capabilities were read, before its controls.
  kernel::addUvcCamera(0, kernel::webcamControls(10, 20, false));
  kernel::setFailures(0, 0, 0, 0, 1);
  EXPECT_EQ(getBrightness(), 0);
  kernel::addUvcCamera(0, kernel::webcamControls(10, 20, false));
  kernel::setFailures(0, 0, 0, 0, 2);  // during getCaptureProperties, between the two ranges
  EXPECT_EQ(captureProperties(), fieldsWith({{"minBrightness", -64},
                                             {"maxBrightness", 64},
                                             {"steppingDeltaBrightness", 1},
                                             {"defaultBrightness", 0}}));
}

TEST_F(V4l2Test, NoDescriptorIsLeftOpenAfterManyMixedCalls) {
  kernel::addUvcCamera(0, kernel::webcamControls(10, 20, true));
  for (int i = 0; i < 10000; ++i) {
    switch (i % 5) {
      case 0:
        setBrightness(i % 64);
        break;
      case 1:
        ASSERT_EQ(getBrightness(), (i - 1) % 64);
        break;
      case 2:
        setContrast(i % 90);
        break;
      case 3:
        ASSERT_EQ(getContrast(), (i - 1) % 90);
        break;
      default:
        ASSERT_EQ(captureProperties().at("maxContrast"), 95);
        break;
    }
  }
  EXPECT_EQ(kernel::openDescriptors(), 0);
}

// Brightness stays negative and contrast positive, so a value of the wrong control shows; a node
// that goes mid-call gives 0.
TEST_F(V4l2Test, ThreadsCallWhileCamerasArePluggedAndUnplugged) {
  kernel::addUvcCamera(0, kernel::webcamControls(-10, 10, false));
  std::atomic<bool> plugging{true};
  std::thread plugger([&plugging] {
    for (unsigned turn = 0; plugging; ++turn) {
      if (turn % 2 == 0) {
        kernel::unplug(0);
        kernel::addUvcCamera(2, kernel::webcamControls(-11, 11, false));
      } else {
        kernel::addUvcCamera(0, kernel::webcamControls(-10, 10, false));
        kernel::unplug(2);
      }
      std::this_thread::yield();
    }
  });
  constexpr int kThreads = 4;
  std::vector<std::vector<std::string>> faults(kThreads);
  std::vector<std::thread> callers;
  for (int t = 0; t < kThreads; ++t) {
    callers.emplace_back([t, &faults] {
      const std::set<jint> brightnessHeld = {0, -1, -2, -3, -10, -11};
      const std::set<jint> contrastHeld = {0, 1, 2, 3, 10, 11};
      camera_jni::Environment jni(linkedCameraNatives());
      for (int i = 0; i < 1000; ++i) {
        const jint value = 1 + (i + t) % 3;
        jint status = camera_jni::kDone;
        jint held = 0;
        switch ((i * 7 + t) % 7) {
          case 0:
            setBrightness(-value);
            break;
          case 1:
            setContrast(value);
            break;
          case 2:
            if (brightnessHeld.count(getBrightness()) == 0) faults[t].push_back("brightness");
            break;
          case 3:
            if (contrastHeld.count(getContrast()) == 0) faults[t].push_back("contrast");
            break;
          case 4:
            jni.list(&status);
            break;
          case 5:
            status = jni.get("/dev/video2", camera_jni::kBrightness, &held);
            if (status == camera_jni::kDone && brightnessHeld.count(held) == 0) {
              faults[t].push_back("camera brightness");
            }
            break;
          default:
            status = jni.set("/dev/video0", camera_jni::kContrast, value);
        }
        // A node that goes mid-call may fail as not found or as a device error.
        if (status == camera_jni::kUnsupported || status == camera_jni::kRejected) {
          faults[t].push_back("status " + std::to_string(status));
        }
      }
    });
  }
  for (std::thread& caller : callers) caller.join();
  plugging = false;
  plugger.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(faults[t].size(), 0u) << "thread " << t;
  EXPECT_EQ(kernel::openDescriptors(), 0);
}

TEST_F(V4l2Test, CameraCallsOnEveryControlById) {
  kernel::addUvcCamera(0, kernel::webcamControls(10, 20, true));
  kernel::addUvcCamera(2, kernel::webcamControls(30, 40, false));
  camera_jni::Environment jni(linkedCameraNatives());
  jint status = -1;
  const std::vector<camera_jni::Device> devices = jni.list(&status);
  ASSERT_EQ(status, camera_jni::kDone);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[1].id, "/dev/video2");
  for (jint control = 0; control < camera_jni::kControls; ++control) {
    SCOPED_TRACE(control);
    // The webcam has brightness, with an automatic mode, and contrast.
    const jint expected =
        control <= camera_jni::kContrast ? camera_jni::kDone : camera_jni::kUnsupported;
    EXPECT_EQ(jni.set("/dev/video2", control, -3), expected);
    jint value = 0;
    EXPECT_EQ(jni.get("/dev/video2", control, &value), expected);
    camera_jni::Range range{};
    EXPECT_EQ(jni.range("/dev/video2", control, &range), expected);
    bool automatic = false;
    EXPECT_EQ(jni.isAutomatic("/dev/video2", control, &automatic), expected);
    EXPECT_EQ(jni.setAutomatic("/dev/video2", control),
              control == camera_jni::kBrightness ? camera_jni::kDone : camera_jni::kUnsupported);
  }
  EXPECT_EQ(controlOf(2, V4L2_CID_AUTOBRIGHTNESS).value, 1);
  EXPECT_EQ(controlOf(2, V4L2_CID_CONTRAST).value, 0) << "-3, limited to the range";
  EXPECT_EQ(controlOf(0, V4L2_CID_CONTRAST).value, 20);
  std::vector<jint> ranges;
  EXPECT_EQ(jni.ranges("/dev/video0", &ranges), camera_jni::kDone);
  EXPECT_EQ(std::vector<jint>(ranges.begin(), ranges.begin() + 12),
            (std::vector<jint>{1, -64, 64, 1, 0, 1, 1, 0, 95, 1, 32, 0}));
  EXPECT_EQ(jni.get("/dev/video4", camera_jni::kBrightness, &status), camera_jni::kNotFound);
  EXPECT_LE(jni.mostLocalReferences(), 3);
}

kernel::SystemCalls systemCallsOfOneGet() {
  kernel::resetSystemCalls();
  getBrightness();
  return kernel::systemCalls();
}

TEST_F(V4l2Test, AGetCostsTheSameSystemCallsWithOneCameraOrEight) {
  kernel::addUvcCamera(0, kernel::webcamControls(10, 20, false));
  const kernel::SystemCalls one = systemCallsOfOneGet();
  for (unsigned camera = 1; camera < 8; ++camera) {
    kernel::addUvcCamera(camera * 2, kernel::webcamControls(10, 20, false));
  }
  const kernel::SystemCalls eight = systemCallsOfOneGet();
  std::cout << "one getBrightness: " << one.total() << " system calls (open " << one.opens
            << ", ioctl " << one.ioctls << ", close " << one.closes << ", directory reads "
            << one.directoryReads << ")\n";
  EXPECT_EQ(eight.total(), one.total());
  EXPECT_LE(one.total(), 8);
}

}  // namespace
