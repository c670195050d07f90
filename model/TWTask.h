// TWTask: a task of the companion's database or a reminder of the device's own store
// (`native`), as the tasks plug-in lists, sorts and shows it.
//
// Companion tasks come from twTaskWithKey, device reminders from nativeTaskWithKey; both
// take the factory fields in one TWTaskInit. A task's key is the decimal primary key of
// its row (or the reminder's identifier); its alarms carry the same key. `dueDate` is the
// display date (the null date when absent), `dueDateRaw` the stored value.
//
// copyWithZone() gives the plain list record (no notes, tags, recurrence, context, percentage),
// which augmentation then completes on the copy. Threads: as TWObject.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/TWObject.h"

// Action states.
inline constexpr int32_t kTWTaskActionNone = 0;
inline constexpr int32_t kTWTaskActionNextAction = 1;
inline constexpr int32_t kTWTaskActionActive = 2;
inline constexpr int32_t kTWTaskActionPlanning = 3;
inline constexpr int32_t kTWTaskActionDelegated = 4;
inline constexpr int32_t kTWTaskActionWaiting = 5;
inline constexpr int32_t kTWTaskActionHold = 6;
inline constexpr int32_t kTWTaskActionPostponed = 7;
inline constexpr int32_t kTWTaskActionSomeday = 8;
inline constexpr int32_t kTWTaskActionCancelled = 9;
inline constexpr int32_t kTWTaskActionReference = 10;

// contextClassification values.
inline constexpr int32_t kTWContextClassificationActive = 1;
inline constexpr int32_t kTWContextClassificationNone = 2;
inline constexpr int32_t kTWContextClassificationOther = 3;

struct TWTaskInit {
  std::string key{};
  int32_t version = 0;
  std::string title{};
  std::string icon{};
  Date startDate = Date::nullDate();
  TimeZone startDateTimeZone = TimeZone::systemTimeZone();
  double startDateRaw = 0;
  bool hasStartTime = false;  // ignored for device reminders
  Date dueDate = Date::nullDate();
  TimeZone dueDateTimeZone = TimeZone::systemTimeZone();
  double dueDateRaw = 0;
  bool allDay = false;
  std::string calendar{};
  std::string calendarIcon{};
  Color calendarColor = Color::clearColor();
  std::string parentKey = "0";
};

class TWTask : public TWObject {
  struct Private {};

 public:
  // A companion task: not native, not complete; an opaque black calendar colour becomes
  // dark blue (0, 0, 112/255).
  static Ref<TWTask> twTaskWithKey(const TWTaskInit& init);
  // A device reminder: native, no start time, not complete; the colour is kept.
  static Ref<TWTask> nativeTaskWithKey(const TWTaskInit& init);

  explicit TWTask(Private) {}

  Date dueDate() const { return dueDate_; }
  void setDueDate(Date date) { dueDate_ = date; }
  const TimeZone& dueDateTimeZone() const { return dueDateTimeZone_; }
  void setDueDateTimeZone(TimeZone zone) { dueDateTimeZone_ = std::move(zone); }
  double dueDateRaw() const { return dueDateRaw_; }
  void setDueDateRaw(double raw) { dueDateRaw_ = raw; }
  bool allDay() const { return allDay_; }
  void setAllDay(bool allDay) { allDay_ = allDay; }
  bool hasStartTime() const { return hasStartTime_; }
  const std::optional<Date>& completionDate() const { return completionDate_; }
  void setCompletionDate(std::optional<Date> date) { completionDate_ = date; }
  int32_t contextClassification() const { return contextClassification_; }
  void setContextClassification(int32_t value) { contextClassification_ = value; }
  bool flagged() const { return flagged_; }
  void setFlagged(bool flagged) { flagged_ = flagged; }
  // Has child tasks.
  bool parent() const { return parent_; }
  void setParent(bool parent) { parent_ = parent; }
  // Has a parent task.
  bool child() const { return child_; }
  void setChild(bool child) { child_ = child; }
  // "0" when there is no parent.
  const std::string& parentKey() const { return parentKey_; }
  void setParentKey(std::string key) { parentKey_ = std::move(key); }
  // 1 = top ... larger = lower; 0 = none.
  int32_t importance() const { return importance_; }
  void setImportance(int32_t importance) { importance_ = importance; }
  const std::string& priority() const { return priority_; }
  void setPriority(std::string priority) { priority_ = std::move(priority); }
  int32_t action() const { return action_; }
  void setAction(int32_t action) { action_ = action; }
  const std::string& project() const { return project_; }
  void setProject(std::string project) { project_ = std::move(project); }
  const std::string& context() const { return context_; }
  void setContext(std::string context) { context_ = std::move(context); }
  int32_t percentComplete() const { return percentComplete_; }
  void setPercentComplete(int32_t percent) { percentComplete_ = percent; }

  bool isComplete() const { return completionDate_.has_value(); }
  // No action state, Next Action, Active or Planning.
  bool isInProgress() const { return action_ < kTWTaskActionDelegated; }
  // A real start or due date, a priority code or a project.
  bool hasDetails() const;

  Ref<TWTask> copyWithZone() const;

  std::string description() const override;
  std::string shortDescription() const { return description(); }
  PlistValue fields() const override;

 private:
  static Ref<TWTask> make(const TWTaskInit& init, bool native);

  Date dueDate_ = Date::nullDate();
  TimeZone dueDateTimeZone_ = TimeZone::systemTimeZone();
  double dueDateRaw_ = 0;
  bool allDay_ = false;
  bool hasStartTime_ = false;
  std::optional<Date> completionDate_;
  int32_t contextClassification_ = 0;
  bool flagged_ = false;
  bool parent_ = false;
  bool child_ = false;
  std::string parentKey_ = "0";
  int32_t importance_ = 0;
  std::string priority_;
  int32_t action_ = 0;
  std::string project_;
  std::string context_;
  int32_t percentComplete_ = 0;
};
