#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

Pasteboard::Item item(const std::string& type, PlistValue value) { return {{type, std::move(value)}}; }

std::string folder() { return Device::path(Pasteboard::kDeviceFolder); }

}  // namespace

TEST(Pasteboard, OpeningWithoutCreateFindsOnlyExistingPasteboards) {
  test::TempDeviceRoot root;
  EXPECT_EQ(Pasteboard::pasteboardWithName("net.norvale.taskwell.contextLocations", false), nullptr);

  auto created = Pasteboard::pasteboardWithName("net.norvale.taskwell.contextLocations", true);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->changeCount(), 0);
  EXPECT_EQ(created->numberOfItems(), 0u);
  EXPECT_FALSE(created->isPersistent());

  auto opened = Pasteboard::pasteboardWithName("net.norvale.taskwell.contextLocations", false);
  ASSERT_NE(opened, nullptr);
  // Creating again keeps what is there.
  ASSERT_TRUE(opened->setItems({item("title", PlistValue("Home"))}));
  auto again = Pasteboard::pasteboardWithName("net.norvale.taskwell.contextLocations", true);
  EXPECT_EQ(again->numberOfItems(), 1u);
  EXPECT_EQ(again->changeCount(), 1);
}

TEST(Pasteboard, ItemsChangeCountAndTypedReads) {
  test::TempDeviceRoot root;
  auto board = Pasteboard::pasteboardWithName("com.kzt.kestrel", true);
  auto other = Pasteboard::pasteboardWithName("com.kzt.kestrel", false);  // a second handle sees every change

  ASSERT_TRUE(board->setItems({item("dbpath", PlistValue("/var/mobile/Documents/pim.tallybookdata")),
                               item("dbvers", PlistValue(260))}));
  EXPECT_EQ(other->changeCount(), 1);
  ASSERT_TRUE(board->addItems({item("public.url", PlistValue("x-coredata://U/TWCalTask/p1")),
                               {{"title", PlistValue(Bytes{'H', 'o'})}, {"dbvers", PlistValue(250)}}}));
  EXPECT_EQ(other->changeCount(), 2);
  EXPECT_EQ(other->numberOfItems(), 4u);
  EXPECT_THAT(other->pasteboardTypes(), ElementsAre("dbpath"));
  EXPECT_THAT(other->valuesForPasteboardType("dbvers"), ElementsAre(PlistValue(260), PlistValue(250)));
  EXPECT_TRUE(other->valuesForPasteboardType("missing").empty());

  // Data: strings as UTF-8, data as is, numbers as a property list that reads back.
  auto data = other->dataForPasteboardType("title");
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0], (Bytes{'H', 'o'}));
  Bytes path = other->dataForPasteboardType("dbpath").at(0);
  EXPECT_EQ(std::string(path.begin(), path.end()), "/var/mobile/Documents/pim.tallybookdata");
  EXPECT_EQ(PlistValue::fromBytes(other->dataForPasteboardType("dbvers")[0]), PlistValue(260));

  ASSERT_TRUE(board->setItems({}));
  EXPECT_EQ(other->numberOfItems(), 0u);
  EXPECT_EQ(other->changeCount(), 3);
  EXPECT_THAT(other->description(), HasSubstr("name = com.kzt.kestrel; changeCount = 3; items = 0"));
}

TEST(Pasteboard, RefusesItemsWithoutValueAndLeavesTheBoardAsItWas) {
  test::TempDeviceRoot root;
  auto board = Pasteboard::pasteboardWithName("b", true);
  ASSERT_TRUE(board->setItems({item("a", PlistValue(1))}));
  EXPECT_FALSE(board->addItems({item("b", PlistValue())}));
  EXPECT_FALSE(board->setItems({item("c", PlistValue(std::string("nul\0inside", 10)))}));
  EXPECT_EQ(board->numberOfItems(), 1u);
  EXPECT_EQ(board->changeCount(), 1);
}

TEST(Pasteboard, PersistenceRemovalAndDeviceRestart) {
  test::TempDeviceRoot root;
  auto kept = Pasteboard::pasteboardWithName("net.norvale.taskwell.tasksCompleted", true);
  ASSERT_TRUE(kept->setPersistent(true));
  ASSERT_TRUE(kept->addItems({item("public.url", PlistValue("x-coredata://U/TWCalTask/p4"))}));
  EXPECT_TRUE(kept->isPersistent());
  EXPECT_EQ(kept->changeCount(), 1);  // the flag is not a change of the items
  auto transient = Pasteboard::pasteboardWithName("scratch", true);
  ASSERT_TRUE(transient->addItems({item("x", PlistValue(1))}));

  Pasteboard::removeTransientPasteboards();
  EXPECT_EQ(Pasteboard::pasteboardWithName("scratch", false), nullptr);
  ASSERT_NE(Pasteboard::pasteboardWithName("net.norvale.taskwell.tasksCompleted", false), nullptr);
  EXPECT_EQ(kept->numberOfItems(), 1u);

  EXPECT_TRUE(Pasteboard::removePasteboardWithName("net.norvale.taskwell.tasksCompleted"));
  EXPECT_FALSE(Pasteboard::removePasteboardWithName("net.norvale.taskwell.tasksCompleted"));
  EXPECT_EQ(Pasteboard::pasteboardWithName("net.norvale.taskwell.tasksCompleted", false), nullptr);
  // A handle to a removed pasteboard writes it anew.
  ASSERT_TRUE(kept->addItems({item("public.url", PlistValue("x"))}));
  EXPECT_EQ(kept->changeCount(), 1);
}

TEST(Pasteboard, HostileNamesStayInsideThePasteboardFolder) {
  test::TempDeviceRoot root;
  for (const std::string& name : std::vector<std::string>{"../../../../etc/passwd", "a/b", "a%2Fb", ".", "..", ".hidden", std::string("nul\0x", 5),
                           std::string("\xff\xfe\n", 3)}) {
    auto board = Pasteboard::pasteboardWithName(name, true);
    ASSERT_NE(board, nullptr) << name;
    ASSERT_TRUE(board->setItems({item("name", PlistValue(Bytes(name.begin(), name.end())))}));
  }
  // Each name got its own file directly in the folder, and reads back its own items.
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root.root())) {
    if (entry.is_directory() || entry.path().extension() != ".plist") continue;
    EXPECT_EQ(entry.path().parent_path(), folder()) << entry.path();
    ++files;
  }
  EXPECT_EQ(files, 8u);
  auto slash = Pasteboard::pasteboardWithName("a/b", false);
  EXPECT_EQ(slash->dataForPasteboardType("name")[0], (Bytes{'a', '/', 'b'}));

  EXPECT_EQ(Pasteboard::pasteboardWithName("", true), nullptr);
  EXPECT_EQ(Pasteboard::pasteboardWithName(std::string(67, '/'), true), nullptr);  // escapes to 201 bytes
  EXPECT_NE(Pasteboard::pasteboardWithName(std::string(66, '/'), true), nullptr);
  EXPECT_NE(Pasteboard::pasteboardWithName(std::string(Pasteboard::kMaxEscapedNameBytes, 'n'), true), nullptr);
}

TEST(Pasteboard, DamagedFileReadsEmptyAndIsKeptAsideWhenWritten) {
  test::TempDeviceRoot root;
  test::LogCapture log;
  std::string path = Device::path(*Pasteboard::devicePathForName("net.norvale.taskwell.contextLocations"));
  files::writeFileAtomically(path, std::string("<plist><dict><key>items"));

  auto board = Pasteboard::pasteboardWithName("net.norvale.taskwell.contextLocations", false);
  ASSERT_NE(board, nullptr);  // it exists, even if nobody can read it
  EXPECT_EQ(board->numberOfItems(), 0u);
  EXPECT_EQ(board->changeCount(), 0);
  EXPECT_EQ(board->items().size(), 0u);
  EXPECT_EQ(log.count("Damaged pasteboard net.norvale.taskwell.contextLocations"), 1u);
  EXPECT_EQ(*files::readText(path), "<plist><dict><key>items");  // reads never rewrite it

  ASSERT_TRUE(board->setItems({item("title", PlistValue("Office"))}));
  EXPECT_EQ(*files::readText(path + ".damaged"), "<plist><dict><key>items");
  EXPECT_EQ(board->numberOfItems(), 1u);

  // A second damage keeps the first copy too; a well-formed plist of the wrong shape is damage.
  files::writeFileAtomically(path, std::string("<plist><dict><key>items</key><string>x</string></dict></plist>"));
  EXPECT_EQ(board->numberOfItems(), 0u);
  ASSERT_TRUE(board->addItems({item("title", PlistValue("Home"))}));
  EXPECT_EQ(*files::readText(path + ".damaged"), "<plist><dict><key>items");
  EXPECT_THAT(*files::readText(path + ".damaged-2"), HasSubstr("<string>x</string>"));
  EXPECT_EQ(board->numberOfItems(), 1u);
}

TEST(Pasteboard, ContentsFromBytesAcceptsOnlyPasteboardFiles) {
  auto decode = [](const std::string& s) {
    return Pasteboard::contentsFromBytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  EXPECT_FALSE(decode(""));
  EXPECT_FALSE(decode("garbage"));
  EXPECT_FALSE(decode(PlistValue::array().toXML()));
  PlistValue negative = PlistValue::dict();
  negative.set("changeCount", -1);
  EXPECT_FALSE(decode(negative.toXML()));
  PlistValue itemNotDict = PlistValue::dict();
  itemNotDict.set("items", PlistValue::Array{PlistValue("x")});
  EXPECT_FALSE(decode(itemNotDict.toXML()));

  PlistValue good = PlistValue::dict();
  good.set("changeCount", 7);
  good.set("persistent", true);
  good.set("items", PlistValue::Array{PlistValue(item("t", PlistValue(1)))});
  Bytes binary = good.toBytes(PlistValue::Format::Binary);
  auto contents = Pasteboard::contentsFromBytes(binary.data(), binary.size());
  ASSERT_TRUE(contents);
  EXPECT_EQ(contents->changeCount, 7);
  EXPECT_TRUE(contents->persistent);
  ASSERT_EQ(contents->items.size(), 1u);
  EXPECT_EQ(contents->items[0].at("t"), PlistValue(1));
}

TEST(Pasteboard, ConcurrentWritersInThreadsLoseNothing) {
  test::TempDeviceRoot root;
  ASSERT_NE(Pasteboard::pasteboardWithName("shared", true), nullptr);
  constexpr int kThreads = 4, kEach = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      // Each thread its own handle, as separate callers would have.
      auto board = Pasteboard::pasteboardWithName("shared", false);
      for (int i = 0; i < kEach; ++i) board->addItems({item("n", PlistValue(t * 1000 + i))});
    });
  }
  for (auto& thread : threads) thread.join();
  auto board = Pasteboard::pasteboardWithName("shared", false);
  EXPECT_EQ(board->numberOfItems(), static_cast<size_t>(kThreads * kEach));
  EXPECT_EQ(board->changeCount(), kThreads * kEach);
  // Each thread's items are in its own order.
  std::map<int64_t, int64_t> last;
  for (const auto& value : board->valuesForPasteboardType("n")) {
    int64_t n = *value.integerValue();
    if (last.count(n / 1000)) {
      EXPECT_LT(last[n / 1000], n);
    }
    last[n / 1000] = n;
  }
}

TEST(Pasteboard, ConcurrentWriterInAnotherProcessLosesNothing) {
  test::TempDeviceRoot root;
  auto board = Pasteboard::pasteboardWithName("net.norvale.taskwell.tasksCompleted", true);
  ASSERT_NE(board, nullptr);
  constexpr int kEach = 40;
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto own = Pasteboard::pasteboardWithName("net.norvale.taskwell.tasksCompleted", false);
    bool ok = own != nullptr;
    for (int i = 0; ok && i < kEach; ++i) ok = own->addItems({item("public.url", PlistValue("child"))});
    ::_exit(ok ? 0 : 1);
  }
  for (int i = 0; i < kEach; ++i) board->addItems({item("public.url", PlistValue("parent"))});
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(board->numberOfItems(), 2u * kEach);
  EXPECT_EQ(board->changeCount(), 2 * kEach);
}
