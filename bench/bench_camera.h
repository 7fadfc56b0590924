// The camera that a benchmark runs on, and what the benchmark can see of the platform beneath
// it. One implementation per backend.
#pragma once

#include <string>
#include <vector>

namespace bench_camera {

// "simulated", "v4l2 (emulated kernel)".
const char* platformName();
// One webcam with brightness and contrast, the only device.
void install();
// The webcam's id, under which Camera finds it.
std::string cameraId();
// Platform calls are traced only while tracing is on; tracing costs time.
void setTracing(bool on);
// The platform calls traced since the last take, and a fresh start.
std::vector<std::string> takeTrace();
// What the calls left held on the platform: COM objects, or open descriptors.
long leftAlive();

}  // namespace bench_camera
