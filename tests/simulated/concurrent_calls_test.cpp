// Native calls of ImageCapture and Camera from several threads at once while another thread swaps
// the cameras: what the sanitizer builds run to find races, use after release and leaks between
// the threads.
#include <jni.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_exports.h"
#include "image_capture_exports.h"
#include "simulated_system.h"

namespace {

constexpr int kThreads = 4;
constexpr int kCallsPerThread = 2000;

// Brightness is always negative and contrast positive, so a value of the wrong property shows.
simulated::Camera camera(const std::string& name, LONG brightness, LONG contrast) {
  simulated::Camera camera;
  camera.name = name;
  camera.properties[VideoProcAmp_Brightness] = {true, brightness, -64, 64, 1, 0, false};
  camera.properties[VideoProcAmp_Contrast] = {true, contrast, 0, 95, 1, 32, false};
  return camera;
}

struct ThreadOutcome {
  std::vector<std::string> faults;
};

void mixedCalls(unsigned random, bool multithreaded, ThreadOutcome* outcome) {
  if (multithreaded) simulated::joinMultithreadedApartment();
  camera_jni::Environment jni(linkedCameraNatives());
  const std::set<jint> brightnessHeld = {0, -1, -2, -3, -10, -11};
  const std::set<jint> contrastHeld = {0, 1, 2, 3, 10, 11};
  for (int i = 0; i < kCallsPerThread; ++i) {
    random = random * 1103515245u + 12345u;
    const jint setValue = static_cast<jint>(1 + (random >> 16) % 3);
    jint status = camera_jni::kDone;
    jint value = 0;
    switch ((random >> 8) % 7) {
      case 0:
        if (const jint value = Java_quorvane_image_ImageCapture_getBrightness(nullptr, nullptr);
            brightnessHeld.count(value) == 0) {
          outcome->faults.push_back("brightness " + std::to_string(value));
        }
        break;
      case 1:
        if (const jint value = Java_quorvane_image_ImageCapture_getContrast(nullptr, nullptr);
            contrastHeld.count(value) == 0) {
          outcome->faults.push_back("contrast " + std::to_string(value));
        }
        break;
      case 2:
        Java_quorvane_image_ImageCapture_setBrightness(nullptr, nullptr, -setValue);
        break;
      case 3:
        Java_quorvane_image_ImageCapture_setContrast(nullptr, nullptr, setValue);
        break;
      case 4:
        for (const camera_jni::Device& device : jni.list(&status)) {
          if (device.id != "simulated:a" && device.id != "simulated:b") {
            outcome->faults.push_back("listed " + device.id);
          }
        }
        break;
      case 5:
        // By id, camera a whichever place it has; gone while the cameras are swapped out.
        status = jni.get("simulated:a", VideoProcAmp_Brightness, &value);
        if (status == camera_jni::kDone && brightnessHeld.count(value) == 0) {
          outcome->faults.push_back("camera a brightness " + std::to_string(value));
        }
        break;
      default:
        status = jni.set("simulated:b", VideoProcAmp_Contrast, setValue);
    }
    if (status != camera_jni::kDone && status != camera_jni::kNotFound) {
      outcome->faults.push_back("status " + std::to_string(status));
    }
  }
  if (simulated::openScopesOnThisThread() != 0) outcome->faults.push_back("COM scopes left open");
  if (simulated::inMultithreadedApartment() != multithreaded) {
    outcome->faults.push_back("apartment changed");
  }
  simulated::leaveMultithreadedApartment();
}

TEST(ConcurrentCallsTest, ThreadsCallWhileTheCamerasAreSwapped) {
  simulated::reset();
  simulated::setRecording(false);
  simulated::setCameras({camera("a", -10, 10)});

  std::atomic<bool> swapping{true};
  std::thread swapper([&swapping] {
    for (unsigned turn = 0; swapping; ++turn) {
      switch (turn % 3) {
        case 0:
          simulated::setCameras({camera("b", -11, 11), camera("a", -10, 10)});
          break;
        case 1:
          simulated::setCameras({});
          break;
        default:
          simulated::setCameras({camera("a", -10, 10)});
      }
      std::this_thread::yield();
    }
  });
  std::vector<ThreadOutcome> outcomes(kThreads);
  std::vector<std::thread> callers;
  for (int t = 0; t < kThreads; ++t) {
    callers.emplace_back(mixedCalls, static_cast<unsigned>(t), t % 2 == 1, &outcomes[t]);
  }
  for (std::thread& caller : callers) caller.join();
  swapping = false;
  swapper.join();

  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(outcomes[t].faults.empty()) << "thread " << t << ": " << outcomes[t].faults.size()
                                            << " faults, first " << outcomes[t].faults.front();
  }
  EXPECT_EQ(simulated::liveObjects(), 0);
  simulated::reset();
}

}  // namespace
