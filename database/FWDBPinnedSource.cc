#include "database/FWDBPinnedSource.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "database/FWDBFileWriting.h"
#include "platform/foundation/Files.h"

namespace {

constexpr size_t kChunk = 4u << 20;  // few system calls per copy, little memory
constexpr sqlite3_int64 kLogHeaderSize = 32;

bool readFile(sqlite3_file* file, unsigned char* into, size_t size, uint64_t offset, bool zeroFillShort) {
  if (!file || size > static_cast<size_t>(INT32_MAX)) return false;
  int rc = file->pMethods->xRead(file, into, static_cast<int>(size), static_cast<sqlite3_int64>(offset));
  return rc == SQLITE_OK || (zeroFillShort && rc == SQLITE_IOERR_SHORT_READ);
}

std::optional<std::string> copyThroughSQLite(sqlite3_file* file, sqlite3_int64 size, const std::string& to) {
  FWDBDescriptor out(FWDBCreateFile(to));
  if (out.fd < 0) return FWDBErrnoText("Cannot create the copy");
  std::vector<unsigned char> buffer(kChunk);
  for (sqlite3_int64 offset = 0; offset < size;) {
    int amount = static_cast<int>(std::min<sqlite3_int64>(static_cast<sqlite3_int64>(buffer.size()), size - offset));
    int rc = file->pMethods->xRead(file, buffer.data(), amount, offset);
    // A short read (a checkpoint truncated what lies beyond the snapshot) fills zeros.
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) return std::string("Cannot read database: ") + sqlite3_errstr(rc);
    if (!FWDBWriteAll(out.fd, buffer.data(), static_cast<size_t>(amount))) return FWDBErrnoText("Cannot write the copy");
    offset += amount;
  }
  return std::nullopt;
}

}  // namespace

std::string FWDBReadOnlySourceURI(const std::string& localPath) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "file:";
  for (unsigned char c : localPath) {
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

FWDBPinnedSource::FWDBPinnedSource(const std::string& localPath, bool writeAheadLog) {
  int rc = sqlite3_open_v2(FWDBReadOnlySourceURI(localPath).c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                           nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(db_, 2000);
    rc = sqlite3_exec(db_, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    failure_ = std::string("Cannot read database: ") + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    return;
  }
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &main_);
  if (writeAheadLog) sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log_);
  if (!main_ || !main_->pMethods || (writeAheadLog && (!log_ || !log_->pMethods))) {
    failure_ = "Cannot read database: no file open";
    return;
  }
  if (main_->pMethods->xFileSize(main_, &mainSize_) != SQLITE_OK ||
      (log_ && log_->pMethods->xFileSize(log_, &logSize_) != SQLITE_OK)) {
    failure_ = "Cannot read database: no size";
    return;
  }
  if (log_ && logSize_ >= kLogHeaderSize) {
    logHeader_.resize(kLogHeaderSize);
    if (!readFile(log_, logHeader_.data(), kLogHeaderSize, 0, false)) failure_ = "Cannot read database: no log header";
  }
}

bool FWDBPinnedSource::logRestarted() const {
  // A log that had no header yet holds no frames a checkpoint could move.
  if (!log_ || logHeader_.empty()) return false;
  sqlite3_int64 size = 0;
  if (log_->pMethods->xFileSize(log_, &size) != SQLITE_OK || size < kLogHeaderSize) return true;
  std::vector<unsigned char> now(kLogHeaderSize);
  return !readFile(log_, now.data(), kLogHeaderSize, 0, false) || now != logHeader_;
}

FWDBPinnedSource::~FWDBPinnedSource() { sqlite3_close(db_); }

FWDBLogReader FWDBPinnedSource::mainReader() const {
  sqlite3_file* file = main_;
  return [file](unsigned char* into, size_t size, uint64_t offset) { return readFile(file, into, size, offset, true); };
}

FWDBLogReader FWDBPinnedSource::logReader() const {
  sqlite3_file* file = log_;
  return [file](unsigned char* into, size_t size, uint64_t offset) { return readFile(file, into, size, offset, false); };
}

std::optional<std::string> FWDBPinnedSource::copyMain(const std::string& to) const {
  if (failure_) return failure_;
  return copyThroughSQLite(main_, mainSize_, to);
}

std::optional<std::string> FWDBPinnedSource::copyLog(const std::string& to) const {
  if (failure_) return failure_;
  if (!log_ || logSize_ <= 0) return std::nullopt;
  return copyThroughSQLite(log_, logSize_, to);
}

std::optional<std::string> FWDBReadJournalFormat(const std::string& localPath, bool& writeAheadLog) {
  FWDBDescriptor in(kestrel::files::openRegularFileForReading(localPath));
  if (in.fd < 0) return FWDBErrnoText("Cannot read database");
  unsigned char head[20];
  ssize_t got;
  do got = ::pread(in.fd, head, sizeof head, 0);
  while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(sizeof head)) return std::string("Database file is truncated");
  const unsigned char writeVersion = head[18];
  const unsigned char readVersion = head[19];
  if (writeVersion < 1 || writeVersion > 2 || readVersion < 1 || readVersion > 2)
    return "Unsupported database file format " + std::to_string(readVersion);
  writeAheadLog = readVersion == 2 || writeVersion == 2;
  return std::nullopt;
}
