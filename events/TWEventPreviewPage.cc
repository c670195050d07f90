// TWEventPreview: the event's detail page.
#include "events/TWEventPreview.h"
#include "model/TWIntegration.h"
#include "model/TWLocation.h"
#include "model/TWRecordLookups.h"
#include "runtime/FWColorIconView.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWImages.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"

namespace {

constexpr double kAvailabilityIconSize = 16;

struct Availability {
  const char* text;
  const char* icon;  // none for Free
};

std::optional<Availability> availabilityFor(int32_t value) {
  static constexpr Availability table[] = {{"Availability/Out of Office", "outofoffice"},
                                           {"Availability/Busy", "busy"},
                                           {"Availability/Free", nullptr},
                                           {"Availability/Tentative", "tentative"},
                                           {"Availability/Unavailable", "unavailable"}};
  if (value < 0 || value > 4) return std::nullopt;
  return table[value];
}

const char* statusText(int32_t status) {
  static constexpr const char* table[] = {"Status/None", "Status/Confirmed", "Status/Tentative", "Status/Cancelled"};
  return status >= 0 && status <= 3 ? table[status] : nullptr;
}

}  // namespace

FWDetailListSections TWEventPreview::dataForEventDetailPage(const Ref<TWEvent>& basic,
                                                            const Ref<FWApplication>& application) {
  const Ref<FWApplication> app = appFor(application);
  auto event = augmentEvent(basic, app);
  if (!event) return {};
  KSLog("KS:TWEvent: Displaying detail of event %@", event->description());
  const bool radio = hasRadio();
  const auto texts = bundle();
  const Date now = Clock::now();

  // Title and place.
  FWDetailListEntries titleGroup;
  titleGroup.push_back(FWDetailListEntry::entryWithTitle(
                           TWIntegration::stringForTitle(event->title(), event->icon(), std::string(), emojiAfter()))
                           ->withSize(FWDetailListEntry::fontSizeForTitle()));
  if (!event->locations().empty() && event->locations().front()) {
    const auto& location = event->locations().front();
    titleGroup.push_back(placeEntry(*location, kTWEventPreviewMapPage));
    if (radio && numbersFromString(location->title())) {
      titleGroup.push_back(FWDetailListEntry::entryWithLocalisedTitle("Detail/Numbers", texts)
                               ->withIcon(FWImageNamed("phone"))
                               ->withLinkType(PlistValue(kTWEventPreviewLocationDialerPage)));
    }
  }

  // Dates: the occurrence's range where it has one.
  const Date start = event->rangeStartDate().isNull() ? event->startDate() : event->rangeStartDate();
  const Date end = event->rangeEndDate().isNull() ? event->endDate() : event->rangeEndDate();
  FWDetailListEntries dates;
  if (!start.isNull()) {
    dates.push_back(localisedEntry(texts, start > now ? "Detail/Starts" : "Detail/Started",
                                   FWTimeZoneDateStringForUTCDate(start, event->startDateTimeZone(),
                                                                  FWDateFormatterFormatLong, !event->allDay(), texts)));
  }
  if (!end.isNull() && (event->allDay() || start != end)) {
    const bool sameDay = !start.isNull() && FWIsLocalDateSameDay(start, end);
    const std::string value =
        sameDay && event->allDay()
            ? FWLocalise(texts, "Detail/All Day")
            : FWTimeZoneDateStringForUTCDate(end, event->endDateTimeZone(),
                                             sameDay ? FWDateFormatterFormatTime : FWDateFormatterFormatLong,
                                             !event->allDay(), texts);
    dates.push_back(localisedEntry(texts, end > now ? "Detail/Ends" : "Detail/Ended", value));
  }

  // Status and availability.
  FWDetailListEntries state;
  if (event->invitation()) {
    state.push_back(FWDetailListEntry::entryWithLocalisedTitleLocalisedValue("Detail/Status", "Status/Invitation", texts));
  } else if (event->status() != 0) {
    if (const char* text = statusText(event->status()))
      state.push_back(FWDetailListEntry::entryWithLocalisedTitleLocalisedValue("Detail/Status", text, texts));
  }
  if (auto availability = availabilityFor(event->availability())) {
    auto entry = localisedEntry(texts, "Detail/Availability", FWLocalise(texts, availability->text));
    if (availability->icon) {
      auto path = texts ? texts->pathForResource(availability->icon, "png") : std::nullopt;
      auto view = std::make_shared<FWColorIconView>(
          kestrel::ui::Rect{0, 0, kAvailabilityIconSize, kAvailabilityIconSize});
      view->setIcon(path.value_or(FWImagePathNamed(availability->icon)));
      entry->withColorAccessoryView(view);
    }
    state.push_back(entry);
  }

  FWDetailListEntries sensitivity;
  if (event->sensitivity() != -1) sensitivity.push_back(entryForSensitivity(event->sensitivity(), texts));

  // Calendar and tags.
  FWDetailListEntries classification;
  if (!event->calendar().empty()) {
    classification.push_back(detailColourEntryForTitle(
        FWLocalise(texts, event->native() ? "Detail/Calendar/iOS" : "Detail/Calendar/TW"),
        FWSplittableString(event->calendar()), std::string(), event->calendarIcon(), event->calendarColor(),
        emojiAfter()));
  }
  if (!event->tags().empty()) {
    auto tags = localisedEntry(texts, "Detail/Tags", twContextObjectString(event->tags()));
    if (event->tags().size() > 1) tags->withLinkType(PlistValue(kTWEventPreviewTagsPage));
    classification.push_back(tags);
  }

  // People.
  FWDetailListEntries people;
  if (!event->organiser().empty()) people.push_back(localisedEntry(texts, "Detail/Initiator", event->organiser()));
  if (event->hasAttendees()) {
    std::string names;
    for (const auto& attendee : event->attendees()) {
      if (!attendee) continue;
      if (!names.empty()) names += ", ";
      names += attendee->name();
    }
    people.push_back(localisedEntry(texts, "Detail/Attendees", names)->withLinkType(PlistValue(kTWEventPreviewAttendeesPage)));
  }

  FWDetailListEntries repeat = repeatSectionForObject(event, texts, app);
  FWDetailListEntries alarms = alarmsListForObject(event, event->startDate(), texts, app);

  FWDetailListEntries notes =
      notesGroup(*event, texts, kTWEventPreviewNotesPage, kTWEventPreviewNotesDialerPage, radio);

  FWDetailListEntries debug;
  auto controller = app ? app->fwPlugin() : nullptr;
  if (controller && controller->isDebugMode()) {
    auto value = [&debug](const char* title, const std::string& text) {
      debug.push_back(FWDetailListEntry::entryWithTitle(std::string(title), PlistValue(text))->withClearBackground());
    };
    value("Starts", start.description());
    value("-STZone", event->startDateTimeZone().description());
    value("-SRaw", Date(event->startDateRaw()).description());
    value("Ends", end.description());
    value("-ETZone", event->endDateTimeZone().description());
    value("-ERaw", Date(event->endDateRaw()).description());
    value("Now", now.description());
    value("Alarm1", event->firstAlarm().description());
    value("+Next", event->nextAlarm().description());
  }

  FWDetailListSections sections = pageWithTitleGroup(titleGroup);
  for (const auto* group : {&dates, &state, &sensitivity, &classification, &people, &repeat, &alarms})
    addGroup(sections, *group);
  addGroup(sections, notes, FWLocalise(texts, "Detail/Notes"));
  addGroup(sections, debug, std::string("Event Date Values"));
  return sections;
}
