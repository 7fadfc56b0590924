#include "kernel_emulation.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace emulated_kernel {
namespace {

struct PluggedNode {
  Node node;
  std::uint32_t physicalCaps;  // what QUERYCAP's capabilities field reports: the whole device
  unsigned long serial;        // tells a node apart from a later one under the same number
};

struct Descriptor {
  bool directory;
  unsigned number;
  unsigned long serial;
  bool listed = false;
};

struct State {
  std::mutex mutex;
  std::map<unsigned, PluggedNode> nodes;
  std::map<int, Descriptor> descriptors;
  std::map<unsigned, long> opens;
  SystemCalls calls;
  unsigned long nextSerial = 1;
};

State& state() {
  static State instance;
  return instance;
}

template <class Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
using OpenFunction = int (*)(const char*, int, ...);
using CloseFunction = int (*)(int);
using IoctlFunction = int (*)(int, unsigned long, ...);
using GetdentsFunction = ssize_t (*)(int, void*, size_t);

OpenFunction nextOpen() {
  static const OpenFunction function = next<OpenFunction>("open");
  return function;
}

bool videoNodeNumber(const char* path, unsigned* number) {
  constexpr char kPrefix[] = "/dev/video";
  if (std::strncmp(path, kPrefix, sizeof kPrefix - 1) != 0) return false;
  const char* digits = path + sizeof kPrefix - 1;
  if (*digits == '\0') return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(digits, &end, 10);
  if (*end != '\0') return false;
  *number = static_cast<unsigned>(value);
  return true;
}

bool isEmulatedPath(const char* path, bool* directory, unsigned* number) {
  if (path == nullptr) return false;
  *directory = std::strcmp(path, "/dev") == 0 || std::strcmp(path, "/dev/") == 0;
  return *directory || videoNodeNumber(path, number);
}

// A real descriptor for each emulated one, so that numbers never clash with the process's own.
int emulatedOpen(bool directory, unsigned number) {
  std::lock_guard<std::mutex> lock(state().mutex);
  ++state().calls.opens;
  Descriptor descriptor{directory, number, 0};
  if (!directory) {
    ++state().opens[number];
    const auto plugged = state().nodes.find(number);
    if (plugged == state().nodes.end()) {
      errno = ENOENT;
      return -1;
    }
    if (plugged->second.node.openError != 0) {
      errno = plugged->second.node.openError;
      return -1;
    }
    descriptor.serial = plugged->second.serial;
  }
  const int fd = nextOpen()("/dev/null", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) state().descriptors[fd] = descriptor;
  return fd;
}

Control* findControl(Node& node, std::uint32_t id) {
  for (Control& control : node.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

std::int32_t limited(const Control& control, std::int64_t value) {
  value = std::clamp<std::int64_t>(value, control.minimum, control.maximum);
  if (control.step > 1) {
    const std::int64_t steps = (value - control.minimum + control.step / 2) / control.step;
    value = std::min<std::int64_t>(control.minimum + steps * control.step, control.maximum);
  }
  return static_cast<std::int32_t>(value);
}

int fail(int error) {
  errno = error;
  return -1;
}

// Whether the automatic control of the value control `id`, where the node has one, is on.
bool heldByAutomatic(Node& node, std::uint32_t id) {
  struct Pair {
    std::uint32_t value;
    std::uint32_t automatic;
  };
  static const Pair pairs[] = {
      {V4L2_CID_BRIGHTNESS, V4L2_CID_AUTOBRIGHTNESS},
      {V4L2_CID_HUE, V4L2_CID_HUE_AUTO},
      {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE},
      {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN},
      {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO},
      {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO},
  };
  for (const Pair& pair : pairs) {
    if (pair.value != id) continue;
    const Control* automatic = findControl(node, pair.automatic);
    if (automatic == nullptr) return false;
    return pair.automatic == V4L2_CID_EXPOSURE_AUTO ? automatic->value != V4L2_EXPOSURE_MANUAL
                                                    : automatic->value != 0;
  }
  return false;
}

bool hasMenuItem(const Control& control, std::int64_t index) {
  return index >= control.minimum && index <= control.maximum && index >= 0 && index < 32 &&
         (control.menuItems & (1u << index)) != 0;
}

int controlCall(Node& node, unsigned long request, void* argument) {
  if (node.controlError != 0) return fail(node.controlError);
  switch (request) {
    case VIDIOC_QUERYCTRL: {
      auto* query = static_cast<v4l2_queryctrl*>(argument);
      const Control* control = findControl(node, query->id);
      if (control == nullptr) return fail(EINVAL);
      const std::uint32_t id = query->id;
      std::memset(query, 0, sizeof *query);
      query->id = id;
      query->type = control->type;
      std::snprintf(reinterpret_cast<char*>(query->name), sizeof query->name, "control %u", id);
      query->minimum = control->minimum;
      query->maximum = control->maximum;
      query->step = control->step;
      query->default_value = control->defaultValue;
      query->flags = control->disabled ? V4L2_CTRL_FLAG_DISABLED : 0;
      return 0;
    }
    case VIDIOC_G_CTRL: {
      auto* request_ = static_cast<v4l2_control*>(argument);
      const Control* control = findControl(node, request_->id);
      if (control == nullptr || control->disabled) return fail(EINVAL);
      request_->value = control->value;
      return 0;
    }
    case VIDIOC_S_CTRL: {
      auto* request_ = static_cast<v4l2_control*>(argument);
      Control* control = findControl(node, request_->id);
      if (control == nullptr || control->disabled) return fail(EINVAL);
      if (heldByAutomatic(node, request_->id)) return fail(EBUSY);
      if (control->type == V4L2_CTRL_TYPE_MENU && !hasMenuItem(*control, request_->value)) {
        return fail(EINVAL);
      }
      control->requested = request_->value;
      control->value = limited(*control, request_->value);
      request_->value = control->value;
      return 0;
    }
    case VIDIOC_QUERYMENU: {
      auto* menu = static_cast<v4l2_querymenu*>(argument);
      const Control* control = findControl(node, menu->id);
      if (control == nullptr || control->type != V4L2_CTRL_TYPE_MENU ||
          !hasMenuItem(*control, menu->index)) {
        return fail(EINVAL);
      }
      std::snprintf(reinterpret_cast<char*>(menu->name), sizeof menu->name, "item %u", menu->index);
      return 0;
    }
    default:
      return fail(ENOTTY);
  }
}

int emulatedIoctl(const Descriptor& descriptor, unsigned long request, void* argument) {
  ++state().calls.ioctls;
  if (descriptor.directory) return fail(ENOTTY);
  const auto plugged = state().nodes.find(descriptor.number);
  if (plugged == state().nodes.end() || plugged->second.serial != descriptor.serial) {
    return fail(ENODEV);
  }
  Node& node = plugged->second.node;
  if (node.interruptions > 0) {
    --node.interruptions;
    return fail(EINTR);
  }
  if (node.unplugAfterIoctls == 0) {
    state().nodes.erase(plugged);
    return fail(ENODEV);
  }
  if (node.unplugAfterIoctls > 0) --node.unplugAfterIoctls;

  if (request == VIDIOC_QUERYCAP) {
    auto* capability = static_cast<v4l2_capability*>(argument);
    std::memset(capability, 0, sizeof *capability);
    std::snprintf(reinterpret_cast<char*>(capability->driver), sizeof capability->driver,
                  "uvcvideo");
    std::snprintf(reinterpret_cast<char*>(capability->card), sizeof capability->card,
                  "Emulated Camera %u", node.number);
    capability->capabilities = plugged->second.physicalCaps | V4L2_CAP_DEVICE_CAPS;
    capability->device_caps = node.deviceCaps;
    return 0;
  }
  return controlCall(node, request, argument);
}

void appendEntry(char* buffer, std::size_t* used, const char* name, unsigned char type) {
  const std::size_t nameLength = std::strlen(name) + 1;
  const std::size_t length = (offsetof(struct dirent64, d_name) + nameLength + 7) & ~std::size_t{7};
  auto* entry = reinterpret_cast<struct dirent64*>(buffer + *used);
  std::memset(entry, 0, length);
  entry->d_ino = *used + 1;
  entry->d_off = static_cast<off64_t>(*used + length);
  entry->d_reclen = static_cast<unsigned short>(length);
  entry->d_type = type;
  std::memcpy(entry->d_name, name, nameLength);
  *used += length;
}

// The whole directory in one read, the nodes in no particular order, among other entries.
ssize_t emulatedGetdents(Descriptor& descriptor, void* buffer, std::size_t length) {
  ++state().calls.directoryReads;
  if (!descriptor.directory) return fail(ENOTDIR);
  if (descriptor.listed) return 0;
  std::vector<std::pair<std::string, unsigned char>> entries = {
      {".", DT_DIR}, {"..", DT_DIR}, {"null", DT_CHR}, {"v4l", DT_DIR}, {"videox", DT_CHR}};
  for (auto plugged = state().nodes.rbegin(); plugged != state().nodes.rend(); ++plugged) {
    entries.emplace_back("video" + std::to_string(plugged->first), DT_CHR);
  }
  std::size_t needed = 0;
  for (const auto& entry : entries)
    needed += offsetof(struct dirent64, d_name) + entry.first.size() + 8;
  if (needed > length) return fail(EINVAL);
  std::size_t used = 0;
  for (const auto& [name, type] : entries)
    appendEntry(static_cast<char*>(buffer), &used, name.c_str(), type);
  descriptor.listed = true;
  return static_cast<ssize_t>(used);
}

}  // namespace

void addNode(Node node) {
  std::lock_guard<std::mutex> lock(state().mutex);
  const std::uint32_t caps = node.deviceCaps;
  const unsigned number = node.number;
  state().nodes[number] = PluggedNode{std::move(node), caps, state().nextSerial++};
}

void addUvcCamera(unsigned number, std::vector<Control> controls) {
  constexpr std::uint32_t kUvcDevice =
      V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  Node capture;
  capture.number = number;
  capture.deviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
  capture.controls = std::move(controls);
  Node metadata;
  metadata.number = number + 1;
  metadata.deviceCaps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  std::lock_guard<std::mutex> lock(state().mutex);
  state().nodes[number] = PluggedNode{std::move(capture), kUvcDevice, state().nextSerial++};
  state().nodes[number + 1] = PluggedNode{std::move(metadata), kUvcDevice, state().nextSerial++};
}

void removeAllNodes() {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().nodes.clear();
}

void unplug(unsigned number) {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().nodes.erase(number);
}

bool control(unsigned number, std::uint32_t id, Control* result) {
  std::lock_guard<std::mutex> lock(state().mutex);
  const auto plugged = state().nodes.find(number);
  if (plugged == state().nodes.end()) return false;
  const Control* found = findControl(plugged->second.node, id);
  if (found == nullptr) return false;
  *result = *found;
  return true;
}

bool setFailures(unsigned number, int openError, int controlError, int interruptions,
                 int unplugAfterIoctls) {
  std::lock_guard<std::mutex> lock(state().mutex);
  const auto plugged = state().nodes.find(number);
  if (plugged == state().nodes.end()) return false;
  Node& node = plugged->second.node;
  node.openError = openError;
  node.controlError = controlError;
  node.interruptions = interruptions;
  node.unplugAfterIoctls = unplugAfterIoctls;
  return true;
}

SystemCalls systemCalls() {
  std::lock_guard<std::mutex> lock(state().mutex);
  return state().calls;
}

void resetSystemCalls() {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().calls = {};
  state().opens.clear();
}

long openDescriptors() {
  std::lock_guard<std::mutex> lock(state().mutex);
  return static_cast<long>(state().descriptors.size());
}

long opensOf(unsigned number) {
  std::lock_guard<std::mutex> lock(state().mutex);
  const auto found = state().opens.find(number);
  return found == state().opens.end() ? 0 : found->second;
}

std::vector<Control> webcamControls(std::int32_t brightness, std::int32_t contrast,
                                    bool automaticBrightness) {
  return {
      {V4L2_CID_BRIGHTNESS, -64, 64, 1, 0, brightness},
      {V4L2_CID_CONTRAST, 0, 95, 1, 32, contrast},
      {V4L2_CID_AUTOBRIGHTNESS, 0, 1, 1, 0, automaticBrightness ? 1 : 0},
  };
}

namespace {

// A process started with KIVDSHOW_EMULATED_WEBCAMS=0,2 begins with a typical webcam at each of
// those node numbers: for programs that cannot script the emulation themselves, as a packaged
// application started with java -jar.
__attribute__((constructor)) void plugWebcamsNamedInTheEnvironment() {
  const char* numbers = std::getenv("KIVDSHOW_EMULATED_WEBCAMS");
  while (numbers != nullptr && *numbers != '\0') {
    char* end = nullptr;
    const unsigned long number = std::strtoul(numbers, &end, 10);
    if (end == numbers) return;
    addUvcCamera(static_cast<unsigned>(number), webcamControls(0, 32, false));
    numbers = *end == ',' ? end + 1 : end;
  }
}

}  // namespace

}  // namespace emulated_kernel

using emulated_kernel::state;

namespace {

int openAny(const char* path, int flags, mode_t mode) {
  bool directory = false;
  unsigned number = 0;
  if (emulated_kernel::isEmulatedPath(path, &directory, &number)) {
    return emulated_kernel::emulatedOpen(directory, number);
  }
  return emulated_kernel::nextOpen()(path, flags, mode);
}

mode_t modeArgument(int flags, va_list arguments) {
  return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = modeArgument(flags, arguments);
  va_end(arguments);
  return openAny(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = modeArgument(flags, arguments);
  va_end(arguments);
  return openAny(path, flags, mode);
}

int close(int fd) {
  static const auto nextClose = emulated_kernel::next<emulated_kernel::CloseFunction>("close");
  {
    std::lock_guard<std::mutex> lock(state().mutex);
    if (state().descriptors.erase(fd) != 0) ++state().calls.closes;
  }
  return nextClose(fd);
}

int ioctl(int fd, unsigned long request, ...) noexcept {
  static const auto nextIoctl = emulated_kernel::next<emulated_kernel::IoctlFunction>("ioctl");
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  {
    std::lock_guard<std::mutex> lock(state().mutex);
    const auto found = state().descriptors.find(fd);
    if (found != state().descriptors.end()) {
      return emulated_kernel::emulatedIoctl(found->second, request, argument);
    }
  }
  return nextIoctl(fd, request, argument);
}

ssize_t getdents64(int fd, void* buffer, size_t length) noexcept {
  static const auto nextGetdents =
      emulated_kernel::next<emulated_kernel::GetdentsFunction>("getdents64");
  {
    std::lock_guard<std::mutex> lock(state().mutex);
    const auto found = state().descriptors.find(fd);
    if (found != state().descriptors.end()) {
      return emulated_kernel::emulatedGetdents(found->second, buffer, length);
    }
  }
  return nextGetdents(fd, buffer, length);
}

}  // extern "C"
