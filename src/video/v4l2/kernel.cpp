#include "kernel.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace v4l2 {

namespace {

// "videoN" with N a plain decimal number.
bool videoNodeNumber(const char* name, unsigned* number) {
  constexpr char kPrefix[] = "video";
  if (std::strncmp(name, kPrefix, sizeof kPrefix - 1) != 0) return false;
  const char* digits = name + sizeof kPrefix - 1;
  if (*digits == '\0' || std::strlen(digits) > 6) return false;
  unsigned value = 0;
  for (const char* digit = digits; *digit != '\0'; ++digit) {
    if (*digit < '0' || *digit > '9') return false;
    value = value * 10 + static_cast<unsigned>(*digit - '0');
  }
  *number = value;
  return true;
}

}  // namespace

HRESULT hresultFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return E_ACCESSDENIED;
    case EINVAL:
    case ERANGE:
      return E_INVALIDARG;
    case EBUSY:
      return HRESULT_FROM_WIN32(ERROR_BUSY);
    case ENODEV:
    case ENXIO:
    case ENOENT:
      return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    case EIO:
      return HRESULT_FROM_WIN32(ERROR_IO_DEVICE);
    case ENOTTY:
      return E_NOINTERFACE;
    case ENOMEM:
      return E_OUTOFMEMORY;
    default:
      return E_FAIL;
  }
}

void FileDescriptor::reset() {
  // Not retried on EINTR: Linux has released the descriptor either way.
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

std::vector<unsigned> videoNodeNumbers() {
  std::vector<unsigned> numbers;
  int fd;
  do {
    fd = ::open("/dev", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return numbers;
  const FileDescriptor directory(fd);

  // One read takes in the whole of a usual /dev; the next one confirms the end.
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const ssize_t length = ::getdents64(directory.get(), buffer.data(), buffer.size());
    if (length < 0 && errno == EINTR) continue;
    if (length <= 0) break;
    for (ssize_t offset = 0; offset < length;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(buffer.data() + offset);
      unsigned number;
      if ((entry->d_type == DT_CHR || entry->d_type == DT_UNKNOWN) &&
          videoNodeNumber(entry->d_name, &number)) {
        numbers.push_back(number);
      }
      offset += entry->d_reclen;
    }
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::string videoNodePath(unsigned number) {
  return "/dev/video" + std::to_string(number);
}

HRESULT openVideoNode(const std::string& path, FileDescriptor* node) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return hresultFromErrno(errno);
  *node = FileDescriptor(fd);
  return S_OK;
}

HRESULT ioctlRetrying(int fd, unsigned long request, void* argument) {
  int result;
  do {
    result = ::ioctl(fd, request, argument);
  } while (result < 0 && errno == EINTR);
  return result < 0 ? hresultFromErrno(errno) : S_OK;
}

}  // namespace v4l2
