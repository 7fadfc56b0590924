#include "bench_camera.h"
#include "kernel_emulation.h"

namespace bench_camera {

const char* platformName() {
  return "v4l2 (emulated kernel)";
}

void install() {
  emulated_kernel::removeAllNodes();
  emulated_kernel::addUvcCamera(0, emulated_kernel::webcamControls(0, 32, false));
  emulated_kernel::resetSystemCalls();
}

// The emulation counts every system call anyway; the trace is those counts.
std::string cameraId() {
  return "/dev/video0";
}

void setTracing(bool) {
  emulated_kernel::resetSystemCalls();
}

std::vector<std::string> takeTrace() {
  const emulated_kernel::SystemCalls calls = emulated_kernel::systemCalls();
  emulated_kernel::resetSystemCalls();
  return {"open " + std::to_string(calls.opens), "ioctl " + std::to_string(calls.ioctls),
          "close " + std::to_string(calls.closes),
          "getdents64 " + std::to_string(calls.directoryReads)};
}

long leftAlive() {
  return emulated_kernel::openDescriptors();
}

}  // namespace bench_camera
