// TWTaskIntegration: the task query builder — the SQL that reads Taskwell's tasks, their
// alarms, details and contexts, that completes a task, and that reads the store facts for
// links — and the row reader that turns the answers into records.
//
// The static operations take the application record: they answer empty lists, zero counts,
// unchanged tasks and no links when Taskwell is not present, when the schema is unknown or
// when a read fails. Completing a task writes the private database copy only; Taskwell
// learns of it from the completed-tasks pasteboard, to which the task's link is appended.
//
// The class is stateless. Its schema variants (TWTaskIntegration260, TWTaskIntegration250)
// differ only in the column that joins tasks to tags; implementationForApp picks the one for
// the detected schema version and answers none for any other version, so no SQL is built for
// a schema nobody knows. Every generator answers none, with a log line, when an input it
// must paste into the text is not a record key (a key, a key list, an entity number), so
// that only whole numbers and escaped text ever reach SQL.
//
// The texts read the clock and the system time zone at the call (local midnight and the
// current offset from UTC). Thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/FWDBRecords.h"
#include "model/TWContext.h"
#include "model/TWTask.h"
#include "runtime/FWApplication.h"
#include "runtime/FWPreferences.h"
#include "runtime/FWTypes.h"
#include "tasks/TWTaskQueryFacts.h"
#include "tasks/TWTaskRows.h"
#include "tasks/TWTaskSortField.h"

// The completed-tasks pasteboard Taskwell reads, and the type of its items.
inline constexpr const char* kTWTaskCompletedPasteboard = "net.norvale.taskwell.tasksCompleted";
inline constexpr const char* kTWTaskCompletedPasteboardType = "public.url";

class TWTaskIntegration : public FWDBRowBuilder {
 public:
  ~TWTaskIntegration() override = default;

  // A new instance of the variant for the schema version, or none.
  static Ref<TWTaskIntegration> implementationForApp(const TWTaskQueryFacts& application);
  static Ref<TWTaskIntegration> implementationForApp(FWApplication* application);

  // ---- Reads and writes (Taskwell must be present) ---------------------------------------
  static bool isTaskwellPresent(FWApplication* application);
  // The task list of the options (see basicTaskListSQL), read on `database`.
  static std::vector<Ref<TWTask>> basicTaskList(FWApplication* app, FWDBConnection database,
                                                const FWPreferences& prefs, const std::optional<std::string>& key,
                                                const std::optional<std::string>& parentKey,
                                                const std::optional<std::string>& search);
  // The SQL text basicTaskList runs for these options now (the active contexts included);
  // none when Taskwell is not present or the schema is unknown.
  static std::optional<std::string> basicTaskListSQLForApp(FWApplication* app, const FWPreferences& prefs,
                                                           const std::optional<std::string>& key,
                                                           const std::optional<std::string>& parentKey,
                                                           const std::optional<std::string>& search);
  // Adds their alarms (by time) to the Taskwell tasks of the list.
  static void addAlarmDataToTaskList(FWApplication* app, FWDBConnection database,
                                     const std::vector<Ref<TWTask>>& tasks, const FWPreferences& prefs);
  // A copy with notes, tags, recurrence, place and the other details; the task itself
  // when Taskwell is not present.
  static Ref<TWTask> augmentedBasicTask(const Ref<TWTask>& task, FWDBConnection database, FWApplication* app);
  static std::vector<Ref<TWContext>> arrayOfContexts(FWApplication* app, std::optional<Date> earliest, bool counts);
  static int32_t numberOfLocationContexts(FWApplication* app);
  static bool completeTask(const Ref<TWTask>& task, FWApplication* app);
  // "tallybook://createTask?..." for a new task; none without Taskwell or store facts.
  static std::optional<std::string> urlForNewTask(const std::string& title, int32_t importance, FWApplication* app);
  // "tallybook://displayItem?x-coredata://..." for a task; none without Taskwell, before
  // schema 250, or without store facts.
  static std::optional<std::string> urlForShowTask(const Ref<TWTask>& task, FWApplication* app);

  // The store facts on an open connection; none when they cannot be read.
  std::optional<TWTaskStoreInfo> storeInfo(const TWTaskQueryFacts& facts, FWDBConnection database,
                                           FWApplication* app);
  // The task data of a new-task link from the store facts.
  std::string urlForNewTask(const std::string& title, int32_t importance, FWApplication* app,
                            const TWTaskStoreInfo& info) const;

  // ---- Row reader --------------------------------------------------------------------------
  FWDBObject objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject& context,
                                FWApplication* application) override;
  static Ref<TWTask> sqlBasicTaskList(sqlite3_stmt* record, FWApplication* application, const TimeZone& timeZone);
  static Ref<TWTaskDetailRow> sqlAugmentedBasicTask(sqlite3_stmt* record, FWApplication* application);
  static Ref<TWContext> sqlArrayOfContexts(sqlite3_stmt* record, FWApplication* application);
  static Ref<TWTaskStoreInfo> sqlMaxTaskID(sqlite3_stmt* record, FWApplication* application);
  static Ref<std::string> sqlNotesForTask(sqlite3_stmt* record, FWApplication* application);
  static Ref<int64_t> sqlNumberOfLocationContexts(sqlite3_stmt* record, FWApplication* application);
  static Ref<TWAlarm> sqlAlarms(sqlite3_stmt* record, const std::string& context);

  // The rows of the task list: one task (key given), the children of a task (parent key
  // given), the tasks whose titles contain the search text, or the list the options filter,
  // sort and limit. `contexts` are the keys of the active contexts.
  std::optional<std::string> basicTaskListSQL(const TWTaskQueryFacts& application, const FWPreferences& prefs,
                                              const std::vector<int32_t>& contexts,
                                              const std::optional<std::string>& key,
                                              const std::optional<std::string>& parentKey,
                                              const std::optional<std::string>& search) const;
  // Alarms and location alarms of the tasks with these keys; none when no key is valid.
  std::optional<std::string> addAlarmDataToTaskListSQL(const TWTaskQueryFacts& application,
                                                       const std::vector<std::string>& keys,
                                                       const FWPreferences& prefs) const;
  // The detail row of one task.
  std::optional<std::string> augmentedBasicTaskSQL(const std::string& taskKey,
                                                   const TWTaskQueryFacts& application) const;
  // All contexts by title, with open-task counts when `counts` is set (only of tasks that
  // start by `earliest`, when given).
  std::optional<std::string> arrayOfContextsSQL(const TWTaskQueryFacts& application, std::optional<Date> earliest,
                                                bool counts) const;
  // Highest task key, store UUID, inbox project title and default calendar title.
  std::string infoForNewTaskSQL(const TWTaskQueryFacts& application) const;
  // Marks the task completed now.
  std::optional<std::string> completeTaskSQL(const std::string& taskKey, const TWTaskQueryFacts& application) const;
  std::string numberOfLocationContextsSQL() const;

  // Appends the ordering of one sort field to `sortFields` (", " between fields). `invert`
  // is the empty-values-last flag. Codes without an ordering add nothing.
  static void addSortField(std::string& sortFields, int field, bool ascending, bool invert,
                           const FWPreferences& prefs);

  // The system time zone's current offset from UTC, in seconds.
  static int utcOffset();

  virtual int32_t schemaVersion() const = 0;
  // Column of Z_32TAGS that holds the tag key.
  virtual const char* tagsColumn() const = 0;

 private:
  std::string listFiltersSQL(const TWTaskQueryFacts& application, const FWPreferences& prefs,
                             const std::optional<std::string>& search) const;
  std::string listOrderingSQL(const TWTaskQueryFacts& application, const FWPreferences& prefs) const;
};
