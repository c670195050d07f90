// Completing a Taskwell task: the private copy marks it done at once, and Taskwell learns of
// it from the completed-tasks pasteboard.
#include "database/FWDBApplicationAccess.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "platform/foundation/Pasteboard.h"
#include "tasks/TWTaskIntegration.h"
#include "database/FWSQLText.h"

namespace {

// Closes the connection on every path.
struct Connection {
  FWDBConnection db = nullptr;
  ~Connection() { FWDBDisconnectDatabase(db); }
};

// Appends the link after the links already there (appending is one locked change of the
// pasteboard, so links Taskwell or another plug-in add meanwhile are kept).
bool appendCompletedLink(const std::string& tag, const std::string& link) {
  auto board = kestrel::Pasteboard::pasteboardWithName(kTWTaskCompletedPasteboard, true);
  if (!board) return false;
  board->setPersistent(true);
  KSLog("KS:%@: Accessed complete pasteboard; board = %@", tag, board);
  PlistValue::Dict item{{kTWTaskCompletedPasteboardType, PlistValue(link)}};
  if (!board->addItems({item})) return false;
  std::vector<PlistValue> links = board->valuesForPasteboardType(kTWTaskCompletedPasteboardType);
  KSLog("KS:%@: Added task to complete set; tasks = %@; items = %@", tag, PlistValue(PlistValue::Array(links)),
        static_cast<int64_t>(board->numberOfItems()));
  return true;
}

}  // namespace

bool TWTaskIntegration::completeTask(const Ref<TWTask>& task, FWApplication* app) {
  if (!task || !app) return false;
  const std::string tag = app->resourceName();
  KSLog("KS:%@: Attempting to complete TW task; task = %@", tag, task);
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  auto key = FWSQLIntegerValueFromText(task->key());
  auto sql = builder ? builder->completeTaskSQL(task->key(), facts) : std::nullopt;
  if (!sql || !key) return false;

  Connection connection;
  connection.db = FWDBConnectDatabase(app->databasePath(), app, kFWDBOpenReadWrite);
  if (!connection.db) return false;
  // All or nothing: the copy keeps the completion only once Taskwell has been told of it
  // on the pasteboard; any failure before the commit rolls the copy back.
  if (!FWDBUpdate("begin immediate", connection.db, app)) return false;
  struct Rollback {
    FWDBConnection db;
    bool armed = true;
    ~Rollback() {
      if (armed) sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
    }
  } rollback{connection.db};

  if (!FWDBUpdate(*sql, connection.db, app) || sqlite3_changes(connection.db) != 1) {
    KSLog("KS:%@: Cannot mark task %@ complete in the copy", tag, task->key());
    return false;
  }
  KSLog("KS:%@: Completed DB task", tag);

  auto info = builder->storeInfo(facts, connection.db, app);
  if (!info || info->uuid.empty()) {
    KSLog("KS:%@: No store identifier; cannot tell Taskwell about task %@", tag, task->key());
    return false;
  }
  std::string link = TWIntegration::urlForItemWithKey(*key, kTWEntityTypeTask, info->uuid);
  if (!appendCompletedLink(tag, link)) {
    KSLog("KS:%@: Cannot write the complete pasteboard; task = %@", tag, task->key());
    return false;
  }
  rollback.armed = false;
  if (!FWDBUpdate("commit", connection.db, app)) {
    // Taskwell has the link; the next copy takes the completion over from the pasteboard.
    sqlite3_exec(connection.db, "rollback", nullptr, nullptr, nullptr);
    KSLog("KS:%@: Cannot commit the completion of task %@ to the copy", tag, task->key());
  }
  return true;
}
