#include "database/FWDBSnapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "database/FWDBSourceFiles.h"
#include "database/FWDBSourceState.h"
#include "platform/foundation/Files.h"

namespace files = kestrel::files;

namespace {

using Failure = std::optional<std::string>;

constexpr size_t kChunk = 4u << 20;  // few system calls per copy, little memory
constexpr int kUnpinnedAttempts = 3;

std::string errnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// A descriptor closed on every path.
struct Descriptor {
  int fd = -1;
  explicit Descriptor(int f) : fd(f) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool writeAll(int fd, const unsigned char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

int createFile(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

bool isRegularFile(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void removeWithSidecars(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) files::removeFile(path + suffix);
}

// The read and write versions of the header (offsets 18, 19): 1 rollback journal, 2 log.
Failure readJournalFormat(const std::string& source, unsigned char& writeVersion, unsigned char& readVersion) {
  Descriptor in(files::openRegularFileForReading(source));
  if (in.fd < 0) return errnoText("Cannot read database");
  unsigned char head[20];
  ssize_t got;
  do got = ::pread(in.fd, head, sizeof head, 0);
  while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(sizeof head)) return std::string("Database file is truncated");
  writeVersion = head[18];
  readVersion = head[19];
  if (writeVersion < 1 || writeVersion > 2 || readVersion < 1 || readVersion > 2)
    return "Unsupported database file format " + std::to_string(readVersion);
  return std::nullopt;
}

// --- Pinned: through a read transaction of a read-only connection. ---

std::string uriPath(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "file:";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  // No creation of a "-shm" and none of its recovery: whoever writes owns the index.
  return out + "?mode=ro&readonly_shm=1";
}

// Copies `file` (open in SQLite) into a new file at `to`, `size` bytes.
Failure copyThroughSQLite(sqlite3_file* file, sqlite3_int64 size, const std::string& to) {
  Descriptor out(createFile(to));
  if (out.fd < 0) return errnoText("Cannot create the copy");
  std::vector<unsigned char> buffer(kChunk);
  for (sqlite3_int64 offset = 0; offset < size;) {
    int amount = static_cast<int>(std::min<sqlite3_int64>(static_cast<sqlite3_int64>(buffer.size()), size - offset));
    int rc = file->pMethods->xRead(file, buffer.data(), amount, offset);
    // A short read (a checkpoint truncated what lies beyond the snapshot) fills zeros.
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) return std::string("Cannot read database: ") + sqlite3_errstr(rc);
    if (!writeAll(out.fd, buffer.data(), static_cast<size_t>(amount))) return errnoText("Cannot write the copy");
    offset += amount;
  }
  return std::nullopt;
}

Failure copyPinned(const std::string& source, const std::string& temp, bool writeAheadLog) {
  sqlite3* db = nullptr;
  Failure failure;
  int rc = sqlite3_open_v2(uriPath(source).c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(db, 2000);
    rc = sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) failure = std::string("Cannot read database: ") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  sqlite3_file* main = nullptr;
  sqlite3_file* log = nullptr;
  if (!failure) {
    sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &main);
    if (writeAheadLog) sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log);
    if (!main || !main->pMethods || (writeAheadLog && (!log || !log->pMethods)))
      failure = "Cannot read database: no file open";
  }
  sqlite3_int64 mainSize = 0;
  sqlite3_int64 logSize = 0;
  if (!failure && (main->pMethods->xFileSize(main, &mainSize) != SQLITE_OK ||
                   (log && log->pMethods->xFileSize(log, &logSize) != SQLITE_OK)))
    failure = "Cannot read database: no size";
  if (!failure) failure = copyThroughSQLite(main, mainSize, temp);
  if (!failure && logSize > 0) failure = copyThroughSQLite(log, logSize, temp + "-wal");
  sqlite3_close(db);
  return failure;
}

// --- Unpinned: nobody has the database open; copy and verify it did not change. ---

Failure copyFile(const std::string& from, const std::string& to) {
  Descriptor in(files::openRegularFileForReading(from));
  if (in.fd < 0) return errnoText("Cannot read database");
  Descriptor out(createFile(to));
  if (out.fd < 0) return errnoText("Cannot create the copy");
  // Read and write rather than copy_file_range: the copy's pages then stay in the page
  // cache for the index pass and the first query (measured: an index pass three times as
  // long after an in-kernel copy).
  std::vector<unsigned char> buffer(kChunk);
  for (;;) {
    ssize_t n = ::read(in.fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errnoText("Cannot read database");
    if (n == 0) return std::nullopt;
    if (!writeAll(out.fd, buffer.data(), static_cast<size_t>(n))) return errnoText("Cannot write the copy");
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
Failure copySource(const std::string& source, const std::string& temp) {
  for (int attempt = 0; attempt < kUnpinnedAttempts; ++attempt) {
    // Nothing of an earlier attempt may meet this one's files.
    removeWithSidecars(temp);
    unsigned char writeVersion = 0;
    unsigned char readVersion = 0;
    if (auto failure = readJournalFormat(source, writeVersion, readVersion)) return failure;
    const bool writeAheadLog = readVersion == 2 || writeVersion == 2;
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

// Folds the log into the copy, makes it a rollback-journal database and prepares it.
Failure finishCopy(const std::string& temp, const std::function<void(sqlite3*)>& prepare) {
  sqlite3* db = nullptr;
  Failure failure;
  int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    failure = std::string("Cannot open the copy: ") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  } else {
    // One flush of the finished file replaces SQLite's own along the way.
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    std::string mode = firstColumn(db, "PRAGMA journal_mode=DELETE");
    if (mode != "delete") failure = "Cannot fold the log into the copy: " + std::string(sqlite3_errmsg(db));
  }
  if (!failure && prepare) prepare(db);
  if (sqlite3_close(db) != SQLITE_OK && !failure) failure = "Cannot close the copy";
  if (!failure) {
    Descriptor file(::open(temp.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0 || ::fdatasync(file.fd) != 0) failure = errnoText("Cannot flush the copy");
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
  Descriptor folder(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
  {
    auto sourceFiles = FWDBLockSourceFiles();
    result.failure = copySource(sourceLocalPath, temp);
  }
  if (!result.failure) result.failure = finishCopy(temp, prepare);
  if (!result.failure) {
    // A second name keeps the old copy's blocks until the caller discards them; one that a
    // crash left behind goes now.
    removeDiscardedCopies(targetLocalPath);
    std::string replaced = targetLocalPath + ".old-" + uniqueSuffix();
    if (isRegularFile(targetLocalPath)) {
      files::removeFile(replaced);
      if (::link(targetLocalPath.c_str(), replaced.c_str()) == 0) result.replaced = replaced;
    }
    // The old copy's journal must never meet the new copy.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) files::removeFile(targetLocalPath + suffix);
    if (::rename(temp.c_str(), targetLocalPath.c_str()) != 0) {
      result.failure = errnoText("Cannot rename the copy");
      FWDBDiscardReplacedCopy(result.replaced);
      result.replaced.clear();
    } else {
      flushFolder(dir);
    }
  }
  removeWithSidecars(temp);
  if (result.failure) result.replaced.clear();
  return result;
}

void FWDBDiscardReplacedCopy(const std::string& replaced) {
  if (!replaced.empty()) files::removeFile(replaced);
}
