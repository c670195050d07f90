#include "platform/foundation/SharedPlistFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <set>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace kestrel {
namespace {

// Exclusive flock on "<file>.lock" for the lifetime of the object.
class ExclusiveFileLock {
 public:
  explicit ExclusiveFileLock(const std::string& dataPath) {
    std::string lockPath = dataPath + ".lock";
    files::createDirectories(files::deletingLastPathComponent(lockPath));
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  ~ExclusiveFileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
  }
  ExclusiveFileLock(const ExclusiveFileLock&) = delete;
  ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

  bool held() const { return fd_ >= 0; }
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

// Damaged versions already reported by this process, so a reader polling a damaged file
// logs it once rather than on every poll.
std::mutex gReportedMutex;
std::set<std::string> gReported;

bool firstReport(const std::string& key) {
  std::lock_guard lock(gReportedMutex);
  return gReported.insert(key).second;
}

// What libplist gives back must be what we meant to store; dates keep microseconds only.
bool sameAfterRoundTrip(const PlistValue& a, const PlistValue& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case PlistValue::Type::Real: {
      double x = *a.doubleValue(), y = *b.doubleValue();
      return x == y || (std::isnan(x) && std::isnan(y));
    }
    case PlistValue::Type::Date:
      return std::fabs(a.asDate()->timeIntervalSinceReferenceDate() -
                       b.asDate()->timeIntervalSinceReferenceDate()) <= 1e-5;
    case PlistValue::Type::Array: {
      const auto &x = *a.asArray(), &y = *b.asArray();
      if (x.size() != y.size()) return false;
      for (size_t i = 0; i < x.size(); ++i)
        if (!sameAfterRoundTrip(x[i], y[i])) return false;
      return true;
    }
    case PlistValue::Type::Dict: {
      const auto &x = *a.asDict(), &y = *b.asDict();
      if (x.size() != y.size()) return false;
      for (auto i = x.begin(), j = y.begin(); i != x.end(); ++i, ++j)
        if (i->first != j->first || !sameAfterRoundTrip(i->second, j->second)) return false;
      return true;
    }
    default:
      return a == b;
  }
}

}  // namespace

SharedPlistFile::SharedPlistFile(std::string localPath, std::string what, Validator isValid)
    : path_(std::move(localPath)), what_(std::move(what)), isValid_(std::move(isValid)) {}

SharedPlistFile::Contents SharedPlistFile::load() const {
  int fd = files::openRegularFileForReading(path_);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {};
    int err = errno;
    if (firstReport(path_ + "#open" + std::to_string(err)))
      KSLog("KS:Platform: Cannot read %@ at %@ (%s); it reads as empty", what_, path_, std::strerror(err));
    return {State::Damaged, {}};
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return {State::Damaged, {}};
  }
  Identity id{st.st_dev, st.st_ino, st.st_size,
              static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  {
    std::lock_guard lock(cacheMutex_);
    if (cache_ && cache_->first == id) {
      ::close(fd);
      return cache_->second;
    }
  }

  Contents result{State::Damaged, {}};
  const char* problem = nullptr;
  if (!S_ISREG(st.st_mode)) {
    problem = "not a regular file";
  } else if (static_cast<uint64_t>(st.st_size) > kMaxFileSize) {
    problem = "too large";
  } else {
    Bytes bytes(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    auto value = PlistValue::fromBytes(bytes);
    if (!value)
      problem = "not a property list";
    else if (isValid_ && !isValid_(*value))
      problem = "not in the expected form";
    else
      result = {State::Valid, std::move(*value)};
  }
  ::close(fd);

  if (problem && firstReport(path_ + "#" + std::to_string(id.ino) + "#" + std::to_string(id.mtimeNs) + "#" +
                             std::to_string(id.size)))
    KSLog("KS:Platform: Damaged %@ at %@ (%s); it reads as empty", what_, path_, problem);

  std::lock_guard lock(cacheMutex_);
  cache_ = std::make_pair(id, result);
  return result;
}

SharedPlistFile::Contents SharedPlistFile::read() const { return load(); }

bool SharedPlistFile::keepDamagedCopy() const {
  for (int i = 1; i <= kMaxDamagedCopies; ++i) {
    // Appended in steps: GCC 12 at -O3 flags `"-" + std::string&&` with a false -Wrestrict.
    std::string copy = path_ + ".damaged";
    if (i > 1) copy.append("-").append(std::to_string(i));
    // A hard link keeps the damaged bytes whatever their size, and fails on an existing
    // name, so an earlier copy is never replaced.
    if (::link(path_.c_str(), copy.c_str()) == 0) {
      KSLog("KS:Platform: Kept damaged %@ as %@", what_, copy);
      return true;
    }
    if (errno == ENOENT) return true;  // nothing left to keep
    if (errno != EEXIST) {
      KSLog("KS:Platform: Cannot keep damaged %@ as %@ (%s); leaving it in place", what_, copy,
            std::strerror(errno));
      return false;
    }
  }
  KSLog("KS:Platform: Too many damaged copies of %@ at %@; leaving it in place", what_, path_);
  return false;
}

bool SharedPlistFile::update(const std::function<bool(Contents&)>& change) {
  ExclusiveFileLock lock(path_);
  if (!lock.held()) {
    KSLog("KS:Platform: Cannot lock %@ at %@ (%s)", what_, path_, std::strerror(lock.error()));
    return false;
  }
  Contents contents = load();
  State before = contents.state;
  if (before != State::Valid) contents.value = PlistValue();
  if (!change(contents)) return false;

  Bytes bytes = contents.value.toBytes(PlistValue::Format::XML);
  auto back = PlistValue::fromBytes(bytes);
  if (!back || !sameAfterRoundTrip(contents.value, *back)) {
    KSLog("KS:Platform: Refusing to write %@ at %@: its value cannot be stored as a property list", what_, path_);
    return false;
  }
  if (before == State::Damaged && !keepDamagedCopy()) return false;
  if (!files::writeFileAtomically(path_, bytes)) {
    KSLog("KS:Platform: Cannot write %@ at %@ (%s)", what_, path_, std::strerror(errno));
    return false;
  }
  return true;
}

bool SharedPlistFile::remove(const std::function<bool(const Contents&)>& shouldRemove) {
  ExclusiveFileLock lock(path_);
  if (!lock.held()) {
    KSLog("KS:Platform: Cannot lock %@ at %@ (%s)", what_, path_, std::strerror(lock.error()));
    return false;
  }
  Contents contents = load();
  if (contents.state == State::Missing) return false;
  if (shouldRemove && !shouldRemove(contents)) return false;
  if (contents.state == State::Damaged && !keepDamagedCopy()) return false;
  if (::unlink(path_.c_str()) != 0) {
    KSLog("KS:Platform: Cannot remove %@ at %@ (%s)", what_, path_, std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace kestrel
