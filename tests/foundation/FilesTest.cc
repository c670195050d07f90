#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/LogStore.h"
#include "platform/foundation/Pasteboard.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

TEST(Device, ResolvesDevicePathsUnderTheRoot) {
  test::TempDeviceRoot root;
  EXPECT_EQ(Device::path("/var/mobile/Library/Caches"), root.root() + "/var/mobile/Library/Caches");
  EXPECT_EQ(Device::path("/private/var/mobile/x"), root.root() + "/var/mobile/x");
  EXPECT_EQ(Device::path(root.root() + "/var/a"), root.root() + "/var/a");
  EXPECT_EQ(Device::devicePath(root.root() + "/var/a"), "/var/a");
}

TEST(Files, AtomicWritesReplaceWholeFilesAndKeepTheOldOneOnFailure) {
  test::TempDeviceRoot root;
  std::string p = root.path("/var/mobile/Library/Preferences/a.plist");
  PlistValue v = PlistValue::dict();
  v.set("k", 1);
  ASSERT_TRUE(files::writePlistAtomically(p, v));
  EXPECT_EQ(PlistValue::fromFile(p)->intForKey("k"), 1);
  // A folder that cannot be written keeps the old file.
  std::string dir = files::deletingLastPathComponent(p);
  ::chmod(dir.c_str(), 0555);
  if (::geteuid() != 0) {  // root ignores permissions
    v.set("k", 2);
    EXPECT_FALSE(files::writePlistAtomically(p, v));
    EXPECT_EQ(PlistValue::fromFile(p)->intForKey("k"), 1);
  }
  ::chmod(dir.c_str(), 0755);
}

// The pid of a process that has ended (and been reaped).
pid_t endedProcess() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

TEST(Files, AtomicWriteRemovesTheTemporaryFilesOfEndedProcessesOnly) {
  test::TempDeviceRoot root;
  const std::string p = root.path("/var/mobile/Library/Caches/state.plist");
  ASSERT_TRUE(files::writeFileAtomically(p, std::string("old")));
  const std::string dir = files::deletingLastPathComponent(p);
  const std::string ended = std::to_string(endedProcess());
  const std::string mine = std::to_string(::getpid());
  struct Leftover {
    std::string name;
    bool goes;
  };
  const Leftover leftovers[] = {
      {"state.plist.tmp." + ended + ".12345", true},  // a writer killed mid-write
      {"state.plist.tmp." + mine + ".777", false},    // a write of a running process
      {"state.plist.tmp.x" + ended, false},           // not a process's name
      {"state.plist.tmp." + ended, false},            // nothing after the pid
      {"other.plist.tmp." + ended + ".1", false},     // another file's
  };
  for (const auto& l : leftovers) ASSERT_TRUE(files::writeFileAtomically(dir + "/" + l.name, std::string("half")));
  ASSERT_TRUE(files::writeFileAtomically(p, std::string("new")));
  for (const auto& l : leftovers) EXPECT_EQ(files::exists(dir + "/" + l.name), !l.goes) << l.name;
  EXPECT_EQ(files::readText(p).value_or(""), "new");
}

// Runs `read` on its own thread; a read that blocks fails the test, and opening the FIFO's
// writing end then lets the stuck reader finish.
template <class Read>
void expectNoBlock(const std::string& fifo, Read read, const char* what) {
  auto done = std::async(std::launch::async, read);
  if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << what << " blocked on a FIFO";
    int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  done.wait();
}

TEST(Files, ReadsRefuseFifosAndOtherNonRegularFilesWithoutBlocking) {
  test::TempDeviceRoot root;
  std::string fifo = root.path("/var/mobile/Library/Preferences/fifo.plist");
  ASSERT_TRUE(files::createDirectories(files::deletingLastPathComponent(fifo)));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  expectNoBlock(fifo, [&] { EXPECT_FALSE(files::readFile(fifo)); }, "readFile");
  expectNoBlock(fifo, [&] { EXPECT_FALSE(PlistValue::fromFile(fifo)); }, "PlistValue::fromFile");
  EXPECT_FALSE(files::readText(root.path("/var/mobile/Library/Preferences")));  // a folder
  // A pasteboard file replaced by a FIFO reads as empty instead of hanging its reader.
  auto path = Pasteboard::devicePathForName("fifo.board");
  ASSERT_TRUE(path);
  std::string boardFile = Device::path(*path);
  ASSERT_TRUE(files::createDirectories(files::deletingLastPathComponent(boardFile)));
  ASSERT_EQ(::mkfifo(boardFile.c_str(), 0644), 0);
  expectNoBlock(boardFile, [&] {
    auto board = Pasteboard::pasteboardWithName("fifo.board", false);
    if (board) {
      EXPECT_EQ(board->numberOfItems(), 0u);
    }
  }, "Pasteboard");
  // Regular files still read whole.
  std::string plain = root.path("/var/mobile/plain.txt");
  ASSERT_TRUE(files::writeFileAtomically(plain, std::string(200000, 'a')));
  EXPECT_EQ(files::readText(plain)->size(), 200000u);
}

TEST(Files, ModificationDateFollowsLinksAndCanBeSet) {
  test::TempDeviceRoot root;
  std::string target = root.path("/var/db.sqlite");
  root.writeFile("/var/db.sqlite", "x");
  std::string link = root.path("/var/link.sqlite");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ASSERT_TRUE(files::setModificationDate(target, Date(5000.25)));
  EXPECT_NEAR(files::modificationDate(link)->timeIntervalSinceReferenceDate(), 5000.25, 1e-3);
  EXPECT_FALSE(files::modificationDate(root.path("/var/missing")));
}

TEST(LogStore, QueriesByProcessAndTime) {
  test::TempDeviceRoot root;
  LogStore::append("KS:TWTask: first\nwith a second line");
  Clock::advance(20);
  LogStore::append("KS:TWTask: second");
  root.writeFile(std::string(LogStore::kDevicePath) + ".junk", "");
  auto all = LogStore::query(::getpid());
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].message, "KS:TWTask: first\nwith a second line");
  auto recent = LogStore::query(::getpid(), Clock::now().addingTimeInterval(-5));
  ASSERT_EQ(recent.size(), 1u);
  EXPECT_EQ(recent[0].message, "KS:TWTask: second");
  EXPECT_TRUE(LogStore::query(::getpid() + 100000).empty());
}
