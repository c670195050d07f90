#include "database/FWDBCopyLog.h"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <sstream>

#include "database/FWDBBigEndian.h"
#include "platform/foundation/Files.h"

namespace files = kestrel::files;

namespace {
constexpr const char* kFormat = "wal-position-1";

std::mutex gKeptMutex;
std::map<std::string, std::shared_ptr<const FWDBLogScan>> gKept;
}  // namespace

std::string FWDBCopyLogRecordPath(const std::string& copyLocalPath) { return copyLocalPath + ".log-position"; }

std::optional<FWDBCopyLogRecord> FWDBRecordedCopyLog(const std::string& copyLocalPath) {
  auto text = files::readText(FWDBCopyLogRecordPath(copyLocalPath));
  if (!text || text->size() > 512) return std::nullopt;
  std::istringstream in(*text);
  std::string format;
  FWDBCopyLogRecord r;
  in >> format >> r.log.pageSize >> r.log.salt1 >> r.log.salt2 >> r.log.frames >> r.log.checksum1 >>
      r.log.checksum2 >> r.schemaCookie >> r.sourceInode >> r.copyInode >> r.copyChangeCounter;
  if (!in || format != kFormat) return std::nullopt;
  std::string rest;
  if (in >> rest) return std::nullopt;
  return r;
}

bool FWDBRecordCopyLog(const std::string& copyLocalPath, const FWDBCopyLogRecord& r) {
  std::ostringstream out;
  out << kFormat << ' ' << r.log.pageSize << ' ' << r.log.salt1 << ' ' << r.log.salt2 << ' ' << r.log.frames << ' '
      << r.log.checksum1 << ' ' << r.log.checksum2 << ' ' << r.schemaCookie << ' ' << r.sourceInode << ' '
      << r.copyInode << ' ' << r.copyChangeCounter << '\n';
  return files::writeFileAtomically(FWDBCopyLogRecordPath(copyLocalPath), out.str());
}

void FWDBForgetCopyLog(const std::string& copyLocalPath) {
  FWDBKeepLogScan(copyLocalPath, nullptr);
  files::removeFile(FWDBCopyLogRecordPath(copyLocalPath));
}

void FWDBKeepLogScan(const std::string& copyLocalPath, std::shared_ptr<const FWDBLogScan> scan) {
  std::lock_guard lock(gKeptMutex);
  if (scan)
    gKept[copyLocalPath] = std::move(scan);
  else
    gKept.erase(copyLocalPath);
}

std::shared_ptr<const FWDBLogScan> FWDBKeptLogScan(const std::string& copyLocalPath) {
  std::lock_guard lock(gKeptMutex);
  auto found = gKept.find(copyLocalPath);
  return found == gKept.end() ? nullptr : found->second;
}

std::optional<uint64_t> FWDBFileInode(const std::string& localPath) {
  struct stat st;
  if (::stat(localPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_ino);
}

std::optional<uint32_t> FWDBDatabaseChangeCounter(sqlite3* db) {
  sqlite3_file* file = nullptr;
  if (!db || sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
      !file->pMethods)
    return std::nullopt;
  unsigned char head[28];
  if (file->pMethods->xRead(file, head, sizeof head, 0) != SQLITE_OK) return std::nullopt;
  return FWDBGet32(head + 24);
}
