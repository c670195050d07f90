#include "tasks/TWTaskPendingCompletions.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "model/TWOptions.h"
#include "model/TWURLEncoding.h"
#include "platform/foundation/Pasteboard.h"
#include "runtime/FWApplication.h"
#include "tasks/TWTaskIntegration.h"

namespace {

std::string storeUUID(FWDBConnection db) {
  std::string uuid;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, "select Z_UUID from Z_METADATA where Z_VERSION = (select max(Z_VERSION) from Z_METADATA)",
                         -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    if (const unsigned char* text = sqlite3_column_text(st, 0))
      uuid.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(st, 0)));
  }
  sqlite3_finalize(st);
  return uuid;
}

// The task keys of the links on the pasteboard that name a task of the store `uuid`.
std::vector<int64_t> pendingKeys(const std::string& uuid) {
  std::vector<int64_t> keys;
  auto board = kestrel::Pasteboard::pasteboardWithName(kTWTaskCompletedPasteboard, false);
  if (!board || uuid.empty()) return keys;
  const std::string prefix =
      "x-coredata://" + TWURLEncodePathSegment(uuid) + "/" + TWURLEncodePathSegment(kTWEntityTypeTask) + "/p";
  for (const PlistValue& value : board->valuesForPasteboardType(kTWTaskCompletedPasteboardType)) {
    const std::string* link = value.asString();
    if (!link || link->compare(0, prefix.size(), prefix) != 0) continue;
    std::string digits = link->substr(prefix.size());
    if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    keys.push_back(std::strtoll(digits.c_str(), nullptr, 10));
  }
  return keys;
}

}  // namespace

int TWTaskApplyPendingCompletions(FWDBConnection copy, FWApplication* application) {
  if (!copy) return 0;
  std::vector<int64_t> keys = pendingKeys(storeUUID(copy));
  if (keys.empty()) return 0;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(copy, "update ZTWCALTASK set ZCOMPLETEDDATE=?1 where Z_PK=?2 and ZCOMPLETEDDATE is null", -1,
                         &st, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    return 0;
  }
  const int64_t now = kestrel::wholeSeconds(Clock::now());
  int changed = 0;
  for (int64_t key : keys) {
    sqlite3_bind_int64(st, 1, now);
    sqlite3_bind_int64(st, 2, key);
    if (sqlite3_step(st) == SQLITE_DONE) changed += sqlite3_changes(copy);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  const std::string tag = application ? application->resourceName() : "FWCommon";
  if (changed > 0) KSLog("KS:%@: Re-applied %@ completions pending on the complete pasteboard", tag, changed);
  return changed;
}

void TWTaskInstallPendingCompletions(FWApplication* application) {
  FWDBSetCopyPreparer(application, [](FWDBConnection copy, FWApplication* app) {
    TWTaskApplyPendingCompletions(copy, app);
  });
}
