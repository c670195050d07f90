#include "database/FWDBSourceState.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "database/FWDBBigEndian.h"
#include "database/FWDBSourceFiles.h"
#include "platform/foundation/Files.h"

namespace files = kestrel::files;

namespace {

constexpr size_t kMaxRecordBytes = 512;

constexpr auto bigEndian32 = FWDBGet32;

// "<dev>:<ino> <size> <mtime ns>" and the header words at `offsets`, or none when the file
// is not a readable regular file.
std::optional<std::string> fileState(const std::string& path, std::initializer_list<size_t> offsets) {
  int fd = files::openRegularFileForReading(path);
  if (fd < 0) return std::nullopt;
  struct stat st;
  unsigned char head[32] = {};
  ssize_t got = 0;
  bool ok = ::fstat(fd, &st) == 0;
  if (ok) {
    do got = ::pread(fd, head, sizeof head, 0);
    while (got < 0 && errno == EINTR);
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  std::string text = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + " " +
                     std::to_string(st.st_size) + " " +
                     std::to_string(static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
  for (size_t offset : offsets) {
    text += " ";
    text += got >= static_cast<ssize_t>(offset + 4) ? std::to_string(bigEndian32(head + offset)) : "-";
  }
  return text;
}

// A commit's frames reach the log before the commit is published in the shared-memory
// index ("-shm"), which leaves the log file as it is. Its two header copies (96 bytes,
// written by writers only; readers' marks follow them) tell the moment of publishing.
std::string walIndexHeader(const std::string& localPath) {
  int fd = files::openRegularFileForReading(localPath + "-shm");
  if (fd < 0) return "none";
  unsigned char header[96];
  ssize_t got;
  do got = ::pread(fd, header, sizeof header, 0);
  while (got < 0 && errno == EINTR);
  ::close(fd);
  if (got <= 0) return "empty";
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (ssize_t i = 0; i < got; ++i) hash = (hash ^ header[i]) * 1099511628211ull;
  return std::to_string(hash);
}

}  // namespace

std::optional<std::string> FWDBSourceStateOf(const std::string& localPath) {
  auto sourceFiles = FWDBLockSourceFiles();
  // Main file: the header's file change counter (offset 24).
  auto main = fileState(localPath, {24});
  if (!main) return std::nullopt;
  // Log: checkpoint sequence (12) and the two salts (16, 20). An empty log holds nothing
  // (a reader's open leaves one behind), so it counts as none.
  auto walSize = files::size(localPath + "-wal");
  auto wal = walSize && *walSize > 0 ? fileState(localPath + "-wal", {12, 16, 20}) : std::nullopt;
  if (!wal) return "main " + *main + "; wal none";
  // Only a log with frames can hold a commit not yet published in the index.
  return "main " + *main + "; wal " + *wal + "; index " + walIndexHeader(localPath);
}

std::string FWDBSourceStateRecordPath(const std::string& copyLocalPath) { return copyLocalPath + ".source"; }

std::optional<std::string> FWDBRecordedSourceState(const std::string& copyLocalPath) {
  auto text = files::readText(FWDBSourceStateRecordPath(copyLocalPath));
  if (!text || text->empty() || text->size() > kMaxRecordBytes) return std::nullopt;
  return text;
}

bool FWDBRecordSourceState(const std::string& copyLocalPath, const std::string& state) {
  return files::writeFileAtomically(FWDBSourceStateRecordPath(copyLocalPath), state);
}

void FWDBForgetSourceState(const std::string& copyLocalPath) {
  files::removeFile(FWDBSourceStateRecordPath(copyLocalPath));
}

bool FWDBCopyIsCurrent(const std::string& sourceLocalPath, const std::string& copyLocalPath) {
  auto recorded = FWDBRecordedSourceState(copyLocalPath);
  if (!recorded) return false;
  auto now = FWDBSourceStateOf(sourceLocalPath);
  return now && *now == *recorded;
}
