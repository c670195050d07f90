#include "platform/host/PluginPreferences.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"

namespace kestrel {
namespace {

bool isDomainCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
         c == '_';
}

struct StoredOptions {
  PlistValue value;
  PlistValue::Format format = PlistValue::Format::XML;
};

// Missing file: an empty dictionary. Present: it must be a dictionary property list.
HostResult<StoredOptions> readStored(const std::string& domain) {
  std::string path = Device::path(PluginPreferences::devicePathForDomain(domain));
  if (!files::exists(path)) return StoredOptions{PlistValue::dict(), PlistValue::Format::XML};
  if (files::isDirectory(path)) return HostError{"options file " + path + " is a folder, not a property list"};
  errno = 0;
  auto bytes = files::readFile(path);
  if (!bytes) {
    int err = errno;
    return HostError{"cannot read options file " + path + (err ? std::string(": ") + std::strerror(err) : "")};
  }
  auto value = PlistValue::fromBytes(*bytes);
  if (!value) return HostError{"options file " + path + " is not a property list"};
  if (!value->isDict()) return HostError{"options file " + path + " is not a dictionary property list"};
  static constexpr char kBinaryMagic[] = "bplist";
  bool binary = bytes->size() >= 6 && std::memcmp(bytes->data(), kBinaryMagic, 6) == 0;
  return StoredOptions{std::move(*value), binary ? PlistValue::Format::Binary : PlistValue::Format::XML};
}

// The exclusive lock every writer of a preference domain takes on "<file>.lock" (the one
// PreferenceDomain and the settings panes take too), held while the object lives.
class DomainWriteLock {
 public:
  explicit DomainWriteLock(const std::string& path) {
    files::createDirectories(files::deletingLastPathComponent(path));
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  ~DomainWriteLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  DomainWriteLock(const DomainWriteLock&) = delete;
  DomainWriteLock& operator=(const DomainWriteLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

std::string PluginPreferences::libraryStem(const std::string& libraryPath) {
  std::string name = files::lastPathComponent(libraryPath);
  if (name.rfind("lib", 0) == 0) name.erase(0, 3);
  if (auto dot = name.find('.'); dot != std::string::npos) name.erase(dot);
  return name;
}

HostResult<std::string> PluginPreferences::domainForLibrary(const std::string& libraryPath) {
  std::string stem = libraryStem(libraryPath);
  std::string domain = kDomainPrefix + stem;
  if (stem.empty() || !isValidDomain(domain))
    return HostError{"cannot derive a preferences domain from the library name " +
                     files::lastPathComponent(libraryPath) + "; name the domain explicitly"};
  return domain;
}

bool PluginPreferences::isValidDomain(const std::string& domain) {
  if (domain.empty() || domain.size() > 200 || domain.front() == '.') return false;
  if (domain.find("..") != std::string::npos) return false;
  for (char c : domain)
    if (!isDomainCharacter(c)) return false;
  return true;
}

std::string PluginPreferences::devicePathForDomain(const std::string& domain) {
  return std::string(kPreferencesFolder) + "/" + domain + ".plist";
}

HostResult<PlistValue> PluginPreferences::read(const std::string& domain) {
  if (!isValidDomain(domain)) return HostError{"invalid preferences domain '" + domain + "'"};
  auto stored = readStored(domain);
  if (!stored) return HostError{stored.error()};
  return std::move(stored->value);
}

std::optional<HostError> PluginPreferences::merge(const std::string& domain, const PlistValue::Dict& values) {
  if (!isValidDomain(domain)) return HostError{"invalid preferences domain '" + domain + "'"};
  std::string path = Device::path(devicePathForDomain(domain));
  // Read, change and write under the domain's lock, so a settings pane writing other keys
  // at the same moment keeps its keys and this merge keeps ours.
  DomainWriteLock lock(path);
  if (!lock.held())
    return HostError{"cannot lock options file " + path + ": " + std::strerror(errno)};
  auto stored = readStored(domain);
  if (!stored) return HostError{stored.error() + "; not overwriting it"};
  for (const auto& [key, value] : values) stored->value.set(key, value);
  errno = 0;
  if (!files::writePlistAtomically(path, stored->value, stored->format)) {
    int err = errno;
    return HostError{"cannot write options file " + path + (err ? std::string(": ") + std::strerror(err) : "")};
  }
  return std::nullopt;
}

}  // namespace kestrel
