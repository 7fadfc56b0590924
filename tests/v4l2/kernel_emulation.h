// An emulation of the kernel's V4L2 control interface at the system-call boundary. The library
// that holds it defines open, close, ioctl and getdents64: linked into a test program, or
// preloaded into a JVM, it answers them for /dev and /dev/videoN with emulated video nodes, and
// passes every other path and descriptor on to the C library. The nodes follow a real driver:
// values are limited to the range and rounded to the step, a control whose automatic control is
// on refuses manual values (EBUSY), a menu answers VIDIOC_QUERYMENU for the items it has, a
// missing control answers EINVAL, an unplugged node ENODEV.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <vector>

namespace emulated_kernel {

struct Control {
  std::uint32_t id;
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t step;
  std::int32_t defaultValue;
  std::int32_t value;
  bool disabled = false;
  // The last value that S_CTRL asked for, before the driver limited or rounded it.
  std::int32_t requested = 0;
  std::uint32_t type = V4L2_CTRL_TYPE_INTEGER;
  std::uint32_t menuItems = 0;  // a menu's items, bit N for index N
};

struct Node {
  unsigned number;
  std::uint32_t deviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
  std::vector<Control> controls;
  int openError = 0;           // open fails with this errno (EACCES: not for us to open)
  int controlError = 0;        // control ioctls fail with this errno (EIO: a broken device)
  int interruptions = 0;       // the next ioctls that fail with EINTR before one gets through
  int unplugAfterIoctls = -1;  // the node goes after this many more ioctls
};

// A UVC camera's two nodes: video capture at `number`, its metadata node at `number + 1`.
void addUvcCamera(unsigned number, std::vector<Control> controls);
void addNode(Node node);
void removeAllNodes();
// The node is gone: no longer listed, and its open descriptors answer ENODEV.
void unplug(unsigned number);
// The node's current state of a control; false when there is no such node or control.
bool control(unsigned number, std::uint32_t id, Control* state);
// Sets a node's failure fields (openError, controlError, interruptions, unplugAfterIoctls).
bool setFailures(unsigned number, int openError, int controlError, int interruptions,
                 int unplugAfterIoctls);

struct SystemCalls {
  long opens = 0;
  long ioctls = 0;
  long closes = 0;
  long directoryReads = 0;
  long total() const { return opens + ioctls + closes + directoryReads; }
};
// The system calls on /dev and the video nodes since the last reset, failed ones included.
SystemCalls systemCalls();
void resetSystemCalls();
// Descriptors of /dev and the video nodes now open.
long openDescriptors();
// Times a node was opened since the last resetSystemCalls.
long opensOf(unsigned number);

// Typical UVC webcam controls, for tests that need no particular values.
std::vector<Control> webcamControls(std::int32_t brightness, std::int32_t contrast,
                                    bool automaticBrightness);

}  // namespace emulated_kernel
