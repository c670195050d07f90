#include "model/TWTask.h"

#include "model/TWContextObject.h"
#include "model/TWRecordFormatting.h"

Ref<TWTask> TWTask::make(const TWTaskInit& init, bool native) {
  auto task = std::make_shared<TWTask>(Private{});
  task->setKey(init.key);
  task->setObjectVersion(init.version);
  task->native_ = native;
  task->title_ = init.title;
  task->icon_ = init.icon;
  task->startDate_ = init.startDate;
  task->startDateTimeZone_ = init.startDateTimeZone;
  task->startDateRaw_ = init.startDateRaw;
  task->hasStartTime_ = native ? false : init.hasStartTime;
  task->dueDate_ = init.dueDate;
  task->dueDateTimeZone_ = init.dueDateTimeZone;
  task->dueDateRaw_ = init.dueDateRaw;
  task->allDay_ = init.allDay;
  task->calendar_ = init.calendar;
  task->calendarIcon_ = init.calendarIcon;
  task->calendarColor_ = native ? init.calendarColor : companionCalendarColor(init.calendarColor);
  task->parentKey_ = init.parentKey;
  return task;
}

Ref<TWTask> TWTask::twTaskWithKey(const TWTaskInit& init) { return make(init, false); }

Ref<TWTask> TWTask::nativeTaskWithKey(const TWTaskInit& init) { return make(init, true); }

bool TWTask::hasDetails() const {
  return !startDate_.isNull() || !dueDate_.isNull() || !priority_.empty() || !project_.empty();
}

Ref<TWTask> TWTask::copyWithZone() const {
  auto task = std::make_shared<TWTask>(Private{});
  task->copyCommonFieldsFrom(*this);
  task->setUpdateRequired(isUpdateRequired());
  task->contextClassification_ = contextClassification_;
  task->hasStartTime_ = hasStartTime_;
  task->dueDate_ = dueDate_;
  task->dueDateTimeZone_ = dueDateTimeZone_;
  task->dueDateRaw_ = dueDateRaw_;
  task->allDay_ = allDay_;
  task->completionDate_ = completionDate_;
  task->flagged_ = flagged_;
  task->child_ = child_;
  task->parent_ = parent_;
  task->importance_ = importance_;
  task->action_ = action_;
  task->priority_ = priority_;
  task->project_ = project_;
  task->parentKey_ = parentKey_;
  return task;
}

std::string TWTask::description() const {
  return KSFormat(
      "<%@: %p; title = %@; key = %@; native = %i; version = %i; icon = %@; startDate = %@; startDateRaw = %.0f; "
      "hasStartTime = %d; dueDate = %@; dueDateRaw = %.0f; allDay = %i; calendar = %@; calendarIcon = %@; "
      "calendarColor = %@; importance = %i; priority = %@; action = %i; repeating = %i; project = %@; "
      "flagged = %i; parent = %i; child = %i; parentKey = %@; percentComplete = %i; context = %@; tags = %@; "
      "alarms = %@; notes = %@>",
      "TWTask", static_cast<const void*>(this), title_, key(), native_, objectVersion(), icon_, startDate_, startDateRaw_, hasStartTime_,
      dueDate_, dueDateRaw_, allDay_, calendar_, calendarIcon_, calendarColor_, importance_, priority_, action_,
      repeating_, project_, flagged_, parent_, child_, parentKey_, percentComplete_, context_,
      TWListDescription(tags_), TWListDescription(alarms_), TWOptionalDescription(notes_));
}

PlistValue TWTask::fields() const {
  PlistValue out = TWObject::fields();
  TWSetField(out, "dueDate", TWDateField(dueDate_));
  out.set("dueDateTimeZone", dueDateTimeZone_.name());
  out.set("dueDateRaw", dueDateRaw_);
  out.set("allDay", allDay_);
  out.set("hasStartTime", hasStartTime_);
  if (completionDate_) out.set("completionDate", *completionDate_);
  out.set("contextClassification", contextClassification_);
  out.set("flagged", flagged_);
  out.set("parent", parent_);
  out.set("child", child_);
  out.set("parentKey", parentKey_);
  out.set("importance", importance_);
  out.set("priority", priority_);
  out.set("action", action_);
  out.set("project", project_);
  out.set("context", context_);
  out.set("percentComplete", percentComplete_);
  return out;
}
