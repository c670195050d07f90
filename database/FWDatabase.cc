#include "database/FWDatabase.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

#include "database/FWDBApplicationAccess.h"
#include "database/FWDBRecords.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"

namespace files = kestrel::files;
using kestrel::Device;

namespace {

std::atomic<double> gRetryDelay{15.0};

std::optional<Date> modified(const std::string& localPath) { return files::modificationDate(localPath); }

// The source counts as newer than the copy when its main file or its write-ahead log
// carries a later whole-second modification date.
bool sourceIsNewer(const std::string& source, const std::string& copy) {
  auto copyDate = modified(copy);
  if (!copyDate) return true;
  for (const std::string& file : {source, source + "-wal"}) {
    auto d = modified(file);
    if (d && d->isLaterThanDate(*copyDate)) return true;
  }
  return false;
}

void removeSidecars(const std::string& path) {
  files::removeFile(path + "-wal");
  files::removeFile(path + "-shm");
  files::removeFile(path + "-journal");
}

// Consistent snapshot of `source` at `target`: online backup into a temporary file in the
// same folder, switched to a rollback journal so the copy is one self-contained file,
// then renamed into place.
bool snapshotDatabase(const std::string& source, const std::string& target) {
  std::string dir = files::deletingLastPathComponent(target);
  if (!dir.empty() && !files::createDirectories(dir)) return false;
  std::string temp = target + ".tmp-" + std::to_string(::getpid()) + "-" +
                     std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()) % 100000);
  sqlite3* src = nullptr;
  sqlite3* dst = nullptr;
  bool ok = sqlite3_open_v2(source.c_str(), &src, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_open_v2(temp.c_str(), &dst, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
  if (ok) {
    sqlite3_busy_timeout(src, 2000);
    sqlite3_backup* backup = sqlite3_backup_init(dst, "main", src, "main");
    ok = backup != nullptr;
    if (backup) {
      int rc;
      // A writer in the source restarts the step; a busy/locked source is retried briefly.
      int attempts = 0;
      while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (++attempts > 50) break;
        sqlite3_sleep(20);
      }
      ok = rc == SQLITE_DONE;
      ok = sqlite3_backup_finish(backup) == SQLITE_OK && ok;
    }
    if (ok) ok = sqlite3_exec(dst, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  sqlite3_close(src);
  if (sqlite3_close(dst) != SQLITE_OK) ok = false;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    files::removeFile(temp);
    removeSidecars(temp);
  }
  return ok;
}

}  // namespace

double FWDBConsistencyRetryDelay() { return gRetryDelay.load(); }
void FWDBSetConsistencyRetryDelay(double seconds) { gRetryDelay = seconds < 0 ? 0 : seconds; }

std::string FWShadowDBPath(const std::string& sourcePath, FWApplication* application) {
  return KSFormat("/var/mobile/Library/Caches/com.kzt.kestrel.%@-%@%@", files::lastPathComponent(sourcePath),
                  fwdbResourceName(application), ".alternatedb");
}

FWDBConnection FWDBConnectDatabase(const std::string& sourcePath, FWApplication* application, int openFlags,
                                   int retries) {
  for (;;) {
    const std::string tag = fwdbResourceName(application);
    fwdbClearConnection(application);
    const bool debug = fwdbIsDebugMode(application);
    const std::string source = Device::path(sourcePath);
    if (!files::isReadableFile(source)) {
      fwdbSetMessageBox(application, "Database - SQL error", "Cannot find database", sourcePath);
      KSLog("KS:%@: Failed to find DB at location %@", tag, sourcePath);
      return nullptr;
    }
    const std::string shadowDevicePath = FWShadowDBPath(sourcePath, application);
    const std::string shadow = Device::path(shadowDevicePath);
    FWDBConnection db = nullptr;
    {
      auto lock = fwdbLockDatabase(application);
      if (files::exists(shadow)) {
        if (sourceIsNewer(source, shadow)) {
          if (!files::removeFile(shadow)) {
            KSLog("KS:%@: Unable to remove expired alternate DB", tag);
          } else {
            removeSidecars(shadow);
            if (snapshotDatabase(source, shadow)) {
              KSLog("KS:%@: Copied replacement alternate DB $$$$$$$$$$$; db = %@", tag, shadowDevicePath);
              // Stamp the copy "now", but never earlier than its source, or it would look
              // stale at once and be copied again on every connection.
              Date stamp = Clock::now();
              for (const std::string& f : {source, source + "-wal"})
                if (auto d = modified(f); d && *d > stamp) stamp = *d;
              files::setModificationDate(shadow, stamp);
            } else {
              KSLog("KS:%@: Unable to copy replacement alternate DB", tag);
            }
          }
        }
      } else {
        if (snapshotDatabase(source, shadow))
          KSLog("KS:%@: Copied new alternate DB $$$$$$$$$$$; db = %@", tag, shadowDevicePath);
        else
          KSLog("KS:%@: Unable to copy new alternate DB", tag);
      }

      std::string file;
      if (files::exists(shadow)) {
        fwdbSetIsAlternate(application, true);
        file = shadow;
      } else if (openFlags == 8) {
        file = source;
      } else {
        KSLog("KS:%@: Attemted to open source database for update; db = %@", tag, sourcePath);
        return nullptr;
      }
      int rc = sqlite3_open_v2(file.c_str(), &db, openFlags, nullptr);
      if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        if (debug) message = KSFormat("%@ (%d)", message, rc);
        fwdbSetMessageBox(application, "Database - SQL error", message, kestrel::Device::devicePath(file));
        KSLog("KS:%@: Failed to open DB at location %@", tag, kestrel::Device::devicePath(file));
        sqlite3_close(db);
        return nullptr;
      }
      sqlite3_busy_timeout(db, 2000);
      fwdbSetConnection(application, db);
    }

    auto check = FWDBGetRecordsFromConnection("select Z_VERSION from Z_METADATA", 0, nullptr, db, application,
                                              nullptr, false, false);
    if (check) {
      KSLog("KS:%@: Consistency check suceeded", tag);
      return db;
    }
    KSLog("KS:%@: Consistency check failed", tag);
    sqlite3_close(db);
    fwdbClearConnection(application);
    {
      auto lock = fwdbLockDatabase(application);
      files::removeFile(shadow);
      removeSidecars(shadow);
    }
    if (retries < 1) return nullptr;
    --retries;
    double delay = FWDBConsistencyRetryDelay();
    if (delay > 0) std::this_thread::sleep_for(std::chrono::duration<double>(delay));
  }
}

void FWDBDisconnectDatabase(FWDBConnection connection) {
  if (connection) sqlite3_close(connection);
}

void FWDBDropAlternateDatabase(const std::string& sourcePath, FWApplication* application) {
  std::string shadowDevicePath = FWShadowDBPath(sourcePath, application);
  std::string shadow = Device::path(shadowDevicePath);
  auto lock = fwdbLockDatabase(application);
  if (files::exists(shadow)) {
    files::removeFile(shadow);
    removeSidecars(shadow);
    KSLog("KS:%@: Removed shadow database; db = %@", fwdbResourceName(application), shadowDevicePath);
  }
}

std::optional<Date> FWDBAlternateDatabaseUpdated(const std::string& sourcePath, FWApplication* application) {
  return modified(Device::path(FWShadowDBPath(sourcePath, application)));
}
