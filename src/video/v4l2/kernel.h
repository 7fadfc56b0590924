// The V4L2 backend's edge to the kernel: the few system calls it makes, each retried on EINTR,
// and errno turned into an HRESULT in one place.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "video_platform.h"

namespace v4l2 {

HRESULT hresultFromErrno(int error);

// An owned file descriptor, closed when it goes.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { reset(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset();

 private:
  int fd_ = -1;
};

// The numbers N of the /dev/videoN entries, in ascending order; empty when /dev cannot be read.
std::vector<unsigned> videoNodeNumbers();

std::string videoNodePath(unsigned number);

// Opens a video node for control calls.
HRESULT openVideoNode(const std::string& path, FileDescriptor* node);

HRESULT ioctlRetrying(int fd, unsigned long request, void* argument);

}  // namespace v4l2
