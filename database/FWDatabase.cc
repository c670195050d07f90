#include "database/FWDatabase.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "database/FWDBApplicationAccess.h"
#include "database/FWDBCopyIndexes.h"
#include "database/FWDBCopyLog.h"
#include "database/FWDBLogCatchUp.h"
#include "database/FWDBRecords.h"
#include "database/FWDBSnapshot.h"
#include "database/FWDBSourceCheck.h"
#include "database/FWDBSourceState.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/RunLoop.h"

namespace files = kestrel::files;
using kestrel::Device;
using kestrel::RunLoop;

namespace {

std::atomic<double> gRetryDelay{15.0};

std::optional<Date> modified(const std::string& localPath) { return files::modificationDate(localPath); }

// Connections this process holds on private copies, so a copy that one of them still reads
// or writes is never deleted or replaced under it.
std::mutex gOpenMutex;
std::map<FWDBConnection, std::string> gOpenCopies;

int openConnectionsTo(const std::string& copy) {
  std::lock_guard lock(gOpenMutex);
  int n = 0;
  for (const auto& [db, path] : gOpenCopies)
    if (path == copy) ++n;
  return n;
}

void noteOpen(FWDBConnection db, const std::string& copy) {
  std::lock_guard lock(gOpenMutex);
  gOpenCopies[db] = copy;
}

void noteClosed(FWDBConnection db) {
  std::lock_guard lock(gOpenMutex);
  gOpenCopies.erase(db);
}

void removeSidecars(const std::string& path) {
  files::removeFile(path + "-wal");
  files::removeFile(path + "-shm");
  files::removeFile(path + "-journal");
}

// Removes a copy with everything beside it; the state record goes first, so a copy that
// survives a failed removal counts as stale.
bool removeCopy(const std::string& copy) {
  FWDBForgetSourceState(copy);
  FWDBForgetCopyLog(copy);
  FWDBForgetCopyIndexed(copy);
  bool removed = files::removeFile(copy) || !files::exists(copy);
  removeSidecars(copy);
  return removed;
}

// Reads of the copy come straight from the page cache instead of being copied page by page.
// A mapped page that vanishes under a read raises SIGBUS, not an error; nothing truncates
// the copy in place: it is replaced by rename and removed by unlink, so a live mapping keeps
// the old file, and in-place changes come only from SQLite connections, which take their
// locks and, at each read transaction, check that the file holds the pages its header
// counts. SQLite maps only as much as the file holds, so a short copy fails as corrupt.
// Taskwell's own file is never mapped.
constexpr const char* kCopyMapSize = "PRAGMA mmap_size=268435456";  // 256 MiB: the rest by pread

void mapCopy(sqlite3* db) { sqlite3_exec(db, kCopyMapSize, nullptr, nullptr, nullptr); }

std::string errorText(sqlite3* db, int rc) { return db ? sqlite3_errmsg(db) : sqlite3_errstr(rc); }

// Brings the copy up to date with the source. Runs under the record's database lock; the
// answer names the replaced copy's blocks, for the caller to free after the lock.
std::string refreshCopy(const std::string& source, const std::string& sourcePath, const std::string& shadow,
                        const std::string& shadowDevicePath, FWApplication* application, const std::string& tag) {
  const bool present = files::exists(shadow);
  // A copy that serves again gets the indexes that wait for a second use.
  auto indexSurvivor = [&] {
    FWDBCopyPreparer later = FWDBCopyLaterIndexerFor(application);
    if (later && openConnectionsTo(shadow) == 0) FWDBIndexSurvivingCopy(shadow, later, application, tag);
  };
  if (present && FWDBCopyIsCurrent(source, shadow)) {
    indexSurvivor();
    return {};
  }
  if (present && openConnectionsTo(shadow) > 0) {
    // Still in use: read what is there; the next connection replaces it.
    KSLog("KS:%@: Unable to remove expired alternate DB", tag);
    return {};
  }
  const char* copiedLine = present ? "KS:%@: Copied replacement alternate DB $$$$$$$$$$$; db = %@"
                                   : "KS:%@: Copied new alternate DB $$$$$$$$$$$; db = %@";
  const char* failedLine =
      present ? "KS:%@: Unable to copy replacement alternate DB" : "KS:%@: Unable to copy new alternate DB";
  // SQLite must never see a source it might change: check the header first.
  if (auto problem = FWDBSourceFileProblem(source)) {
    // A damaged database is no passing failure: its old copy goes, and the plug-in says
    // Taskwell is unavailable rather than show what it held before.
    if (present) removeCopy(shadow);
    fwdbSetMessageBox(application, "Database - SQL error", *problem, sourcePath);
    KSLog("KS:%@: Refused database at location %@: %@", tag, sourcePath, *problem);
    KSLog(failedLine, tag);
    return {};
  }
  // The state is taken before the copy: a commit that lands meanwhile makes it look stale.
  auto state = FWDBSourceStateOf(source);
  FWDBCopyPreparer prepare = FWDBCopyPreparerFor(application);
  FWDBCopyPreparer indexes = FWDBCopyIndexerFor(application);
  if (present) {
    // Commits appended to Taskwell's log since the copy are folded into it; the copy's own
    // indexes follow the rows, so only the preparer runs again.
    auto caught = FWDBCatchUpCopy(source, shadow, [&](sqlite3* copy) {
      if (prepare) prepare(copy, application);
    });
    if (caught.caughtUp) {
      if (state)
        FWDBRecordSourceState(shadow, *state);
      else
        FWDBForgetSourceState(shadow);
      KSLog("KS:%@: Updated alternate DB from the log (%@ pages, %@ row ranges); db = %@", tag, caught.pages,
            caught.ranges, shadowDevicePath);
      FWDBKeepCopyMarks(shadow);
      indexSurvivor();
      return {};
    }
    KSLog("KS:%@: Cannot update alternate DB from the log: %@", tag, caught.reason);
  }
  auto result = FWDBTakeSnapshot(source, shadow, [&](sqlite3* copy) {
    if (prepare) prepare(copy, application);
    if (indexes) indexes(copy, application);
  });
  if (result.failure) {
    fwdbSetMessageBox(application, "Database - SQL error", "Cannot copy database: " + *result.failure, sourcePath);
    KSLog(failedLine, tag);
    KSLog("KS:%@: **** Snapshot failed: %@", tag, *result.failure);
    // The previous copy stays in place and is read; its record still tells it is stale.
    if (present) KSLog("KS:%@: Kept the previous alternate DB; db = %@", tag, shadowDevicePath);
    return {};
  }
  FWDBForgetCopyIndexed(shadow);
  if (state)
    FWDBRecordSourceState(shadow, *state);
  else
    FWDBForgetSourceState(shadow);
  if (!result.log || !FWDBRecordCopyLog(shadow, *result.log))
    FWDBForgetCopyLog(shadow);
  else
    FWDBKeepLogScan(shadow, result.logScan);
  KSLog(copiedLine, tag, shadowDevicePath);
  return result.replaced;
}

}  // namespace

double FWDBConsistencyRetryDelay() { return gRetryDelay.load(); }
void FWDBSetConsistencyRetryDelay(double seconds) { gRetryDelay = seconds < 0 ? 0 : seconds; }

std::string FWShadowDBPath(const std::string& sourcePath, const FWApplication* application) {
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
    // Freed after the lock, also when a path below returns early.
    struct Replaced {
      std::string path;
      ~Replaced() { FWDBDiscardReplacedCopy(path); }
    } replaced;
    {
      auto lock = fwdbLockDatabase(application);
      replaced.path = refreshCopy(source, sourcePath, shadow, shadowDevicePath, application, tag);

      std::string file;
      if (files::exists(shadow)) {
        fwdbSetIsAlternate(application, true);
        file = shadow;
      } else if (openFlags == 8) {
        if (auto problem = FWDBSourceFileProblem(source)) {
          fwdbSetMessageBox(application, "Database - SQL error", *problem, sourcePath);
          KSLog("KS:%@: Refused database at location %@: %@", tag, sourcePath, *problem);
          return nullptr;
        }
        file = source;
      } else {
        KSLog("KS:%@: Attemted to open source database for update; db = %@", tag, sourcePath);
        return nullptr;
      }
      int rc = sqlite3_open_v2(file.c_str(), &db, openFlags, nullptr);
      if (rc != SQLITE_OK) {
        std::string message = errorText(db, rc);
        if (debug) message = KSFormat("%@ (%d)", message, rc);
        fwdbSetMessageBox(application, "Database - SQL error", message, kestrel::Device::devicePath(file));
        KSLog("KS:%@: Failed to open DB at location %@", tag, kestrel::Device::devicePath(file));
        sqlite3_close(db);
        return nullptr;
      }
      sqlite3_busy_timeout(db, 2000);
      if (file == shadow) {
        mapCopy(db);
        noteOpen(db, shadow);
      }
      fwdbSetConnection(application, db);
    }

    auto check = FWDBGetRecordsFromConnection("select Z_VERSION from Z_METADATA", 0, nullptr, db, application,
                                              nullptr, false, false);
    if (check) {
      KSLog("KS:%@: Consistency check suceeded", tag);
      return db;
    }
    KSLog("KS:%@: Consistency check failed", tag);
    FWDBDisconnectDatabase(db);
    fwdbClearConnection(application);
    {
      auto lock = fwdbLockDatabase(application);
      if (openConnectionsTo(shadow) == 0) removeCopy(shadow);
    }
    const double delay = FWDBConsistencyRetryDelay();
    if (retries >= 1 && delay > 0 && RunLoop::isMainThread()) {
      // The main run loop never sleeps: this pass fails, and a refresh after the back-off
      // makes a fresh copy.
      fwdbSetMessageBox(application, "Database - SQL error", "Consistency check failed; trying again shortly",
                        sourcePath);
      if (auto plugin = application ? application->fwPlugin() : nullptr) {
        std::weak_ptr<FWPlugin> weak = plugin;
        plugin->performAfterDelay(delay, [weak] {
          if (auto controller = weak.lock()) controller->triggerUnconditionalRefresh();
        });
      }
      return nullptr;
    }
    if (retries < 1) {
      fwdbSetMessageBox(application, "Database - SQL error", "Consistency check failed", sourcePath);
      return nullptr;
    }
    --retries;
    if (delay > 0) std::this_thread::sleep_for(std::chrono::duration<double>(delay));
  }
}

void FWDBDisconnectDatabase(FWDBConnection connection) {
  if (!connection) return;
  sqlite3_close(connection);
  noteClosed(connection);
}

void FWDBDropAlternateDatabase(const std::string& sourcePath, FWApplication* application) {
  std::string shadowDevicePath = FWShadowDBPath(sourcePath, application);
  std::string shadow = Device::path(shadowDevicePath);
  auto lock = fwdbLockDatabase(application);
  if (files::exists(shadow)) {
    removeCopy(shadow);
    KSLog("KS:%@: Removed shadow database; db = %@", fwdbResourceName(application), shadowDevicePath);
  }
}

std::optional<Date> FWDBAlternateDatabaseUpdated(const std::string& sourcePath, FWApplication* application) {
  return modified(Device::path(FWShadowDBPath(sourcePath, application)));
}

void FWDBSetCopyPreparer(FWApplication* application, FWDBCopyPreparer prepare) {
  if (!application) return;
  if (prepare)
    application->setAttribute(kFWDBCopyPreparerAttribute, std::move(prepare));
  else
    application->clearAttribute(kFWDBCopyPreparerAttribute);
}

FWDBCopyPreparer FWDBCopyPreparerFor(FWApplication* application) {
  if (!application) return {};
  return application->attribute<FWDBCopyPreparer>(kFWDBCopyPreparerAttribute).value_or(FWDBCopyPreparer());
}

void FWDBSetCopyIndexer(FWApplication* application, FWDBCopyPreparer index) {
  if (!application) return;
  if (index)
    application->setAttribute(kFWDBCopyIndexerAttribute, std::move(index));
  else
    application->clearAttribute(kFWDBCopyIndexerAttribute);
}

FWDBCopyPreparer FWDBCopyIndexerFor(FWApplication* application) {
  if (!application) return {};
  return application->attribute<FWDBCopyPreparer>(kFWDBCopyIndexerAttribute).value_or(FWDBCopyPreparer());
}

void FWDBSetCopyLaterIndexer(FWApplication* application, FWDBCopyPreparer index) {
  if (!application) return;
  if (index)
    application->setAttribute(kFWDBCopyLaterIndexerAttribute, std::move(index));
  else
    application->clearAttribute(kFWDBCopyLaterIndexerAttribute);
}

FWDBCopyPreparer FWDBCopyLaterIndexerFor(FWApplication* application) {
  if (!application) return {};
  return application->attribute<FWDBCopyPreparer>(kFWDBCopyLaterIndexerAttribute).value_or(FWDBCopyPreparer());
}

void FWDBNoteCopyServed(const std::string& sourcePath, FWApplication* application) {
  FWDBNoteCopyServedAt(Device::path(FWShadowDBPath(sourcePath, application)));
}
