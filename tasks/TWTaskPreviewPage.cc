// TWTaskPreview: the task's detail page and its tags page.
#include <algorithm>

#include "model/TWAlarm.h"
#include "model/TWContextObject.h"
#include "model/TWIntegration.h"
#include "model/TWLocation.h"
#include "model/TWRecordLookups.h"
#include "runtime/FWColorIconView.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskPreview.h"

namespace {

constexpr double kActionIconSize = 16;

}  // namespace

Ref<FWDetailListEntry> TWTaskPreview::flaggedEntryWithTitle(const std::string& title, const std::string& icon,
                                                            const std::string& calendarIcon, bool flagged,
                                                            bool largeFlag, const Ref<FWApplication>& application) {
  auto entry = FWDetailListEntry::entryWithTitle(TWIntegration::stringForTitle(title, icon, calendarIcon, emojiAfter()));
  if (flagged) {
    FWApplication* app = application ? application.get() : currentApplication_.get();
    auto path = largeFlag ? TWIntegration::iconPathForLargeFlag(app) : TWIntegration::iconPathForSmallFlag(app);
    if (path) entry->withIconFile(*path);
  }
  return entry;
}

FWDetailListSections TWTaskPreview::dataForTaskListPage(const Ref<TWTask>& basic, const Ref<FWApplication>& application) {
  const Ref<FWApplication> app = appFor(application);
  auto task = augmentTask(basic, app);
  if (!task) return {};
  KSLog("KS:TWTask: Displaying detail of task %@", task->description());
  const auto texts = bundle();
  const Date now = Clock::now();

  // Title and place.
  FWDetailListEntries titleGroup;
  titleGroup.push_back(flaggedEntryWithTitle(task->title(), task->icon(), std::string(), task->flagged(), true, app)
                           ->withSize(FWDetailListEntry::fontSizeForTitle()));
  if (!task->locations().empty() && task->locations().front())
    titleGroup.push_back(placeEntry(*task->locations().front(), kTWTaskPreviewMapPage));

  // Dates.
  const bool overdue = !task->dueDate().isNull() && task->dueDate() < now;
  const Color dateColor = overdue ? TWIntegration::colorForOverdue(app.get()) : Color::whiteColor();
  FWDetailListEntries dates;
  if (!task->startDate().isNull()) {
    dates.push_back(localisedEntry(texts, "Detail/Start",
                                   FWTimeZoneDateStringForUTCDate(task->startDate(), task->startDateTimeZone(),
                                                                  FWDateFormatterFormatLong, task->hasStartTime(),
                                                                  texts))
                        ->withBackgroundColor(dateColor));
  }
  if (!task->dueDate().isNull()) {
    dates.push_back(localisedEntry(texts, "Detail/Due",
                                   FWTimeZoneDateStringForUTCDate(task->dueDate(), task->dueDateTimeZone(),
                                                                  FWDateFormatterFormatLong, !task->allDay(), texts))
                        ->withBackgroundColor(dateColor));
  }

  // Context, project, tags and list.
  FWDetailListEntries classification;
  if (!task->context().empty()) classification.push_back(localisedEntry(texts, "Detail/Context", task->context()));
  if (!task->project().empty()) {
    const bool folder = !task->priority().empty() || TWIntegration::taskMode(app.get()) != 1;
    classification.push_back(localisedEntry(texts, folder ? "Detail/Folder" : "Detail/Project", task->project()));
  }
  if (!task->tags().empty()) {
    auto tags = localisedEntry(texts, "Detail/Tags", twContextObjectString(task->tags()));
    if (task->tags().size() >= 2) tags->withLinkType(PlistValue(kTWTaskPreviewTagsPage));
    classification.push_back(tags);
  }
  if (!task->calendar().empty()) {
    classification.push_back(detailColourEntryForTitle(
        FWLocalise(texts, task->native() ? "Detail/List/iOS" : "Detail/List/TW"), FWSplittableString(task->calendar()),
        std::string(), task->calendarIcon(), task->calendarColor(), emojiAfter()));
  }

  // Action, importance and progress.
  FWDetailListEntries state;
  if (task->isComplete()) {
    state.push_back(FWDetailListEntry::entryWithLocalisedTitleLocalisedValue("Detail/Action", "Complete", texts));
  } else if (auto icon = TWIntegration::iconPathForAction(task->action(), app.get())) {
    auto view = std::make_shared<FWColorIconView>(kestrel::ui::Rect{0, 0, kActionIconSize, kActionIconSize});
    view->setIcon(*icon);
    state.push_back(localisedEntry(texts, "Detail/Action", FWLocalise(texts, TWIntegration::nameForAction(task->action())))
                        ->withColorAccessoryView(view));
  }
  const std::string importance = FWLocalise(texts, TWIntegration::nameForImportance(task->importance()));
  const Color importanceColor = TWIntegration::colorBGForImportance(task->importance(), app.get());
  if (!task->priority().empty()) {
    state.push_back(detailColourEntryForTitle(
                        KSFormat("%@\n%@", FWLocalise(texts, "Detail/Priority"), FWLocalise(texts, "Detail/Importance")),
                        KSFormat("%@\n%@", task->priority(), importance), std::string(), std::string(), importanceColor,
                        emojiAfter())
                        ->withLines(2));
  } else {
    state.push_back(detailColourEntryForTitle(FWLocalise(texts, "Detail/Importance"), importance, std::string(),
                                              std::string(), importanceColor, emojiAfter()));
  }
  if (!task->native()) {
    const int32_t percent = task->isComplete() ? 100 : std::clamp(task->percentComplete(), 0, 100);
    state.push_back(FWDetailListEntry::entryWithTitle(KSFormat(FWLocalise(texts, "Detail/Complete"), percent))
                        ->withProgressType()
                        ->withValue(PlistValue(percent / 100.0)));
  }

  FWDetailListEntries repeat = repeatSectionForObject(task, texts, app);
  FWDetailListEntries sensitivity;
  if (task->sensitivity() != -1) sensitivity.push_back(entryForSensitivity(task->sensitivity(), texts));

  FWDetailListEntries notes = notesGroup(*task, texts, kTWTaskPreviewNotesPage, kTWTaskPreviewDialerPage,
                                         FWGetPlatformType() == "Phone");

  FWDetailListEntries alarms = alarmsListForObject(task, task->dueDate(), texts, app);

  // Debug mode: the dates as read, for telling a stored value from its display.
  FWDetailListEntries debug;
  auto controller = app ? app->fwPlugin() : nullptr;
  if (controller && controller->isDebugMode()) {
    auto value = [&debug](const char* title, const std::string& text) {
      debug.push_back(FWDetailListEntry::entryWithTitle(std::string(title), PlistValue(text))->withClearBackground());
    };
    if (!task->startDate().isNull()) value("Starts", task->startDate().description());
    value("-STZone", task->startDateTimeZone().description());
    value("-SRaw", Date(task->startDateRaw()).description());
    if (!task->dueDate().isNull()) value("Due", task->dueDate().description());
    value("-DTZone", task->dueDateTimeZone().description());
    value("-DRaw", Date(task->dueDateRaw()).description());
  }

  // Children of a parent, or the parent of a child.
  Ref<FWDetailListSection> family;
  if (task->parent()) {
    FWDetailListEntries children;
    for (const auto& child : readTasks(std::nullopt, task->key())) {
      children.push_back(
          flaggedEntryWithTitle(child->title(), child->icon(), child->calendarIcon(), child->flagged(), false, app)
              ->withLinkType(PlistValue(child->key())));
    }
    if (!children.empty())
      family = FWDetailListSection::sectionForElements(children, FWLocalise(texts, "Detail/Children"));
  } else if (task->child() && !task->parentKey().empty() && task->parentKey() != "0") {
    auto parents = readTasks(task->parentKey(), std::nullopt);
    if (!parents.empty() && parents.front()) {
      const auto& parent = parents.front();
      family = FWDetailListSection::sectionForElements(
          {flaggedEntryWithTitle(parent->title(), parent->icon(), parent->calendarIcon(), parent->flagged(), false, app)
               ->withLinkType(PlistValue(parent->key()))},
          FWLocalise(texts, "Detail/Parent"));
    }
  }

  FWDetailListSections sections = pageWithTitleGroup(titleGroup);
  for (const auto* group : {&dates, &state, &sensitivity, &classification, &repeat, &alarms}) addGroup(sections, *group);
  if (family) sections.push_back(family);
  addGroup(sections, notes, FWLocalise(texts, "Detail/Notes"));
  addGroup(sections, debug, std::string("Task Date Values"));

  // A link back to a task passed on the way down is a way back.
  if (parentKeys_) {
    for (const auto& section : sections) {
      for (const auto& entry : section->entries()) {
        if (!entry->isLink()) continue;
        const std::string key = entry->key().isNone() ? std::string() : entry->key().description();
        if (std::find(parentKeys_->begin(), parentKeys_->end(), key) != parentKeys_->end()) {
          entry->setLink(false);
          entry->setBackLink(true);
        }
      }
    }
  }
  return sections;
}

FWDetailListSections TWTaskPreview::dataForTagsListPage(const Ref<TWTask>& basic, const Ref<FWApplication>& application) {
  return tagsPage(augmentTask(basic, appFor(application)));
}
