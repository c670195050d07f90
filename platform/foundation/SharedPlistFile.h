// SharedPlistFile: one property-list file that several threads and processes read and write.
//
// Readers take no lock: writers replace the file atomically (temporary file, rename), so a
// read sees one whole version. Writers serialise on an exclusive flock of "<file>.lock"
// (never deleted) and read-modify-write under it, so concurrent updates from any number of
// processes are never lost. The lock is taken per call on a fresh descriptor, so threads of
// one process exclude each other too.
//
// Damaged input is expected: a file that cannot be read, is larger than kMaxFileSize, is not
// a property list, or fails the owner's validator reads as Damaged (the caller treats it as
// empty) and is logged once per process and file version. It is never overwritten silently:
// before a write or removal replaces it, it is kept aside as "<file>.damaged" (or
// "<file>.damaged-2" ... when earlier copies exist). A value that would not read back equal
// after writing (a string holding a NUL, a date out of range) is refused instead of stored.
//
// Paths are local paths. Thread-safe; the object owns nothing but its path and read cache.
#pragma once

#include <sys/types.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/PlistValue.h"

namespace kestrel {

class SharedPlistFile {
 public:
  enum class State { Missing, Valid, Damaged };
  struct Contents {
    State state = State::Missing;
    PlistValue value;  // none unless Valid
  };
  using Validator = std::function<bool(const PlistValue&)>;
  static constexpr size_t kMaxFileSize = 16u << 20;
  static constexpr int kMaxDamagedCopies = 100;

  // `what` names the file in log lines ("pasteboard com.kzt.kestrel").
  SharedPlistFile(std::string localPath, std::string what, Validator isValid);

  const std::string& path() const { return path_; }

  // The current version of the file (cached while the file is unchanged).
  Contents read() const;

  // Runs `change` on the current contents under the exclusive lock; when it answers true,
  // the value it left is written (a damaged file is kept aside first). False, with a log
  // line, when the lock, the copy aside or the write fails; also false when `change`
  // declined to write.
  bool update(const std::function<bool(Contents&)>& change);

  // Removes the file under the lock (a damaged file is kept aside first), when
  // `shouldRemove` (if given) agrees on the contents found there. False when there was no
  // file, it was kept, or it could not be removed.
  bool remove(const std::function<bool(const Contents&)>& shouldRemove = {});

 private:
  struct Identity {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtimeNs = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
  };
  Contents load() const;
  bool keepDamagedCopy() const;

  std::string path_;
  std::string what_;
  Validator isValid_;
  mutable std::mutex cacheMutex_;
  mutable std::optional<std::pair<Identity, Contents>> cache_;  // guarded by cacheMutex_
};

}  // namespace kestrel
