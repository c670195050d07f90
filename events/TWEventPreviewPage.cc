// TWEventPreview: the event's detail page.
#include <algorithm>
#include <cctype>

#include "events/TWEventPreview.h"
#include "model/TWIntegration.h"
#include "model/TWLocation.h"
#include "model/TWRecordLookups.h"
#include "runtime/FWColorIconView.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWImages.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"

namespace {

constexpr double kAvailabilityIconSize = 16;

bool isBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
}

Ref<FWDetailListEntry> localisedEntry(const Ref<Bundle>& bundle, const std::string& key, const std::string& value) {
  return FWDetailListEntry::entryWithLocalisedTitle(key, PlistValue(value), bundle);
}

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
  const Ref<FWApplication> app = application ? application : currentApplication_;
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
    const std::string place = location->title();
    auto entry = FWDetailListEntry::entryWithTitle(place);
    if (location->coordinates() || place.size() < kTWEventPreviewMapTitleLimit)
      entry->withLinkType(PlistValue(kTWEventPreviewMapPage))->withIcon(FWImageNamed("map"));
    titleGroup.push_back(entry);
    if (radio && numbersFromString(place)) {
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

  // Notes: the summary, a link to the whole text when the summary is shorter, the dialer.
  FWDetailListEntries notes;
  const auto summary = event->notesSummary();
  if (summary && !isBlank(*summary)) {
    notes.push_back(FWDetailListEntry::entryWithTitle(*summary)->withSize(kFWDetailListViewSystemFontSize)->withNoBold());
    if (event->notes() && summary->size() < event->notes()->size()) {
      notes.push_back(FWDetailListEntry::entryWithLocalisedTitle("Detail/Show Notes", texts)
                          ->withIcon(FWImageNamed("notes"))
                          ->withLinkType(PlistValue(kTWEventPreviewNotesPage)));
    }
    if (radio && numbersFromString(event->notes())) {
      notes.push_back(FWDetailListEntry::entryWithLocalisedTitle("Detail/Numbers", texts)
                          ->withIcon(FWImageNamed("phone"))
                          ->withLinkType(PlistValue(kTWEventPreviewNotesDialerPage)));
    }
  }

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

  FWDetailListSections sections;
  sections.push_back(FWDetailListSection::sectionForElements(titleGroup)->withExtraSeparatorSpace(4));
  auto add = [&sections](const FWDetailListEntries& entries, std::optional<std::string> title = std::nullopt) {
    if (!entries.empty()) sections.push_back(FWDetailListSection::sectionForElements(entries, std::move(title)));
  };
  add(dates);
  add(state);
  add(sensitivity);
  add(classification);
  add(people);
  add(repeat);
  add(alarms);
  add(notes, FWLocalise(texts, "Detail/Notes"));
  add(debug, std::string("Event Date Values"));
  return sections;
}
