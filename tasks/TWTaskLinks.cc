// Links that open a task in Taskwell or make it create one.
#include <random>

#include "database/FWDBApplicationAccess.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "model/TWPlugin.h"
#include "platform/foundation/DateFormats.h"
#include "platform/foundation/Locale.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskIntegration.h"

namespace {

// A random (version 4) UUID in upper case, as the platform writes them.
std::string newUUIDString() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  uint64_t high = generator(), low = generator();
  high = (high & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL;
  low = (low & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;
  return KSFormat("%08llX-%04llX-%04llX-%04llX-%012llX", high >> 32, (high >> 16) & 0xFFFF, high & 0xFFFF,
                  low >> 48, low & 0xFFFFFFFFFFFFULL);
}

const char* priorityForImportance(int32_t importance) {
  if (importance == 1 || importance == 5) return "2";
  if (importance == 15) return "0";
  return "1";
}

// Reads the store facts on a connection of its own.
std::optional<TWTaskStoreInfo> readStoreInfo(FWApplication* app, TWTaskIntegration& builder,
                                             const TWTaskQueryFacts& facts) {
  FWDBConnection database = FWDBConnectDatabase(app->databasePath(), app);
  if (!database) return std::nullopt;
  auto info = builder.storeInfo(facts, database, app);
  FWDBDisconnectDatabase(database);
  if (info && info->uuid.empty()) return std::nullopt;
  return info;
}

}  // namespace

std::string TWTaskIntegration::urlForNewTask(const std::string& title, int32_t importance, FWApplication* app,
                                             const TWTaskStoreInfo& info) const {
  const kestrel::Locale posix = kestrel::Locale::enUS();
  Date now = Clock::now();
  std::string modified = kestrel::formatDate(now, "yyyy-MM-dd'T'HH:mm:ss'Z'", TimeZone::utc(), posix);
  std::string today = kestrel::formatDate(now, "yyyy-MM-dd'T'00:00:00'Z'", TimeZone::systemTimeZone(), posix);
  std::string task = KSFormat(
      "<data><task id=\"x-coredata://%@/TWEventTask/p%lld\"><modified>%@</modified><startdate>%@</startdate>"
      "<duedate>%@</duedate><projectName>%@</projectName><teamtask>NO</teamtask><completed>NO</completed>"
      "<percentcomplete>0</percentcomplete><priority>%@</priority><priorityandrank/><sensitivity>0</sensitivity>"
      "<status>0</status><title>%@</title><note/><color>#000000</color><categories>%@</categories><repeat>0</repeat>"
      "<recurrence><data></data></recurrence></task></data>",
      newUUIDString(), info.maxTaskKey + 1, modified, today, today, FWXMLEncodeString(info.inboxTitle),
      priorityForImportance(importance), FWXMLEncodeString(title), FWXMLEncodeString(info.calendarTitle));
  return TWIntegration::urlForCreateTask(task);
}

std::optional<std::string> TWTaskIntegration::urlForNewTask(const std::string& title, int32_t importance,
                                                            FWApplication* app) {
  if (!isTaskwellPresent(app)) return std::nullopt;
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  if (!builder) return std::nullopt;
  auto info = readStoreInfo(app, *builder, facts);
  if (!info) return std::nullopt;
  return builder->urlForNewTask(title, importance, app, *info);
}

std::optional<std::string> TWTaskIntegration::urlForShowTask(const Ref<TWTask>& task, FWApplication* app) {
  if (!task || !isTaskwellPresent(app)) return std::nullopt;
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  if (facts.dbVersion < 250) return std::nullopt;
  auto builder = implementationForApp(facts);
  if (!builder) return std::nullopt;
  auto info = readStoreInfo(app, *builder, facts);
  if (!info) return std::nullopt;
  return TWIntegration::urlForDisplayItem(info->uuid, kTWEntityTypeTask, task->key());
}
