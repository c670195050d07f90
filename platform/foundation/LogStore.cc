#include "platform/foundation/LogStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"

namespace kestrel {
namespace {

// Messages may hold line breaks (problem reports); they are escaped so one entry is one line.
std::string escape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

std::string unescape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

bool LogStore::append(const std::string& message) {
  std::string path = Device::path(kDevicePath);
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (!files::createDirectories(files::deletingLastPathComponent(path))) return false;
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
  }
  char head[64];
  std::snprintf(head, sizeof head, "%.3f\t%d\t", Clock::now().timeIntervalSinceReferenceDate(), ::getpid());
  std::string line = head + escape(message) + "\n";
  bool ok = ::flock(fd, LOCK_EX) == 0;
  if (ok) {
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
      ssize_t n = ::write(fd, p, left);
      if (n <= 0) {
        ok = false;
        break;
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
  return ok;
}

std::vector<LogEntry> LogStore::query(std::optional<int> pid, std::optional<Date> since) {
  std::vector<LogEntry> out;
  // Read through the non-blocking reader, so a FIFO in the store's place cannot hang a query.
  std::istringstream in(files::readText(Device::path(kDevicePath)).value_or(std::string()));
  std::string line;
  while (std::getline(in, line)) {
    auto t1 = line.find('\t');
    auto t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    char* end = nullptr;
    double seconds = std::strtod(line.c_str(), &end);
    if (end != line.c_str() + t1) continue;
    int entryPid = std::atoi(line.c_str() + t1 + 1);
    LogEntry e{Date(seconds), entryPid, unescape(line.substr(t2 + 1))};
    if (pid && e.pid != *pid) continue;
    if (since && e.time < *since) continue;
    out.push_back(std::move(e));
  }
  return out;
}

}  // namespace kestrel
