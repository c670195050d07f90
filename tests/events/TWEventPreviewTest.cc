// An event's preview: touching its row opens its pages; the event page of a Taskwell and of
// a device event; attendees with every participation status; the tool bar's links; the
// phone dialer; an event that disappears while its page is open.
#include <gtest/gtest.h>

#include "events/TWEventListAccess.h"
#include "events/TWEventPreview.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/ui/BarButtonItem.h"
#include "runtime/FWLocalTime.h"
#include "tests/events/EventPluginHarness.h"
#include "views/FWDetailListView.h"
#include "views/FWDetailPageViews.h"

namespace {

using kestrel::PlistValue;
using kestrel::test::EventPluginHarness;

// The test clock: Tuesday 2026-12-08 14:30 UTC, system zone UTC.
Date today(int hour, int minute = 0) { return FWLocalDateForLocalMidnight().addingTimeInterval(hour * 3600.0 + minute * 60.0); }

class EventPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FWInstallDetailPageViews();
    device.addCalendar(900, "Work");
  }
  void TearDown() override {
    FWPlugin::setPreviewPresenter(nullptr);
    FWPlugin::setDetailPageViewFactory(nullptr);
  }

  kestrel::Calendar addDeviceCalendar() {
    std::string error;
    auto calendar = device.controller()->eventStore()->createCalendar(
        {.title = "Phone", .entityType = kestrel::EntityType::Event, .identifier = "phone"}, &error);
    EXPECT_TRUE(calendar) << error;
    return calendar.value_or(kestrel::Calendar{});
  }
  std::string addDeviceEvent(const kestrel::Calendar& calendar, const std::string& uid, const std::string& body) {
    std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
                      "\r\nDTSTAMP:20261208T100000Z\r\n" + body + "END:VEVENT\r\nEND:VCALENDAR\r\n";
    const std::string path = kestrel::Device::path(calendar.folderPath + "/" + uid + ".ics");
    EXPECT_TRUE(kestrel::files::writeFileAtomically(path, ics));
    device.controller()->eventStore()->checkForChanges();
    return path;
  }
  void addNotes(int64_t eventKey, const std::string& notes) {
    device.exec(KSFormat("insert into ZNOTESCONTAINER (Z_PK, Z_ENT, Z_OPT, ZEVENT, ZNOTES) values (%lld, %lld, 1, %lld, '%@')",
                         (long long)eventKey + 50000, (long long)device.entity("NotesContainer"), (long long)eventKey,
                         notes));
  }
  // The events listed now, as the section shows them.
  std::vector<Ref<TWEvent>> listed() {
    EXPECT_TRUE(device.detect());
    return device.fetch();
  }
  static Ref<TWEvent> titled(const std::vector<Ref<TWEvent>>& events, const std::string& title) {
    for (const auto& event : events)
      if (event->title() == title) return event;
    return nullptr;
  }
  // The page view over `events`, opened at `index` the way the row's touch opens it.
  std::shared_ptr<FWDetailListView> open(const std::vector<Ref<TWEvent>>& events, size_t index) {
    FWDisplayList items(events.begin(), events.end());
    TWEventListAccess source;
    auto view = source.previewWithFrame({0, 0, 320, 480}, index, items, nullptr, nullptr, device.app());
    return std::dynamic_pointer_cast<FWDetailListView>(view);
  }
  // A page's sections as "title = value" lines.
  static std::vector<std::string> lines(const FWDetailListSections& sections) {
    std::vector<std::string> out;
    for (const auto& section : sections)
      for (const auto& entry : section->entries())
        out.push_back(entry->title().value_or("") + (entry->value().isNone() ? "" : " = " + entry->value().description()));
    return out;
  }
  // The entry whose title starts with `title` (or with its text key, where the bundle has no text).
  static Ref<FWDetailListEntry> entry(const FWDetailListSections& sections, const std::string& title) {
    for (const auto& section : sections)
      for (const auto& e : section->entries())
        if (e->title() && (e->title()->rfind(title, 0) == 0 || e->title()->rfind("Detail/" + title, 0) == 0)) return e;
    return nullptr;
  }
  // The sub-page behind `key`, as the page view asks for it.
  static FWDetailListSections subPage(TWEventPreview& preview, const Ref<TWEvent>& event, const std::string& key,
                                      const Ref<FWApplication>& app) {
    FWDetailItem item = Ref<FWDisplayObject>(event);
    preview.listPageInfoForKey(PlistValue(key), item, 1, app);
    return preview.dataForDetailListPage(item, PlistValue(key), app);
  }

  EventPluginHarness device{260};
};

TEST_F(EventPreviewTest, TouchingAnEventOpensItsPageAndAnIndexOutOfRangeOpensNothing) {
  device.addEvent({.key = 1001, .title = "Standup", .start = today(15), .end = today(16), .calendar = 900});
  device.addEvent({.key = 1002, .title = "Review", .start = today(17), .end = today(18), .calendar = 900});
  auto events = listed();
  ASSERT_EQ(events.size(), 2u);
  auto view = open(events, 1);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->index(), 1);
  EXPECT_NE(view->pageText().find("Review"), std::string::npos) << view->pageText();
  EXPECT_FALSE(open(events, 2));
  EXPECT_FALSE(open(events, size_t(-1)));

  device.setOptions({{"isShowPreviews", false}});
  EXPECT_FALSE(open(events, 0));
}

TEST_F(EventPreviewTest, ATaskwellEventPageShowsItsDatesCalendarAttendeesAndNotes) {
  device.addEvent({.key = 1001, .title = "Planning", .start = today(15), .end = today(16), .calendar = 900});
  device.exec(KSFormat("insert into ZTWCALATTENDEE (Z_PK, Z_ENT, Z_OPT, ZROLE, ZSTATUS, ZEVENT, ZCOMMONNAME, ZEMAIL) "
                       "values (1, %lld, 1, 1, 2, 1001, 'Ann Lee', 'ann@example.com'), "
                       "(2, %lld, 1, 0, 0, 1001, '', 'bob@example.com')",
                       (long long)device.entity("TWCalAttendee"), (long long)device.entity("TWCalAttendee")));
  addNotes(1001, "Bring the figures");
  auto events = listed();
  auto event = titled(events, "Planning");
  ASSERT_TRUE(event);
  auto preview = TWEventPreview::initWithApplication(device.app());
  auto page = preview->dataForEventDetailPage(event, device.app());
  const auto text = lines(page);
  std::string all;
  for (const auto& line : text) all += line + "\n";
  EXPECT_TRUE(entry(page, "Planning")) << all;
  EXPECT_TRUE(entry(page, "Bring the figures")) << all;
  auto attendees = entry(page, "Attendees");
  ASSERT_TRUE(attendees) << all;
  EXPECT_TRUE(attendees->isLink());
  auto people = subPage(*preview, event, kTWEventPreviewAttendeesPage, device.app());
  ASSERT_EQ(people.size(), 1u);
  EXPECT_EQ(people[0]->entries().size(), 2u) << all;

  // The tool bar of a Taskwell event opens it in Taskwell only.
  auto bar = preview->toolbarForDetailListPage(Ref<FWDisplayObject>(event), PlistValue(), device.app());
  ASSERT_TRUE(bar);
  int buttons = 0;
  for (const auto& item : *bar)
    if (item->tag() == kTWEventPreviewTaskwellButton) ++buttons;
    else EXPECT_NE(item->tag(), kTWEventPreviewNativeButton);
  EXPECT_EQ(buttons, 1);
  preview->gotoEventClicked(kTWEventPreviewTaskwellButton);
  ASSERT_FALSE(device.host().records().launchedURLs.empty());
  EXPECT_EQ(device.host().records().launchedURLs.back().rfind("tallybook://", 0), 0u);
  // Sub-pages have no tool bar.
  EXPECT_FALSE(preview->toolbarForDetailListPage(Ref<FWDisplayObject>(event), PlistValue(kTWEventPreviewAttendeesPage),
                                                 device.app()));
}

TEST_F(EventPreviewTest, ACancelledOccurrenceOfADeviceSeriesIsListedSaysSoAndRingsNoAlarm) {
  // Daily at 17:00 with an alarm 30 minutes before; today's occurrence is cancelled.
  auto calendar = addDeviceCalendar();
  addDeviceEvent(calendar, "call",
                 "DTSTART:20261207T170000Z\r\nDTEND:20261207T173000Z\r\nRRULE:FREQ=DAILY;COUNT=3\r\n"
                 "SUMMARY:Call\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT30M\r\nEND:VALARM\r\n"
                 "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:call\r\nDTSTAMP:20261208T100000Z\r\n"
                 "RECURRENCE-ID:20261208T170000Z\r\nDTSTART:20261208T170000Z\r\nDTEND:20261208T173000Z\r\n"
                 "SUMMARY:Call\r\nSTATUS:CANCELLED\r\n"
                 "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT30M\r\nEND:VALARM\r\n");
  Ref<TWEvent> cancelled;
  for (const auto& event : listed())
    if (event->title() == "Call" && event->startDate() == today(17)) cancelled = event;
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(cancelled->status(), TWEvent::kStatusCancelled);
  EXPECT_TRUE(cancelled->firstAlarm().isNull());
  EXPECT_TRUE(cancelled->nextAlarm().isNull());

  auto preview = TWEventPreview::initWithApplication(device.app());
  auto page = preview->dataForEventDetailPage(cancelled, device.app());
  std::string all;
  for (const auto& line : lines(page)) all += line + "\n";
  ASSERT_TRUE(entry(page, "Status")) << all;
  EXPECT_EQ(entry(page, "Status")->value().description(), "Cancelled") << all;
}

TEST_F(EventPreviewTest, DeviceAttendeesReadWithEveryParticipationStatusAndWithoutMailto) {
  auto calendar = addDeviceCalendar();
  addDeviceEvent(calendar, "meeting",
                 "DTSTART:20261208T160000Z\r\nDTEND:20261208T170000Z\r\nSUMMARY:Meeting\r\n"
                 "LOCATION:Room 4\r\nORGANIZER;CN=Olga:mailto:olga@example.com\r\n"
                 "ATTENDEE;PARTSTAT=NEEDS-ACTION:mailto:pending@example.com\r\n"
                 "ATTENDEE;CN=Acc;PARTSTAT=ACCEPTED:mailto:acc@example.com\r\n"
                 "ATTENDEE;CN=Dec;PARTSTAT=DECLINED:mailto:dec@example.com\r\n"
                 "ATTENDEE;CN=Ten;PARTSTAT=TENTATIVE:mailto:ten@example.com\r\n"
                 "ATTENDEE;CN=Del;PARTSTAT=DELEGATED:mailto:del@example.com\r\n"
                 "ATTENDEE;CN=Com;PARTSTAT=COMPLETED:mailto:com@example.com\r\n"
                 "ATTENDEE;CN=Inp;PARTSTAT=IN-PROCESS:mailto:inp@example.com\r\n"
                 "ATTENDEE;CN=Odd;PARTSTAT=X-ODD:mailto:odd@example.com\r\n");
  auto events = listed();
  auto event = titled(events, "Meeting");
  ASSERT_TRUE(event);
  ASSERT_TRUE(event->native());
  auto preview = TWEventPreview::initWithApplication(device.app());
  auto page = preview->dataForEventDetailPage(event, device.app());
  std::string all;
  for (const auto& line : lines(page)) all += line + "\n";
  EXPECT_TRUE(entry(page, "Room 4")) << all;
  EXPECT_TRUE(entry(page, "Room 4")->isLink()) << "a short place opens its map";
  ASSERT_TRUE(entry(page, "Attendees")) << all;
  EXPECT_EQ(entry(page, "Attendees")->value().description().find("mailto:"), std::string::npos) << all;

  auto people = lines(subPage(*preview, event, kTWEventPreviewAttendeesPage, device.app()));
  std::string shown;
  for (const auto& line : people) shown += line + "\n";
  ASSERT_EQ(people.size(), 8u) << shown;
  EXPECT_EQ(shown.find("mailto:"), std::string::npos) << shown;
  // Each status reads differently; an unknown one reads as a question mark.
  std::set<std::string> values;
  for (const auto& line : people) values.insert(line.substr(line.find(" = ")));
  EXPECT_EQ(values.size(), 8u) << shown;
  EXPECT_NE(shown.find("pending@example.com"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Odd = ?"), std::string::npos) << shown;
  EXPECT_EQ(preview->captionForListPage({}, PlistValue(kTWEventPreviewAttendeesPage), 1, device.app()),
            preview->captionForListPage({}, PlistValue("-99"), 1, device.app()));

  // A device event opens in the device's calendar or in Taskwell.
  auto bar = preview->toolbarForDetailListPage(Ref<FWDisplayObject>(event), PlistValue(), device.app());
  ASSERT_TRUE(bar);
  std::vector<int> tags;
  for (const auto& item : *bar)
    if (item->tag() != 0) tags.push_back(item->tag());
  EXPECT_EQ(tags, (std::vector<int>{kTWEventPreviewNativeButton, kTWEventPreviewTaskwellButton}));
}

TEST_F(EventPreviewTest, AnEventRemovedWhileItsPageIsOpenStillShowsWhatItsRowKnew) {
  device.addEvent({.key = 1001, .title = "Cancelled soon", .start = today(15), .end = today(16), .calendar = 900});
  addNotes(1001, "Some notes");
  auto calendar = addDeviceCalendar();
  const std::string file = addDeviceEvent(calendar, "gone", "DTSTART:20261208T160000Z\r\nDTEND:20261208T170000Z\r\nSUMMARY:Gone\r\n");
  auto events = listed();
  auto view = open(events, 0);
  ASSERT_TRUE(view);

  device.exec("delete from ZNOTESCONTAINER");
  device.exec("delete from ZTWCALEVENT");
  ASSERT_TRUE(kestrel::files::removeFile(file));
  device.controller()->eventStore()->checkForChanges();
  auto preview = TWEventPreview::initWithApplication(device.app());
  for (const auto& title : {"Cancelled soon", "Gone"}) {
    auto event = titled(events, title);
    ASSERT_TRUE(event) << title;
    auto page = preview->dataForEventDetailPage(event, device.app());
    EXPECT_TRUE(entry(page, title));
    EXPECT_EQ(preview->listPageTextForKey(PlistValue(kTWEventPreviewNotesPage), Ref<FWDisplayObject>(event), 1,
                                          device.app()),
              "?");
  }
}

TEST_F(EventPreviewTest, TheDialerFindsNumbersInTheNotesAndDialsThroughTheHost) {
  device.addEvent({.key = 1001, .title = "Call", .start = today(15), .end = today(16), .calendar = 900});
  addNotes(1001, "Dial 555-1234 or 555-9876 first");
  auto event = titled(listed(), "Call");
  ASSERT_TRUE(event);
  auto preview = TWEventPreview::initWithApplication(device.app());
  FWDetailItem item = Ref<FWDisplayObject>(event);
  auto help = preview->listPagePopupForKey(PlistValue(kTWEventPreviewNotesDialerPage), item, 1, device.app());
  EXPECT_TRUE(help);
  EXPECT_FALSE(preview->listPagePopupForKey(PlistValue(kTWEventPreviewNotesDialerPage), item, 1, device.app()));

  auto dialer = subPage(*preview, event, kTWEventPreviewNotesDialerPage, device.app());
  ASSERT_EQ(dialer.size(), 4u);
  ASSERT_EQ(dialer[1]->entries().size(), 2u);
  dialer[1]->entries().pop_back();  // the second number deleted
  auto dial = dialer[0]->entries().back();
  EXPECT_TRUE(preview->buttonClicked(device.app(), dialer, dial));
  EXPECT_EQ(device.host().records().dialledNumbers, std::vector<std::string>{"5551234"});
}

TEST(EventPreviewNumbersTest, NumbersAreFoundOnlyWhereTheyLookLikeAPhoneNumber) {
  EXPECT_EQ(TWPreview::numbersFromString("call +44 20-7946-0958 now"),
            (std::optional<std::vector<std::string>>{{"+44", "20-7946-0958"}}));
  EXPECT_FALSE(TWPreview::numbersFromString("12 and 34"));
  EXPECT_FALSE(TWPreview::numbersFromString(std::nullopt));
  EXPECT_FALSE(TWPreview::numbersFromString("no digits here + - #"));
  // A megabyte of notes with a thousand numbers: too many to offer, read in one pass.
  std::string notes;
  for (int i = 0; notes.size() < (1u << 20); ++i) notes += i < 1000 ? KSFormat("call 555-%04d; ", i) : std::string(64, 'x');
  EXPECT_FALSE(TWPreview::numbersFromString(notes));
}

}  // namespace
