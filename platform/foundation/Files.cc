#include "platform/foundation/Files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

namespace kestrel::files {
namespace fs = std::filesystem;

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isReadableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

std::optional<Date> modificationDate(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  double unix = static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
  return Date::fromUnix(unix);
}

bool setModificationDate(const std::string& path, Date date) {
  double unix = date.unixTime();
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(std::floor(unix));
  times[1].tv_nsec = static_cast<long>((unix - std::floor(unix)) * 1e9);
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::optional<uint64_t> size(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

bool createDirectories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return isDirectory(path);
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

int openRegularFileForReading(const std::string& path) {
  // O_NONBLOCK keeps open() from waiting for a FIFO's writer; fstat then tells what it is.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

std::optional<Bytes> readFile(const std::string& path) {
  int fd = openRegularFileForReading(path);
  if (fd < 0) return std::nullopt;
  Bytes bytes;
  struct stat st;
  if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  ::close(fd);
  return bytes;
}

std::optional<std::string> readText(const std::string& path) {
  auto b = readFile(path);
  if (!b) return std::nullopt;
  return std::string(b->begin(), b->end());
}

namespace {

// mode: the new file's permission bits, or -1 for the usual ones (0644 less the umask).
bool writeThroughTemporary(const std::string& path, const void* data, size_t size, int mode) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  std::string tmp = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(rng() % 1000000);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* p = static_cast<const char*>(data);
  size_t left = size;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (mode >= 0 && ::fchmod(fd, static_cast<mode_t>(mode)) != 0) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  removeFilesOfEndedProcesses(deletingLastPathComponent(path), lastPathComponent(path) + ".tmp.");
  return true;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const void* data, size_t size) {
  std::string dir = deletingLastPathComponent(path);
  if (!dir.empty() && !createDirectories(dir)) return false;
  return writeThroughTemporary(path, data, size, -1);
}

bool replaceFileAtomically(const std::string& path, const std::string& text) {
  struct stat st;
  int mode = ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
  return writeThroughTemporary(path, text.data(), text.size(), mode);
}

size_t removeFilesOfEndedProcesses(const std::string& folder, const std::string& prefix) {
  size_t removed = 0;
  std::error_code error;
  fs::directory_iterator entry(folder.empty() ? "." : folder, error), end;
  for (; !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    size_t digits = prefix.size();
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') ++digits;
    if (digits == prefix.size() || digits == name.size() || digits - prefix.size() > 9) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(name.substr(prefix.size(), digits - prefix.size())));
    // Only a process that is gone: a live one (or one we may not signal) may still write.
    if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    if (::unlink(entry->path().c_str()) == 0) ++removed;
  }
  return removed;
}

bool writePlistAtomically(const std::string& path, const PlistValue& value, PlistValue::Format format) {
  return writeFileAtomically(path, value.toBytes(format));
}

std::string lastPathComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  auto slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string deletingLastPathComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  auto slash = p.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

}  // namespace kestrel::files
