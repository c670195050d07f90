#include "database/FWDBSnapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "database/FWDBCopyLog.h"
#include "database/FWDBFileWriting.h"
#include "database/FWDBPinnedSource.h"
#include "database/FWDBSourceFiles.h"
#include "database/FWDBSourceState.h"
#include "platform/foundation/Files.h"

namespace files = kestrel::files;

namespace {

using Failure = std::optional<std::string>;

constexpr size_t kChunk = 4u << 20;  // few system calls per copy, little memory
constexpr int kUnpinnedAttempts = 3;

bool isRegularFile(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void removeWithSidecars(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) files::removeFile(path + suffix);
}

Failure copyPinned(const std::string& source, const std::string& temp, bool writeAheadLog) {
  FWDBPinnedSource pinned(source, writeAheadLog);
  if (auto failure = pinned.copyMain(temp)) return failure;
  // A log restarted meanwhile (its frames were all in the main file, so the read needed
  // none) leaves whole new commits or none in the copied bytes: recovery keeps only whole
  // commits of one run of the log.
  return pinned.copyLog(temp + "-wal");
}

// --- Unpinned: nobody has the database open; copy and verify it did not change. ---

Failure copyFile(const std::string& from, const std::string& to) {
  FWDBDescriptor in(files::openRegularFileForReading(from));
  if (in.fd < 0) return FWDBErrnoText("Cannot read database");
  FWDBDescriptor out(FWDBCreateFile(to));
  if (out.fd < 0) return FWDBErrnoText("Cannot create the copy");
  // Read and write rather than copy_file_range: the copy's pages then stay in the page
  // cache for the index pass and the first query (measured: an index pass three times as
  // long after an in-kernel copy).
  std::vector<unsigned char> buffer(kChunk);
  for (;;) {
    ssize_t n = ::read(in.fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FWDBErrnoText("Cannot read database");
    if (n == 0) return std::nullopt;
    if (!FWDBWriteAll(out.fd, buffer.data(), static_cast<size_t>(n))) return FWDBErrnoText("Cannot write the copy");
  }
}

// One copy of the files; `changed` tells that the source did not hold still meanwhile.
Failure copyUnpinned(const std::string& source, const std::string& temp, bool& changed) {
  auto before = FWDBSourceStateOf(source);
  if (!before) return std::string("Cannot read database");
  if (auto failure = copyFile(source, temp)) return failure;
  auto logSize = files::size(source + "-wal");
  if (logSize && *logSize > 0) {
    if (auto failure = copyFile(source + "-wal", temp + "-wal")) return failure;
  }
  changed = FWDBSourceStateOf(source) != before;
  return std::nullopt;
}

// The source's files at `temp` (and "-wal"), pinned where a writer may be at work.
Failure copySource(const std::string& source, const std::string& temp, bool& writeAheadLog) {
  for (int attempt = 0; attempt < kUnpinnedAttempts; ++attempt) {
    // Nothing of an earlier attempt may meet this one's files.
    removeWithSidecars(temp);
    if (auto failure = FWDBReadJournalFormat(source, writeAheadLog)) return failure;
    if (!writeAheadLog) return copyPinned(source, temp, false);
    if (isRegularFile(source + "-wal") && isRegularFile(source + "-shm")) return copyPinned(source, temp, true);
    // A writer that opens the database meanwhile leaves its log and index: the next
    // attempt pins it.
    bool changed = false;
    if (auto failure = copyUnpinned(source, temp, changed)) return failure;
    if (!changed) return std::nullopt;
  }
  return std::string("The database kept changing while it was copied");
}

// --- The copy itself. ---

std::string firstColumn(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
    if (auto text = sqlite3_column_text(st, 0)) out = reinterpret_cast<const char*>(text);
  }
  sqlite3_finalize(st);
  return out;
}

// Where the copied log ends: the copy's recovery keeps the same commits.
std::shared_ptr<const FWDBLogScan> copiedLog(const std::string& temp) {
  const std::string log = temp + "-wal";
  FWDBDescriptor in(files::openRegularFileForReading(log));
  auto size = files::size(log);
  if (in.fd < 0 || !size) return nullptr;
  auto scan = FWDBScanLog(
      [&](unsigned char* into, size_t amount, uint64_t offset) {
        ssize_t got;
        do got = ::pread(in.fd, into, amount, static_cast<off_t>(offset));
        while (got < 0 && errno == EINTR);
        return got == static_cast<ssize_t>(amount);
      },
      *size);
  if (!scan) return nullptr;
  return std::make_shared<const FWDBLogScan>(std::move(*scan));
}

// What the finished copy records about itself for a later catch-up.
struct CopyFacts {
  uint32_t schemaCookie = 0;
  std::optional<uint32_t> changeCounter;
};

// Folds the log into the copy, makes it a rollback-journal database and prepares it.
Failure finishCopy(const std::string& temp, const std::function<void(sqlite3*)>& prepare, CopyFacts& facts) {
  sqlite3* db = nullptr;
  Failure failure;
  int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    failure = std::string("Cannot open the copy: ") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  } else {
    // One flush of the finished file replaces SQLite's own along the way.
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    // The preparation's scans (the index over every task) read the new file through a map
    // instead of a system call per page; nothing but this connection touches the file.
    sqlite3_exec(db, "PRAGMA mmap_size=268435456", nullptr, nullptr, nullptr);
    std::string mode = firstColumn(db, "PRAGMA journal_mode=DELETE");
    if (mode != "delete") failure = "Cannot fold the log into the copy: " + std::string(sqlite3_errmsg(db));
  }
  if (!failure) {
    // The source's cookie, before the preparation adds indexes of its own.
    std::string cookie = firstColumn(db, "PRAGMA schema_version");
    facts.schemaCookie = static_cast<uint32_t>(std::strtoll(cookie.c_str(), nullptr, 10));
  }
  if (!failure && prepare) prepare(db);
  if (!failure) facts.changeCounter = FWDBDatabaseChangeCounter(db);
  if (sqlite3_close(db) != SQLITE_OK && !failure) failure = "Cannot close the copy";
  if (!failure) {
    FWDBDescriptor file(::open(temp.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0 || ::fdatasync(file.fd) != 0) failure = FWDBErrnoText("Cannot flush the copy");
  }
  return failure;
}

std::string uniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  return std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

// Removes "<target>.old-*" names: each is only a second name of a replaced copy.
void removeDiscardedCopies(const std::string& target) {
  const std::string prefix = files::lastPathComponent(target) + ".old-";
  std::error_code error;
  std::filesystem::directory_iterator entry(files::deletingLastPathComponent(target), error), end;
  for (; !error && entry != end; entry.increment(error))
    if (entry->path().filename().string().rfind(prefix, 0) == 0) files::removeFile(entry->path().string());
}

void flushFolder(const std::string& dir) {
  FWDBDescriptor folder(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.fd >= 0) ::fsync(folder.fd);
}

}  // namespace

FWDBSnapshotResult FWDBTakeSnapshot(const std::string& sourceLocalPath, const std::string& targetLocalPath,
                                    const std::function<void(sqlite3*)>& prepare) {
  FWDBSnapshotResult result;
  const std::string dir = files::deletingLastPathComponent(targetLocalPath);
  if (!dir.empty() && !files::createDirectories(dir)) {
    result.failure = "Cannot create the cache folder";
    return result;
  }
  const std::string temp = targetLocalPath + ".tmp-" + uniqueSuffix();
  removeWithSidecars(temp);
  bool writeAheadLog = false;
  {
    auto sourceFiles = FWDBLockSourceFiles();
    result.failure = copySource(sourceLocalPath, temp, writeAheadLog);
  }
  std::shared_ptr<const FWDBLogScan> copied;
  if (!result.failure && writeAheadLog) copied = copiedLog(temp);
  CopyFacts facts;
  if (!result.failure) result.failure = finishCopy(temp, prepare, facts);
  auto sourceInode = FWDBFileInode(sourceLocalPath);
  auto copyInode = FWDBFileInode(temp);
  if (!result.failure && copied && facts.changeCounter && sourceInode && copyInode) {
    result.log = FWDBCopyLogRecord{copied->end, facts.schemaCookie, *sourceInode, *copyInode, *facts.changeCounter};
    result.logScan = copied;
  }
  if (!result.failure) {
    // A second name keeps the old copy's blocks until the caller discards them; one that a
    // crash left behind goes now.
    removeDiscardedCopies(targetLocalPath);
    // So do the unfinished copies (and their journals) of processes killed while copying.
    files::removeFilesOfEndedProcesses(dir, files::lastPathComponent(targetLocalPath) + ".tmp-");
    std::string replaced = targetLocalPath + ".old-" + uniqueSuffix();
    if (isRegularFile(targetLocalPath)) {
      files::removeFile(replaced);
      if (::link(targetLocalPath.c_str(), replaced.c_str()) == 0) result.replaced = replaced;
    }
    // The old copy's journal must never meet the new copy.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) files::removeFile(targetLocalPath + suffix);
    if (::rename(temp.c_str(), targetLocalPath.c_str()) != 0) {
      result.failure = FWDBErrnoText("Cannot rename the copy");
      FWDBDiscardReplacedCopy(result.replaced);
      result.replaced.clear();
    } else {
      flushFolder(dir);
    }
  }
  removeWithSidecars(temp);
  if (result.failure) {
    result.replaced.clear();
    result.log.reset();
    result.logScan.reset();
  }
  return result;
}

void FWDBDiscardReplacedCopy(const std::string& replaced) {
  if (!replaced.empty()) files::removeFile(replaced);
}
