// Plain file writes for the private copy: a descriptor closed on every path, whole writes
// across short ones, new files, and a reason text for the last system error.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

struct FWDBDescriptor {
  int fd = -1;
  explicit FWDBDescriptor(int f) : fd(f) {}
  FWDBDescriptor(const FWDBDescriptor&) = delete;
  FWDBDescriptor& operator=(const FWDBDescriptor&) = delete;
  ~FWDBDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

inline bool FWDBWriteAll(int fd, const unsigned char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// A new (or emptied) file for writing.
inline int FWDBCreateFile(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

inline std::string FWDBErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }
