#include "database/FWDBCopyIndexes.h"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace {

using FileIdentity = std::pair<dev_t, ino_t>;

// The copies that served a refresh in this process, and those given their later indexes,
// by path, with the file meant.
std::mutex gIndexedMutex;
std::map<std::string, FileIdentity> gServed;
std::map<std::string, FileIdentity> gIndexed;

std::optional<FileIdentity> identityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino};
}

}  // namespace

int FWDBCreateCopyIndexes(FWDBConnection copy, const std::vector<std::string>& statements, const std::string& tag) {
  if (!copy) return 0;
  int made = 0;
  // One transaction: one journal for all of them.
  sqlite3_exec(copy, "begin", nullptr, nullptr, nullptr);
  for (const std::string& sql : statements) {
    char* error = nullptr;
    if (sqlite3_exec(copy, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) {
      ++made;
    } else {
      KSLog("KS:%@: **** Failed to create index: %s in %@", tag, error ? error : "unknown error", sql);
    }
    sqlite3_free(error);
  }
  sqlite3_exec(copy, "commit", nullptr, nullptr, nullptr);
  return made;
}

bool FWDBIndexSurvivingCopy(const std::string& copy, const FWDBCopyPreparer& index, FWApplication* application,
                            const std::string& tag) {
  if (!index) return false;
  auto identity = identityOf(copy);
  if (!identity) return false;
  {
    std::lock_guard lock(gIndexedMutex);
    auto served = gServed.find(copy);
    if (served == gServed.end() || served->second != *identity) return false;
    auto known = gIndexed.find(copy);
    if (known != gIndexed.end() && known->second == *identity) return false;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    KSLog("KS:%@: **** Cannot open the alternate DB to index it: %s", tag, db ? sqlite3_errmsg(db) : "no memory");
    sqlite3_close(db);
    return false;
  }
  sqlite3_busy_timeout(db, 2000);
  index(db, application);
  sqlite3_close(db);
  std::lock_guard lock(gIndexedMutex);
  gIndexed[copy] = *identity;
  return true;
}

void FWDBNoteCopyServedAt(const std::string& copy) {
  auto identity = identityOf(copy);
  if (!identity) return;
  std::lock_guard lock(gIndexedMutex);
  gServed[copy] = *identity;
}

void FWDBKeepCopyMarks(const std::string& copy) {
  auto identity = identityOf(copy);
  if (!identity) return;
  std::lock_guard lock(gIndexedMutex);
  for (auto* marks : {&gServed, &gIndexed})
    if (auto mark = marks->find(copy); mark != marks->end()) mark->second = *identity;
}

void FWDBForgetCopyIndexed(const std::string& copy) {
  std::lock_guard lock(gIndexedMutex);
  gServed.erase(copy);
  gIndexed.erase(copy);
}
