#include "bench_camera.h"
#include "simulated_system.h"

namespace bench_camera {

const char* platformName() {
  return "simulated";
}

void install() {
  simulated::reset();
}

std::string cameraId() {
  return "simulated:webcam";
}

void setTracing(bool on) {
  simulated::setRecording(on);
  simulated::clearCalls();
}

std::vector<std::string> takeTrace() {
  std::vector<std::string> calls = simulated::calls();
  simulated::clearCalls();
  return calls;
}

long leftAlive() {
  return simulated::liveObjects();
}

}  // namespace bench_camera
