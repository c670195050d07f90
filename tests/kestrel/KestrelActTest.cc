// kestrel act on a generated device: what each step does to the section and to the stores,
// and how it reports steps it cannot perform.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdio.h>

#include <filesystem>
#include <set>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"
#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/SectionPrint.h"
#include "tools/kestrel/ActSteps.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/SectionActor.h"

namespace {

using kestrel::PlistValue;
using kestrel::test::GeneratedDevice;
using kestrel::tool::ActStep;
using kestrel::tool::SectionActor;

using ActRun = kestrel::test::CommandRun;
using kestrel::test::runAct;

// The JSON lines printed under the header of `step` (up to the next header).
std::string sectionAfter(const std::string& out, const std::string& step) {
  size_t at = out.find("{\"step\":\"" + step + "\"");
  if (at == std::string::npos) return {};
  size_t end = out.find("{\"step\":", at + 1);
  return out.substr(at, end == std::string::npos ? std::string::npos : end - at);
}
bool showsRow(const std::string& section, const std::string& key) {
  return section.find("{\"uniqueID\":\"" + key + "\"") != std::string::npos;
}

std::optional<std::string> fileText(const std::string& path) { return kestrel::files::readText(path); }

class KestrelAct : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(device.ok()) << device.error(); }
  std::vector<std::string> args(const std::vector<std::string>& steps, const std::vector<std::string>& options = {}) {
    auto words = device.sessionArgs(options);
    words.push_back("--json");
    words.insert(words.end(), steps.begin(), steps.end());
    return words;
  }
  std::string reminderFile(const std::string& title) {
    kestrel::Device::setRoot(device.root());
    auto store = kestrel::CalendarStore::open({.watchForChanges = false});
    for (const auto& r : store->remindersMatchingPredicate(kestrel::CalendarStore::predicateForRemindersWithTitle(title, false)))
      if (r.title == title) return device.localPath(r.filePath);
    ADD_FAILURE() << "no reminder " << title;
    return {};
  }

  GeneratedDevice device;
};

TEST(ActSteps, ReadsEveryStepAndRefusesWhatItDoesNotKnow) {
  auto steps = kestrel::tool::parseActSteps(std::vector<std::string>{"complete", "3", "context", "manual", "details",
                                                                     "refresh", "context", "off"});
  ASSERT_TRUE(steps) << steps.error();
  ASSERT_EQ(steps->size(), 5u);
  EXPECT_EQ((*steps)[0].kind, ActStep::Kind::Complete);
  EXPECT_EQ((*steps)[0].row, 3);
  EXPECT_EQ((*steps)[1].mode, ActStep::ContextMode::Manual);
  EXPECT_EQ((*steps)[4].text, "context off");
  for (std::vector<std::string> bad : {std::vector<std::string>{}, {"complete"}, {"complete", "0"}, {"complete", "2x"},
                                       {"complete", "-1"}, {"context", "on"}, {"context"}, {"detail"},
                                       {"refresh", "now"}})
    EXPECT_FALSE(kestrel::tool::parseActSteps(bad)) << (bad.empty() ? "(none)" : bad.back());
}

TEST_F(KestrelAct, CompletingTaskwellTasksWritesOnlyThePrivateCopyAndQueuesTheirLinks) {
  std::vector<std::string> firstTwo;
  {
    auto session = device.openSession({"isNativeTasks=false"});
    ASSERT_TRUE(session);
    auto tasks = kestrel::test::keysOf(kestrel::test::shownTasks(session->engine()));
    ASSERT_GE(tasks.size(), 2u);
    firstTwo = {tasks[0], tasks[1]};
  }
  const std::string original = device.localPath(device.taskwell().databasePath);
  auto originalBytes = fileText(original);
  auto originalWal = fileText(original + "-wal");

  ActRun run = runAct(args({"complete", "1", "complete", "1"}, {"isNativeTasks=false"}));
  ASSERT_EQ(run.status, 0) << run.err;
  std::string start = sectionAfter(run.out, "start");
  std::string afterFirst = sectionAfter(run.out, "complete 1");
  ASSERT_TRUE(showsRow(start, firstTwo[0]));
  EXPECT_FALSE(showsRow(afterFirst, firstTwo[0]));
  EXPECT_TRUE(showsRow(afterFirst, firstTwo[1]));
  size_t second = run.out.find("{\"step\":\"complete 1\"", run.out.find("{\"step\":\"complete 1\"") + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_FALSE(showsRow(run.out.substr(second), firstTwo[1]));

  // Taskwell's own store is untouched; it learns of the completions from the pasteboard,
  // the older first.
  EXPECT_EQ(fileText(original), originalBytes);
  EXPECT_EQ(fileText(original + "-wal"), originalWal);
  kestrel::Device::setRoot(device.root());
  auto board = kestrel::Pasteboard::pasteboardWithName("net.norvale.taskwell.tasksCompleted", false);
  ASSERT_TRUE(board);
  const std::string prefix = "x-coredata://" + device.taskwell().storeUUID + "/TWCalTask/p";
  EXPECT_EQ(board->valuesForPasteboardType("public.url"),
            (std::vector<PlistValue>{PlistValue(prefix + firstTwo[0]), PlistValue(prefix + firstTwo[1])}));

  // The private copy holds the completion dates: one step after the other.
  int completed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(device.localPath("/var/mobile/Library/Caches"))) {
    const std::string name = entry.path().filename().string();
    // The copy itself, not the record of its source's state beside it.
    if (name.find("pim.tallybookdata-TWTask") == std::string::npos || !name.ends_with(".alternatedb")) continue;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(entry.path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    std::string sql = "select ZCOMPLETEDDATE from ZTWCALTASK where Z_PK in (" + firstTwo[0] + "," + firstTwo[1] +
                      ") and ZCOMPLETEDDATE is not null order by ZCOMPLETEDDATE";
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK);
    std::vector<double> dates;
    while (sqlite3_step(stmt) == SQLITE_ROW) dates.push_back(sqlite3_column_double(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (dates.size() == 2) {
      ++completed;
      EXPECT_EQ(dates[1] - dates[0], SectionActor::kStepSeconds);
    }
  }
  EXPECT_EQ(completed, 1);
}

TEST_F(KestrelAct, CompletingAReminderSavesItsFileAndTheStoreChangeRefreshes) {
  const std::string path = reminderFile("Call the dentist");
  auto text = fileText(path);
  ASSERT_TRUE(text);
  // Another item and a property this system does not know share the file.
  const std::string other =
      "BEGIN:VTODO\r\nUID:kept-item\r\nSUMMARY:Kept as it was\r\nSTATUS:COMPLETED\r\nX-OTHER-APP:keep me\r\nEND:VTODO\r\n";
  std::string edited = *text;
  edited.insert(edited.find("END:VCALENDAR"), other);
  ASSERT_TRUE(kestrel::files::writeFileAtomically(path, edited));

  auto session = device.openSession();
  ASSERT_TRUE(session);
  auto& engine = session->engine();
  int row = 0, index = 0;
  std::string key;
  for (const auto& t : kestrel::test::shownTasks(engine, true)) {
    ++index;
    if (t.fields.stringForKey("title") == "Call the dentist") {
      row = index;
      key = t.key;
    }
  }
  ASSERT_GT(row, 0);
  SectionActor actor(engine);
  auto outcome = actor.perform({.kind = ActStep::Kind::Complete, .row = row, .text = "complete"});
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  EXPECT_FALSE(engine.row(key));

  auto saved = fileText(path);
  ASSERT_TRUE(saved);
  size_t first = saved->find("UID:" + key);
  size_t firstEnd = saved->find("END:VTODO", first);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(saved->substr(first, firstEnd - first).find("STATUS:COMPLETED"), std::string::npos);
  EXPECT_NE(saved->substr(first, firstEnd - first).find("COMPLETED:"), std::string::npos);
  size_t kept = saved->find("UID:kept-item");
  ASSERT_NE(kept, std::string::npos);
  std::string keptItem = saved->substr(kept, saved->find("END:VTODO", kept) - kept);
  EXPECT_NE(keptItem.find("SUMMARY:Kept as it was"), std::string::npos);
  EXPECT_NE(keptItem.find("X-OTHER-APP:keep me"), std::string::npos);
  EXPECT_EQ(keptItem.find("COMPLETED:"), std::string::npos);
}

TEST_F(KestrelAct, AnotherProgramsEditOfAReminderShowsAtTheNextRefresh) {
  auto session = device.openSession();
  ASSERT_TRUE(session);
  auto& engine = session->engine();
  std::string key;
  for (const auto& t : kestrel::test::shownTasks(engine, true))
    if (t.fields.stringForKey("title") == "Pick up dry cleaning") key = t.key;
  ASSERT_FALSE(key.empty());

  const std::string path = reminderFile("Pick up dry cleaning");
  auto text = fileText(path);
  ASSERT_TRUE(text);
  std::string edited = *text;
  size_t at = edited.find("SUMMARY:Pick up dry cleaning");
  ASSERT_NE(at, std::string::npos);
  edited.replace(at, std::string("SUMMARY:Pick up dry cleaning").size(), "SUMMARY:Pick up the suits");
  ASSERT_TRUE(kestrel::files::writeFileAtomically(path, edited));

  SectionActor actor(engine);
  auto outcome = actor.perform({.kind = ActStep::Kind::Refresh, .text = "refresh"});
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  auto row = engine.row(key);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->object.fields().stringForKey("title"), "Pick up the suits");
}

TEST_F(KestrelAct, ContextButtonsAndTheDetailsToggleChangeTheSection) {
  ActRun run = runAct(args({"context", "off", "details", "context", "auto", "refresh"},
                           {"isShowLocations=false", "showContextState=2", "isNativeTasks=false", "maxTasks=50"}));
  ASSERT_EQ(run.status, 0) << run.err;
  // Auto mode is on at start: Taskwell monitors locations and names two location contexts.
  std::string start = sectionAfter(run.out, "start");
  std::string off = sectionAfter(run.out, "context off");
  std::string on = sectionAfter(run.out, "context auto");
  EXPECT_NE(start.find("\"detail\":\"2 location contexts\""), std::string::npos) << start.substr(0, 200);
  EXPECT_NE(off.find("\"detail\":\"Contexts off\""), std::string::npos) << off.substr(0, 200);
  EXPECT_NE(on.find("\"detail\":\"2 location contexts\""), std::string::npos) << on.substr(0, 200);
  // Out-of-context tasks are hidden while a mode is on, and back when contexts are off.
  EXPECT_EQ(start.find("\"contextClassification\":3"), std::string::npos);
  EXPECT_NE(off.find("\"contextClassification\":3"), std::string::npos);
  EXPECT_EQ(on.find("\"contextClassification\":3"), std::string::npos);
  // Every button closes the tool bar it was touched on.
  EXPECT_EQ(run.out.find("[[[toolbar]]]"), std::string::npos);
  EXPECT_FALSE(sectionAfter(run.out, "details").empty());
  EXPECT_FALSE(sectionAfter(run.out, "refresh").empty());
}

TEST_F(KestrelAct, ContextPagesOpenAndArePrinted) {
  // Printed as text: a page is shown as a person reads it.
  auto words = device.sessionArgs({"isNativeTasks=false"});
  words.insert(words.end(), {"context", "off", "locate"});
  ActRun located = runAct(words);
  ASSERT_EQ(located.status, 0) << located.err;
  const std::string locatePage = located.out.substr(located.out.rfind("locate"));
  EXPECT_NE(locatePage.find("Locations"), std::string::npos) << locatePage.substr(0, 600);
  EXPECT_NE(locatePage.find("Select"), std::string::npos) << locatePage.substr(0, 600);

  words = device.sessionArgs({"isNativeTasks=false"});
  words.insert(words.end(), {"contexts", "manual"});
  ActRun manual = runAct(words);
  ASSERT_EQ(manual.status, 0) << manual.err;
  const std::string manualPage = manual.out.substr(manual.out.rfind("contexts manual"));
  EXPECT_NE(manualPage.find("Contexts"), std::string::npos) << manualPage.substr(0, 600);
  EXPECT_NE(manualPage.find("Select"), std::string::npos) << manualPage.substr(0, 600);
}

TEST_F(KestrelAct, StepsThatCannotBePerformedSayWhyWithTheirStatus) {
  struct Case {
    std::vector<std::string> steps;
    std::vector<std::string> options;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"complete", "99"}, {}, 2, "there is no task row 99"},
      {{"complete", "1"}, {"completeTasks=0"}, 2, "has no completion control"},
      {{"jump"}, {}, 2, "unknown step 'jump'"},
      {{"context", "auto"}, {}, 1, "the locate button is disabled"},
      {{"context", "off", "context", "off"}, {}, 1, "the contexts-off button is disabled"},
      {{"details"}, {"isShowToolbar=false"}, 1, "the status row is hidden"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    ActRun run = runAct(args(c.steps, c.options));
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
  // A wrong step stops the command before anything is loaded.
  EXPECT_TRUE(runAct(args({"details", "jump"})).out.empty());
}

TEST_F(KestrelAct, AHoldControlCompletesAndTheDetailsToggleRedrawsEveryRow) {
  auto session = device.openSession({"completeTasks=2", "isNativeTasks=false"});
  ASSERT_TRUE(session);
  auto& engine = session->engine();
  auto before = kestrel::test::keysOf(kestrel::test::shownTasks(engine));
  ASSERT_FALSE(before.empty());
  ASSERT_FALSE(engine.row(before[0])->accessoryTapAction);
  SectionActor actor(engine);
  auto outcome = actor.perform({.kind = ActStep::Kind::Complete, .row = 1, .text = "complete 1"});
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  EXPECT_FALSE(engine.row(before[0]));

  auto shown = kestrel::test::keysOf(kestrel::test::shownTasks(engine));
  engine.plugin().rows().clearCalls();
  outcome = actor.perform({.kind = ActStep::Kind::Details, .text = "details"});
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  std::set<std::string> resent;
  for (const auto& call : engine.plugin().rows().calls())
    if (call.kind == kestrel::SectionRows::Call::Kind::Publish)
      for (const auto& id : call.uniqueIDs()) resent.insert(id);
  for (const auto& key : shown) EXPECT_TRUE(resent.count(key)) << key;
  EXPECT_FALSE(engine.row("[[[toolbar]]]"));
}

}  // namespace

TEST_F(KestrelAct, TheSectionAsShownReadsLikeTheLockScreen) {
  auto session = device.openSession();
  ASSERT_TRUE(session);
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  kestrel::tool::printSectionAsShown(out, session->engine());
  fclose(out);
  std::string text(buffer, size);
  free(buffer);
  // The status row carries Taskwell's badge; every task row starts with a bullet and its title.
  auto badge = std::to_string(device.taskwell().dueTaskRows);
  EXPECT_NE(text.find("  (" + badge + ")\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\xE2\x80\xA2 Pay the electricity bill"), std::string::npos) << text;
  EXPECT_EQ(text.find("TWTask"), std::string::npos) << text;
}

TEST_F(KestrelAct, TextOutputNumbersTaskRowsAndShowsTheDetailsToggle) {
  auto words = device.sessionArgs({"isNativeTasks=false"});
  words.push_back("details");
  ActRun run = runAct(words);
  ASSERT_EQ(run.status, 0) << run.err;
  size_t toggled = run.out.find("== details");
  ASSERT_NE(toggled, std::string::npos) << run.out;
  const std::string before = run.out.substr(0, toggled), after = run.out.substr(toggled);
  // Task rows are numbered the way `complete N` counts them; detail lines are indented.
  EXPECT_NE(before.find("\n 1. "), std::string::npos) << before;
  EXPECT_NE(before.find("\n    "), std::string::npos) << before;
  EXPECT_NE(after.find("\n 1. "), std::string::npos) << after;
  EXPECT_EQ(after.find("\n    "), std::string::npos) << after;
}

namespace {

TEST_F(KestrelAct, OpeningATaskRowWalksItsPagesAndDoneClosesThem) {
  auto words = device.sessionArgs({});
  for (const char* step : {"open", "1", "down", "up", "done"}) words.push_back(step);
  ActRun run = runAct(words);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto npos = std::string::npos;
  const size_t open = run.out.find("== open 1 (page)\n[Done] Task 1 of ");
  ASSERT_NE(open, npos) << run.out;
  EXPECT_NE(run.out.find("[up: off] [down]", open), npos);
  EXPECT_NE(run.out.find("complete (progress ", open), npos);
  EXPECT_NE(run.out.find("== down (page)\n[Done] Task 2 of "), npos);
  EXPECT_NE(run.out.find("== up (page)\n[Done] Task 1 of "), npos);
  // Done closes the page: the section is printed again.
  const size_t done = run.out.find("== done");
  ASSERT_NE(done, npos);
  EXPECT_EQ(run.out.find("(page)", done), npos);
  EXPECT_NE(run.out.find(" 1. ", done), npos);
}

TEST_F(KestrelAct, PageStepsWithoutAPageOrBeyondItsEndsSayWhy) {
  struct Case {
    std::vector<std::string> steps;
    int status;
    std::string why;
  };
  const Case cases[] = {
      {{"back"}, kestrel::tool::kExitUsage, "back: no page is open"},
      {{"open", "99"}, kestrel::tool::kExitUsage, "open 99: there is no task row 99"},
      {{"open", "1", "back"}, kestrel::tool::kExitFailure, "back: the base page has no way back"},
      {{"open", "1", "up"}, kestrel::tool::kExitFailure, "up: the up segment is disabled"},
      {{"open", "1", "tap", "No such row"}, kestrel::tool::kExitUsage, "no row of the page starts with 'No such row'"},
  };
  for (const auto& c : cases) {
    ActRun run = runAct(args(c.steps));
    EXPECT_EQ(run.status, c.status) << c.steps.back();
    EXPECT_NE(run.err.find(c.why), std::string::npos) << run.err;
  }
  auto parsed = kestrel::tool::parseActSteps(std::vector<std::string>{"open", "2", "tap", "Notes", "back", "done"});
  ASSERT_TRUE(parsed) << parsed.error();
  EXPECT_EQ((*parsed)[1].target, "Notes");
  EXPECT_FALSE(kestrel::tool::parseActSteps(std::vector<std::string>{"open", "x"}));
  EXPECT_FALSE(kestrel::tool::parseActSteps(std::vector<std::string>{"tap"}));
}

TEST_F(KestrelAct, AnInRowButtonIsTouchedByItsTitle) {
  ASSERT_FALSE(device.setNotesOfFirstTask("Ring 555-1234 before noon").empty());

  auto words = device.sessionArgs({"isNativeTasks=false"});
  for (const char* step : {"open", "1", "tap", "Phone numbers", "button", "Dial"}) words.push_back(step);
  ActRun run = runAct(words);
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const auto npos = std::string::npos;
  const size_t dialer = run.out.find("== tap Phone numbers (page)");
  ASSERT_NE(dialer, npos) << run.out;
  EXPECT_NE(run.out.find("5551234", dialer), npos);
  // Dialling closes the page: the section is printed again.
  const size_t dialled = run.out.find("== button Dial");
  ASSERT_NE(dialled, npos) << run.out;
  EXPECT_EQ(run.out.find("(page)", dialled), npos);

  ActRun missing = runAct(args({"open", "1", "button", "Nothing like it"}, {"isNativeTasks=false"}));
  EXPECT_EQ(missing.status, kestrel::tool::kExitUsage);
  EXPECT_NE(missing.err.find("no button whose title starts with 'Nothing like it'"), npos) << missing.err;
  ActRun noSwitch = runAct(args({"open", "1", "switch", "Due"}, {"isNativeTasks=false"}));
  EXPECT_EQ(noSwitch.status, kestrel::tool::kExitUsage);
  EXPECT_TRUE(kestrel::tool::parseActSteps(std::vector<std::string>{"open", "1", "select", "switch", "Work", "button", "Dial"}));
  EXPECT_FALSE(kestrel::tool::parseActSteps(std::vector<std::string>{"switch"}));
}

}  // namespace
