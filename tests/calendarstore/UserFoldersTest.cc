// The user's own vdir folders used in place of the device root's: how they are chosen, read,
// written the way sync tools expect, kept read-only, and what damaged folders do.
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>

#include "platform/calendarstore/CalendarFolders.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "tests/calendarstore/StoreFixture.h"
#include "tests/support/IsoDate.h"

using namespace kestrel;
namespace fs = std::filesystem;

namespace {

// Whether permission bits stop this process (root and CAP_DAC_OVERRIDE ignore them).
bool permissionsApply(const std::string& folder) {
  ::chmod(folder.c_str(), 0500);
  bool refused = ::access(folder.c_str(), W_OK) != 0;
  ::chmod(folder.c_str(), 0755);
  return refused;
}

enum class Outcome { Passed, Failed, Impossible };

// Runs `checks` where permission bits apply: in this process when they already do, or, as
// root, in a forked child that owns `trees` and has dropped to `nobody` (CI runs as root). The
// child's expectations print as usual; its exit status carries the verdict back.
Outcome withPermissionsApplying(const std::vector<std::string>& trees, const std::function<void()>& checks) {
  if (::geteuid() != 0) {
    if (!permissionsApply(trees.front())) return Outcome::Impossible;
    checks();
    return Outcome::Passed;
  }
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody || nobody->pw_uid == 0) return Outcome::Impossible;
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  for (const auto& tree : trees) {
    if (::chown(tree.c_str(), uid, gid) != 0) return Outcome::Impossible;
    for (auto& e : fs::recursive_directory_iterator(tree))
      if (::lchown(e.path().c_str(), uid, gid) != 0) return Outcome::Impossible;
  }
  std::fflush(nullptr);
  pid_t child = ::fork();
  if (child < 0) return Outcome::Impossible;
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0 ||
        !permissionsApply(trees.front()))
      ::_exit(3);
    checks();
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  for (const auto& tree : trees) {  // back to root, so TearDown removes everything
    std::error_code ec;
    ::chown(tree.c_str(), 0, 0);
    for (auto& e : fs::recursive_directory_iterator(tree, fs::directory_options::skip_permission_denied, ec))
      ::lchown(e.path().c_str(), 0, 0);
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return Outcome::Impossible;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Outcome::Passed : Outcome::Failed;
}

class UserFolders : public test::StoreFixture {
 protected:
  void SetUp() override {
    user = root.root() + "-user";
    fs::create_directories(user + "/reminders");
    fs::create_directories(user + "/calendars");
    CalendarFolders::setChosen(EntityType::Reminder, {user + "/reminders"});
    CalendarFolders::setChosen(EntityType::Event, {user + "/calendars"});
    store = openStore();
  }
  void TearDown() override {
    store.reset();
    CalendarFolders::setChosen(EntityType::Reminder, {});
    CalendarFolders::setChosen(EntityType::Event, {});
    std::error_code ec;
    fs::permissions(user, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto& e : fs::recursive_directory_iterator(user, fs::directory_options::skip_permission_denied, ec))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(user, ec);
  }
  // Writes a file under the user folder (creating folders) as another program would.
  std::string put(const std::string& relative, const std::string& text) {
    std::string path = user + "/" + relative;
    files::writeFileAtomically(path, text);
    return path;
  }
  std::string get(const std::string& relative) { return files::readText(user + "/" + relative).value_or(""); }
  std::vector<std::string> entries() {
    std::vector<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(user)) out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  static std::string event(const std::string& uid, const std::string& title) {
    return ics("BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20261201T100000Z\r\nSUMMARY:" + title +
               "\r\nDTSTART:20261208T100000Z\r\nDTEND:20261208T110000Z\r\nEND:VEVENT\r\n");
  }

  std::string user;
};


std::vector<std::string> eventTitles(CalendarStore& store) {
  std::vector<std::string> out;
  for (const auto& e : store.eventsMatchingPredicate(CalendarStore::predicateForEventsWithStartDate(
           test::iso("2026-12-08T00:00:00Z"), test::iso("2026-12-09T00:00:00Z"), std::nullopt)))
    out.push_back(e.title);
  return out;
}

}  // namespace

TEST_F(UserFolders, CollectionsAreReadWhereTheyAreInsteadOfTheDevicesAndNothingIsWritten) {
  writeList("device-list", "On the device");  // under the device root: not used now
  put("reminders/personal/displayname", "Personal\n");
  put("reminders/personal/color", "#FF2968CC\n");
  put("reminders/personal/a.ics", ics(todo("A", "SUMMARY:Water the plants\r\n")));
  fs::create_directories(user + "/reminders/no-name");
  put("calendars/work/color", "#0082c9");
  put("calendars/work/e.ics", event("E", "Planning"));
  auto before = entries();

  auto lists = store->calendarsForEntityType(EntityType::Reminder);
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_EQ(lists[0].title, "no-name");  // no displayname: the folder's name
  EXPECT_EQ(lists[1].title, "Personal");
  EXPECT_EQ(lists[1].folderPath, user + "/reminders/personal");
  EXPECT_NEAR(lists[1].color.alpha, 0xCC / 255.0, 1e-9);
  EXPECT_NEAR(lists[1].color.red, 1.0, 1e-9);
  auto calendars = store->calendarsForEntityType(EntityType::Event);
  ASSERT_EQ(calendars.size(), 1u);
  EXPECT_EQ(calendars[0].title, "work");
  EXPECT_NEAR(calendars[0].color.blue, 0xc9 / 255.0, 1e-9);

  auto a = find("A");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->filePath, user + "/reminders/personal/a.ics");
  EXPECT_FALSE(find("device-list"));
  EXPECT_EQ(eventTitles(*store), std::vector<std::string>{"Planning"});
  EXPECT_EQ(entries(), before);
}

TEST_F(UserFolders, TheDeviceSettingsFileKeepsTheChoiceAndTheCommandLineOverridesIt) {
  put("kept/list/displayname", "Kept");
  put("chosen/list/displayname", "Chosen");
  std::string error;
  ASSERT_TRUE(CalendarFolders::keep(EntityType::Reminder, {user + "/kept"}, &error)) << error;
  ASSERT_TRUE(CalendarFolders::keep(EntityType::Event, {user + "/calendars"}, &error)) << error;
  // Keeping one kind leaves the other's entry as it was.
  ASSERT_TRUE(CalendarFolders::keep(EntityType::Reminder, {user + "/kept"}, &error)) << error;

  CalendarFolders::setChosen(EntityType::Reminder, {});
  CalendarFolders::setChosen(EntityType::Event, {});
  auto fromFile = CalendarFolders::rootsFor(EntityType::Reminder);
  ASSERT_EQ(fromFile.size(), 1u);
  EXPECT_EQ(fromFile[0].localPath, user + "/kept");
  EXPECT_EQ(CalendarFolders::rootsFor(EntityType::Event)[0].localPath, user + "/calendars");
  EXPECT_EQ(openStore()->calendarsForEntityType(EntityType::Reminder)[0].title, "Kept");

  CalendarFolders::setChosen(EntityType::Reminder, {user + "/chosen"});
  EXPECT_EQ(openStore()->calendarsForEntityType(EntityType::Reminder)[0].title, "Chosen");
}

TEST_F(UserFolders, ADamagedSettingsFileOrEntryFallsBackWithOneLogLineEach) {
  CalendarFolders::setChosen(EntityType::Reminder, {});
  struct Case {
    const char* text;
    const char* logged;
    bool deviceFolder;
  } cases[] = {
      {"not a property list", "is damaged", true},
      {"<plist><dict><key>ReminderFolders</key><integer>3</integer></dict></plist>", "not a list of folders", true},
      {"<plist><dict><key>ReminderFolders</key><array><string>relative/path</string></array></dict></plist>",
       "not an absolute folder path", true},
      {"<plist><dict><key>ReminderFolders</key><string>~/calendars</string></dict></plist>", nullptr, false},
  };
  const char* home = std::getenv("HOME");
  std::string savedHome = home ? home : "";
  setenv("HOME", user.c_str(), 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    root.writeFile(CalendarFolders::kSettingsPath, c.text);
    size_t before = c.logged ? logLinesContaining(c.logged).size() : 0;
    auto roots = CalendarFolders::rootsFor(EntityType::Reminder);
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0].isDeviceFolder, c.deviceFolder);
    if (c.logged) {
      EXPECT_EQ(logLinesContaining(c.logged).size(), before + 1);
    }
    if (!c.deviceFolder) {
      EXPECT_EQ(roots[0].localPath, user + "/calendars");
    }
  }
  setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(UserFolders, EqualCollectionNamesInTwoRootsAreBothShownAndAUIDHeldTwiceIsLoggedOnce) {
  put("second/personal/displayname", "Second personal");
  put("reminders/personal/displayname", "First personal");
  put("reminders/personal/a.ics", ics(todo("SAME", "SUMMARY:First\r\n")));
  put("second/personal/a.ics", ics(todo("SAME", "SUMMARY:Second\r\n")));
  CalendarFolders::setChosen(EntityType::Reminder, {user + "/reminders", user + "/second"});
  store = openStore();
  auto lists = store->calendarsForEntityType(EntityType::Reminder);
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_NE(lists[0].calendarIdentifier, lists[1].calendarIdentifier);
  EXPECT_EQ(store->calendarWithIdentifier("personal")->title, "First personal");
  for (int pass = 0; pass < 3; ++pass) {
    auto all = store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt));
    EXPECT_EQ(titles(all), std::vector<std::string>{"First"});
  }
  EXPECT_EQ(logLinesContaining("duplicate reminder SAME").size(), 1u);
}

TEST_F(UserFolders, AnEditKeepsTheFileItsNameAndPermissionsAndBumpsWhatSyncToolsCompare) {
  put("reminders/personal/todoman-style@host.ics",
      ics(todo("todoman-style@host", "SUMMARY:Buy milk\r\nSEQUENCE:3\r\nX-TODOMAN-ORDER:7\r\n"
                                     "LAST-MODIFIED:20261201T100000Z\r\nSTATUS:NEEDS-ACTION\r\n"
                                     "CATEGORIES:errands\r\n") +
          "BEGIN:VJOURNAL\r\nUID:journal\r\nDTSTAMP:20261201T100000Z\r\nEND:VJOURNAL\r\n"));
  std::string path = user + "/reminders/personal/todoman-style@host.ics";
  ::chmod(path.c_str(), 0600);
  auto r = find("todoman-style@host");
  ASSERT_TRUE(r);
  r->setCompleted(true);
  std::string error;
  ASSERT_TRUE(store->saveReminder(*r, &error)) << error;

  std::string text = get("reminders/personal/todoman-style@host.ics");
  for (const char* expected :
       {"STATUS:COMPLETED", "COMPLETED:20261208T143000Z", "PERCENT-COMPLETE:100", "SEQUENCE:4",
        "LAST-MODIFIED:20261208T143000Z", "DTSTAMP:20261208T143000Z", "X-TODOMAN-ORDER:7", "CATEGORIES:errands",
        "BEGIN:VJOURNAL", "SUMMARY:Buy milk"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_EQ(text.find("NEEDS-ACTION"), std::string::npos);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(user + "/reminders/personal")) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"todoman-style@host.ics"});
}

TEST_F(UserFolders, ANewReminderGetsAFreshUIDAndAFileNamedAfterIt) {
  fs::create_directories(user + "/reminders/personal");
  std::set<std::string> uids;
  for (const char* title : {"One", "Two"}) {
    Reminder r = Reminder::newReminder();
    r.calendarIdentifier = "personal";
    r.title = title;
    ASSERT_TRUE(store->saveReminder(r));
    EXPECT_TRUE(uids.insert(r.calendarItemIdentifier).second);
    EXPECT_EQ(r.filePath, user + "/reminders/personal/" + r.calendarItemIdentifier + ".ics");
    std::string text = files::readText(r.filePath).value_or("");
    EXPECT_NE(text.find("UID:" + r.calendarItemIdentifier), std::string::npos);
    EXPECT_NE(text.find("SEQUENCE:0"), std::string::npos);
  }
}

TEST_F(UserFolders, ReadOnlyCollectionsAreNeverWritten) {
  struct Case {
    const char* marker;
    const char* contents;
  } cases[] = {{"readonly", ""}, {"read-only", ""}, {"type", "subscription"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.marker);
    std::string list = std::string("list-") + c.marker;
    put("reminders/" + list + "/" + c.marker, c.contents);
    std::string original = ics(todo("T-" + list, "SUMMARY:Subscribed\r\n"));
    put("reminders/" + list + "/t.ics", original);
    auto r = find("T-" + list);
    ASSERT_TRUE(r);
    r->setCompleted(true);
    EXPECT_FALSE(store->saveReminder(*r));
    Reminder fresh = Reminder::newReminder();
    fresh.calendarIdentifier = list;
    EXPECT_FALSE(store->saveReminder(fresh));
    EXPECT_FALSE(store->removeReminder(*r));
    EXPECT_EQ(get("reminders/" + list + "/t.ics"), original);
    EXPECT_FALSE(store->calendarWithIdentifier(list)->allowsModifications);
    EXPECT_FALSE(logLinesContaining(user + "/reminders/" + list + ") is read-only").empty());
  }
}

TEST_F(UserFolders, AFolderThatBecameReadOnlyRefusesTheWriteWithALogLineAndKeepsTheFile) {
  std::string original = ics(todo("R", "SUMMARY:Stays\r\n"));
  put("reminders/personal/r.ics", original);
  std::string folder = user + "/reminders/personal";
  auto outcome = withPermissionsApplying({user, root.root()}, [&] {
    store = openStore();
    auto r = find("R");
    ASSERT_TRUE(r);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    r->setCompleted(true);
    EXPECT_FALSE(store->saveReminder(*r));
    EXPECT_EQ(logLinesContaining(folder + ") is read-only").size(), 1u);
    ::chmod(folder.c_str(), 0755);
  });
  if (outcome == Outcome::Impossible) GTEST_SKIP() << "permission bits cannot be made to apply here";
  EXPECT_EQ(outcome, Outcome::Passed);
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(get("reminders/personal/r.ics"), original);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(UserFolders, DamagedFoldersGiveOneLogLineEachAndTheRestStillShows) {
  put("reminders/good/g.ics", ics(todo("G", "SUMMARY:Still here\r\n")));
  fs::create_symlink("loop-b", user + "/reminders/loop-a");
  fs::create_symlink("loop-a", user + "/reminders/loop-b");
  put("reminders/replaced", "a file where a collection was");
  fs::create_symlink(user + "/looping-root", user + "/looping-root");
  CalendarFolders::setChosen(EntityType::Reminder, {user + "/reminders", user + "/looping-root", user + "/missing"});
  store = openStore();
  for (int pass = 0; pass < 3; ++pass) {
    auto all = store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt));
    EXPECT_EQ(titles(all), std::vector<std::string>{"Still here"});
  }
  for (const std::string& named : {user + "/reminders/loop-a", user + "/reminders/loop-b", user + "/reminders/replaced",
                                   user + "/looping-root", user + "/missing"})
    EXPECT_EQ(logLinesContaining(named + ":").size(), 1u) << named;
}

TEST_F(UserFolders, AnUnreadableCollectionFolderIsLoggedOnceAndTheOthersShow) {
  put("reminders/good/g.ics", ics(todo("G", "SUMMARY:Readable\r\n")));
  put("reminders/locked/l.ics", ics(todo("L", "SUMMARY:Locked away\r\n")));
  put("calendars/locked/e.ics", event("E1", "Hidden"));
  put("calendars/open/e.ics", event("E2", "Shown"));
  auto outcome = withPermissionsApplying({user, root.root()}, [&] {
    ASSERT_EQ(::chmod((user + "/reminders/locked").c_str(), 0), 0);
    ASSERT_EQ(::chmod((user + "/calendars/locked").c_str(), 0), 0);
    store = openStore();
    for (int pass = 0; pass < 2; ++pass) {
      auto all = store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt));
      EXPECT_EQ(titles(all), std::vector<std::string>{"Readable"});
      EXPECT_EQ(eventTitles(*store), std::vector<std::string>{"Shown"});
    }
    EXPECT_EQ(logLinesContaining(user + "/reminders/locked:").size(), 1u);
    EXPECT_EQ(logLinesContaining(user + "/calendars/locked:").size(), 1u);
  });
  if (outcome == Outcome::Impossible) GTEST_SKIP() << "permission bits cannot be made to apply here";
  EXPECT_EQ(outcome, Outcome::Passed);
}

TEST_F(UserFolders, AFileBeingWrittenInPlaceIsNeverShownTorn) {
  std::string whole = ics(todo("W", "SUMMARY:Whole version\r\nDESCRIPTION:first\r\n"));
  std::string path = put("reminders/personal/w.ics", whole);
  ASSERT_EQ(find("W")->title, "Whole version");

  // Another program rewrites the file in place and is half way through.
  std::string next = ics(todo("W", "SUMMARY:Second version\r\nDESCRIPTION:second\r\n"));
  ASSERT_TRUE(files::writeFileAtomically(path + ".part", next.substr(0, next.size() / 2)));
  fs::rename(path + ".part", path);
  auto during = find("W");
  ASSERT_TRUE(during);
  EXPECT_EQ(during->title, "Whole version");
  EXPECT_EQ(during->notes, "first");
  // A new file caught half written is not shown at all, and neither is logged twice.
  std::string fresh = ics(todo("F", "SUMMARY:Fresh\r\n"));
  put("reminders/personal/f.ics", fresh.substr(0, fresh.size() - 20));
  EXPECT_FALSE(find("F"));
  EXPECT_FALSE(find("F"));
  EXPECT_EQ(logLinesContaining("being written").size(), 2u);

  ASSERT_TRUE(files::writeFileAtomically(path, next));
  put("reminders/personal/f.ics", fresh);
  EXPECT_EQ(find("W")->title, "Second version");
  EXPECT_EQ(find("F")->title, "Fresh");
}

TEST_F(UserFolders, ThousandsOfCollectionsAreListed) {
  // Making and removing the folders is what costs here; KESTREL_SOAK=1 makes it 10,000.
  const int n = std::getenv("KESTREL_SOAK") ? 10000 : 1500;
  for (int i = 0; i < n; ++i) fs::create_directories(user + "/reminders/c" + std::to_string(i));
  std::string last = "c" + std::to_string(n - 1);
  put("reminders/" + last + "/x.ics", ics(todo("X", "SUMMARY:In the last one\r\n")));
  EXPECT_EQ(store->calendarsForEntityType(EntityType::Reminder).size(), static_cast<size_t>(n));
  EXPECT_EQ(find("X")->calendarIdentifier, last);
}

// Runs the watcher's thread: named for the concurrency label (tests/calendarstore/CMakeLists.txt).
class CalendarStoreWatchUserFolders : public UserFolders {};

TEST_F(CalendarStoreWatchUserFolders, CollectionsComeAndGoAtTheNextChangeNotice) {
  auto watched = openStore(true);
  ASSERT_TRUE(watched->isWatching());
  int notices = 0;
  NotificationCenter::defaultCenter().addObserver(
      this, CalendarStore::kChangedNotification, [&](const Notification&) { ++notices; }, watched.get());
  auto pumpUntil = [&](const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      RunLoop::main().runFor(0.02);
    }
    return true;
  };
  // As vdirsyncer makes a collection: folder, metadata, then items renamed into place.
  put("calendars/new/displayname", "New calendar");
  ASSERT_TRUE(pumpUntil([&] { return notices >= 1; }));
  int seen = notices;
  put("calendars/new/e.ics", event("N", "Synced in"));
  ASSERT_TRUE(pumpUntil([&] { return notices > seen; }));
  EXPECT_EQ(eventTitles(*watched), std::vector<std::string>{"Synced in"});

  seen = notices;
  fs::remove_all(user + "/calendars/new");
  ASSERT_TRUE(pumpUntil([&] { return notices > seen; }));
  EXPECT_TRUE(eventTitles(*watched).empty());
  EXPECT_TRUE(watched->calendarsForEntityType(EntityType::Event).empty());
  NotificationCenter::defaultCenter().removeObserver(this);
}
