// CalendarStore: the event queries (see CalendarStore.h and Event.h).
#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/calendarstore/internal/EventFileCache.h"
#include "platform/calendarstore/internal/ItemFile.h"
#include "platform/calendarstore/internal/OccurrenceExpander.h"
#include "platform/calendarstore/internal/StoreFolders.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"

namespace kestrel {

using internal::EventSeries;
using internal::Occurrence;

namespace {

// "/" separates the identifier's parts; "%" escapes.
std::string escapedUID(const std::string& uid) {
  std::string out;
  for (unsigned char c : uid) {
    if (c == '/' || c == '%' || c < 0x20 || c == 0x7F) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::optional<std::string> unescapedUID(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int value = 0;
    for (int k = 1; k <= 2; ++k) {
      char c = text[i + k];
      int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    out += static_cast<char>(value);
    i += 2;
  }
  return out;
}

// The instant a recurrence id of an identifier names: "20261208" (a day),
// "20261208T090000" (floating) or "20261208T080000Z".
std::optional<Date> recurrenceInstant(const std::string& text, const TimeZone& system) {
  auto digits = [&](size_t at, size_t n, int* out) {
    if (at + n > text.size()) return false;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      v = v * 10 + (text[i] - '0');
    }
    *out = v;
    return true;
  };
  WallClock w{0, 0, 0, 0, 0, 0};
  if (!digits(0, 4, &w.year) || !digits(4, 2, &w.month) || !digits(6, 2, &w.day)) return std::nullopt;
  if (text.size() == 8) {
    if (!DateComponents::wholeDay(w.year, w.month, w.day).isValid()) return std::nullopt;
    return instantOf(w, system);
  }
  if (text.size() < 15 || text[8] != 'T' || !digits(9, 2, &w.hour) || !digits(11, 2, &w.minute) ||
      !digits(13, 2, &w.second))
    return std::nullopt;
  if (!DateComponents::floating(w.year, w.month, w.day, w.hour, w.minute, w.second).isValid()) return std::nullopt;
  if (text.size() == 15) return instantOf(w, system);
  if (text.size() == 16 && text[15] == 'Z') return internal::TimeRule{TimeZone::utc(), nullptr}.instant(w, system);
  return std::nullopt;
}

void markOwnAddresses(Event& e, const std::vector<std::string>& owners) {
  if (owners.empty()) return;
  auto own = [&](const Participant& p) {
    return std::find(owners.begin(), owners.end(), internal::normalizedAddress(p.URL)) != owners.end();
  };
  bool organizing = false;
  if (e.organizer && own(*e.organizer)) {
    e.organizer->isCurrentUser = true;
    organizing = true;
  }
  for (auto& attendee : e.attendees) {
    if (!own(attendee)) continue;
    attendee.isCurrentUser = true;
    if (!organizing && !e.isInvite) {
      e.isInvite = true;
      e.participationStatus = attendee.participantStatus;
    }
  }
}

Event makeEvent(const Calendar& calendar, const std::string& devicePath, const EventSeries& series,
                const Occurrence& o, const TimeZone& system) {
  const internal::EventComponent& c = *o.component;
  Event e = c.fields;
  e.calendarItemIdentifier = series.uid;
  e.calendarIdentifier = calendar.calendarIdentifier;
  e.eventIdentifier = calendar.calendarIdentifier + "/" + escapedUID(series.uid);
  if (o.recurrenceId) e.eventIdentifier += "/" + o.recurrenceId->identifierText(system);
  e.startDate = o.start;
  e.endDate = o.end;
  e.allDay = c.start.isDate;
  e.timeZone = c.start.isDate ? std::nullopt : c.start.rule.zone;
  e.recurrenceRule = series.main.fields.recurrenceRule;
  e.isDetached = o.detached;
  e.occurrenceDate = o.occurrenceDate;
  e.filePath = devicePath;
  markOwnAddresses(e, calendar.ownerAddresses);
  return e;
}

void reportExpansionProblem(EventSeries& series, const std::string& devicePath, const std::string& problem) {
  if (problem.empty() || series.reportedExpansionProblem) return;
  series.reportedExpansionProblem = true;
  KSLog("KS:CalendarStore: %@: event %@: %@", devicePath, series.uid, problem);
}

}  // namespace

EventPredicate CalendarStore::predicateForEventsWithStartDate(Date startDate, Date endDate,
                                                              const std::optional<std::vector<Calendar>>& calendars) {
  EventPredicate p;
  p.startDate = startDate;
  p.endDate = endDate;
  if (calendars) {
    p.calendarIdentifiers.emplace();
    for (const auto& c : *calendars) p.calendarIdentifiers->push_back(c.calendarIdentifier);
  }
  return p;
}

void CalendarStore::visitEventSeriesLocked(
    const EventPredicate& predicate,
    const std::function<void(const Calendar&, const std::string&, EventSeries&)>& visit) {
  internal::EventFileCache& cache = *eventFiles_;
  std::set<std::string> live;
  std::set<std::string> skippedCalendars;
  for (const Calendar& calendar : calendarsLocked(EntityType::Event)) {
    if (!predicate.includesCalendar(calendar.calendarIdentifier)) {
      skippedCalendars.insert(localPathOf(calendar.folderPath) + "/");
      continue;
    }
    internal::CollectionFolder folder{calendar.calendarIdentifier, localPathOf(calendar.folderPath),
                                      calendar.folderPath, EntityType::Event};
    if (DIR* dir = ::opendir(folder.localPath.c_str())) {
      ::closedir(dir);
      cache.reportedFolders.erase(folder.localPath);
    } else {
      if (cache.reportedFolders.insert(folder.localPath).second)
        KSLog("KS:CalendarStore: %@: cannot read the calendar folder: %s", calendar.folderPath, std::strerror(errno));
      continue;
    }
    std::set<std::string> seen;
    for (const auto& entry : internal::listItemFiles(folder)) {
      live.insert(entry.localPath);
      std::string devicePath = calendar.folderPath + "/" + entry.name;
      auto it = cache.files.find(entry.localPath);
      if (it == cache.files.end() || !(it->second.stamp == entry.stamp) ||
          it->second.calendarIdentifier != calendar.calendarIdentifier) {
        internal::EventFileCache::ParsedFile parsed{entry.stamp, calendar.calendarIdentifier, {}};
        std::string problem;
        bool beingWritten = false;
        auto file = internal::ItemFile::load(entry.localPath, &problem, &beingWritten);
        if (beingWritten) {
          // What it held before stays (read again next time); half of it is never shown.
          if (cache.reportedTorn.insert(entry.localPath).second) KSLog("KS:CalendarStore: %@: %@", devicePath, problem);
          if (it == cache.files.end()) continue;
        } else {
          cache.reportedTorn.erase(entry.localPath);
          if (!file) {
            KSLog("KS:CalendarStore: Skipped %@: %@", devicePath, problem);
          } else {
            std::vector<std::pair<icalcomponent*, icalcomponent*>> vevents;
            for (const auto& item : file->items(ICAL_VEVENT_COMPONENT))
              vevents.emplace_back(item.component, item.vcalendar);
            std::vector<std::string> problems;
            parsed.series = internal::readEventSeries(vevents, internal::fileStem(entry.name), &problems);
            for (const auto& p : problems) KSLog("KS:CalendarStore: %@: %@", devicePath, p);
          }
          cache.reportedDuplicates.erase(entry.localPath);
          it = cache.files.insert_or_assign(entry.localPath, std::move(parsed)).first;
        }
      }
      for (EventSeries& series : it->second.series) {
        if (!seen.insert(series.uid).second) {
          if (cache.reportedDuplicates.insert(entry.localPath).second)
            KSLog("KS:CalendarStore: %@: duplicate event %@ in calendar %@; the first is used", devicePath, series.uid,
                  calendar.calendarIdentifier);
          continue;
        }
        visit(calendar, devicePath, series);
      }
    }
  }
  // Forget files that have gone; keep those of calendars this pass did not look at.
  std::erase_if(cache.files, [&](const auto& kv) {
    if (live.count(kv.first)) return false;
    for (const auto& prefix : skippedCalendars)
      if (kv.first.compare(0, prefix.size(), prefix) == 0) return false;
    return true;
  });
}

std::vector<Event> CalendarStore::eventsMatchingPredicate(const EventPredicate& predicate) {
  std::vector<Event> out;
  if (predicate.endDate.isEarlierThanDate(predicate.startDate)) return out;
  std::lock_guard lock(mutex_);
  TimeZone system = TimeZone::systemTimeZone();
  visitEventSeriesLocked(predicate, [&](const Calendar& calendar, const std::string& devicePath, EventSeries& series) {
    std::string problem;
    const auto& occurrences =
        internal::keptOccurrencesInWindow(series, predicate.startDate, predicate.endDate, system, &problem);
    reportExpansionProblem(series, devicePath, problem);
    for (const auto& o : occurrences) out.push_back(makeEvent(calendar, devicePath, series, o, system));
  });
  std::sort(out.begin(), out.end(), [](const Event& a, const Event& b) {
    if (a.startDate != b.startDate) return a.startDate.isEarlierThanDate(b.startDate);
    if (a.title != b.title) return a.title < b.title;
    return a.eventIdentifier < b.eventIdentifier;
  });
  return out;
}

std::optional<Event> CalendarStore::eventWithIdentifier(const std::string& identifier) {
  size_t slash = identifier.find('/');
  if (slash == std::string::npos || slash == 0) return std::nullopt;
  std::string calendarId = identifier.substr(0, slash);
  std::string rest = identifier.substr(slash + 1);
  size_t second = rest.find('/');
  auto uid = unescapedUID(std::string_view(rest).substr(0, second));
  if (!uid || uid->empty()) return std::nullopt;

  std::lock_guard lock(mutex_);
  TimeZone system = TimeZone::systemTimeZone();
  std::optional<Date> recurrenceId;
  if (second != std::string::npos) {
    recurrenceId = recurrenceInstant(rest.substr(second + 1), system);
    if (!recurrenceId) return std::nullopt;
  }
  EventPredicate predicate;
  predicate.calendarIdentifiers = std::vector<std::string>{calendarId};
  std::optional<Event> found;
  visitEventSeriesLocked(predicate, [&](const Calendar& calendar, const std::string& devicePath, EventSeries& series) {
    if (found || series.uid != *uid) return;
    std::string problem;
    auto o = internal::occurrenceAt(series, recurrenceId, system, &problem);
    reportExpansionProblem(series, devicePath, problem);
    if (o) found = makeEvent(calendar, devicePath, series, *o, system);
  });
  return found;
}

}  // namespace kestrel
