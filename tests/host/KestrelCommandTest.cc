// Runs the built kestrel program on the raw test plug-in and checks its output and exits.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/Files.h"
#include "tests/host/HostTestSupport.h"
#include "tests/host/KestrelProcess.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

using test::lineCount;
using test::ProcessRun;
using test::runKestrel;

class KestrelCommandTest : public ::testing::Test {
 protected:
  ProcessRun rows(std::vector<std::string> extra) {
    std::vector<std::string> args = {"rows", "--plugin", KS_TEST_PLUGIN_PATH, "--root", device,
                                     "--now", "2026-12-08T14:30:00Z", "--tz", "UTC"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runKestrel(args, scratch.root());
  }
  std::string optionsFile() const { return device + "/var/mobile/Library/Preferences/com.kzt.kestrel.KSTestPlugin.plist"; }

  test::TempDeviceRoot scratch;
  std::string device = scratch.root() + "/device";
};

TEST_F(KestrelCommandTest, PrintsTheRowsInSortOrderAsText) {
  ProcessRun run = rows({"--option", "titles=[Zulu,Alpha]", "--option", "message=Check"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "UNIQUE ID      TYPE  SORT ORDER  DESCRIPTION\n"
            "[[[message]]]  3     9\n"
            "Zulu           0     10          <TestItem: Zulu; position = 0>\n"
            "Alpha          0     20          <TestItem: Alpha; position = 1>\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(KestrelCommandTest, JsonLinesCarryTheItemsFieldsEscapedOrTheirDescription) {
  std::string hostile = "say \"hi\"\\\n\t\x01 caf\xC3\xA9 \xFF end";
  ProcessRun run = rows({"--json", "--option", "titles=[" + hostile + "]"});
  ASSERT_EQ(run.status, 0) << run.err;
  // The stored options are a property list, whose text is always valid UTF-8: the stray byte
  // arrives as U+FFFD already.
  std::string title = R"("say \"hi\"\\\n\t\u0001 café � end")";
  EXPECT_EQ(run.out, "{\"uniqueID\":" + title + ",\"type\":0,\"sortOrder\":10,\"object\":{\"done\":false,"
                     "\"due\":\"2026-12-08T14:30:00Z\",\"position\":0,\"title\":" + title + ",\"weight\":0.5},"
                     "\"height\":0}\n");

  ProcessRun plain = rows({"--json", "--option", "plainItems=true", "--option", "titles=[A]"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, "{\"uniqueID\":\"A\",\"type\":0,\"sortOrder\":10,\"object\":\"<PlainItem: A>\",\"height\":0}\n");
}

TEST_F(KestrelCommandTest, OptionsAreStoredTypedAndOtherStoredOptionsAreKept) {
  files::writePlistAtomically(optionsFile(), PlistValue(PlistValue::Dict{{"kept", PlistValue("yes")}}));
  ProcessRun run = rows({"--option", "flag=true", "--option", "count=-12", "--option", "ratio=2.5", "--option",
                  "list=[1, x ,false]", "--option", "text=hello world", "--option", "empty=", "--option", "big=99999999999999999999"});
  ASSERT_EQ(run.status, 0) << run.err;
  auto stored = PlistValue::fromFile(optionsFile());
  ASSERT_TRUE(stored);
  EXPECT_EQ(*stored->get("kept"), PlistValue("yes"));
  EXPECT_EQ(*stored->get("flag"), PlistValue(true));
  EXPECT_EQ(*stored->get("count"), PlistValue(int64_t{-12}));
  EXPECT_EQ(*stored->get("ratio"), PlistValue(2.5));
  EXPECT_EQ(*stored->get("list"), PlistValue(PlistValue::Array{int64_t{1}, "x", false}));
  EXPECT_EQ(*stored->get("text"), PlistValue("hello world"));
  EXPECT_EQ(*stored->get("empty"), PlistValue(""));
  EXPECT_EQ(*stored->get("big"), PlistValue(1e20));
}

TEST_F(KestrelCommandTest, HelpTellsWhatExists) {
  ProcessRun help = runKestrel({"--help"}, scratch.root());
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("  rows "), std::string::npos) << help.out;
  ProcessRun rowsHelp = runKestrel({"rows", "--help"}, scratch.root());
  EXPECT_EQ(rowsHelp.status, 0);
  for (const char* option : {"--plugin", "--root", "--now", "--tz", "--option", "--domain", "--json"})
    EXPECT_NE(rowsHelp.out.find(option), std::string::npos) << option;
}

TEST_F(KestrelCommandTest, BadCommandLinesAreUsageErrorsWithOneMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  std::vector<Case> cases = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--now", "2026-12-08T14:30:00Z", "--now", "2026-12-09T14:30:00Z"}, "option --now given more than once"},
      {{"--json=1"}, "option --json takes no value"},
      {{"--domain"}, "option --domain needs a value"},
      {{"--now", "yesterday"}, "--now 'yesterday' is not an ISO-8601 time"},
      {{"--tz", "Mars/Olympus"}, "unknown time zone 'Mars/Olympus'"},
      {{"--option", "noequals"}, "option value 'noequals' is not key=value"},
      {{"--domain", "../../etc"}, "invalid --domain '../../etc'"},
      {{"stray"}, "unexpected argument 'stray'"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"rows", "--plugin", KS_TEST_PLUGIN_PATH, "--root", device};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProcessRun run = runKestrel(args, scratch.root());
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("kestrel rows: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  ProcessRun unknown = runKestrel({"frobnicate"}, scratch.root());
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "kestrel: unknown command 'frobnicate' (see kestrel --help)\n");
}

TEST_F(KestrelCommandTest, PluginsThatCannotBeLoadedFailWithOneMessage) {
  std::string garbage = scratch.root() + "/libGarbage.so";
  files::writeFileAtomically(garbage, std::string("not a library"));
  ProcessRun notLibrary = runKestrel({"rows", "--plugin", garbage, "--root", device}, scratch.root());
  EXPECT_EQ(notLibrary.status, 1);
  EXPECT_EQ(lineCount(notLibrary.err), 1u) << notLibrary.err;
  EXPECT_NE(notLibrary.err.find("cannot load plug-in " + garbage), std::string::npos) << notLibrary.err;

  ProcessRun missing = runKestrel({"rows", "--plugin", scratch.root() + "/libNone.so", "--root", device}, scratch.root());
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("no plug-in library at"), std::string::npos) << missing.err;

  // The built plug-ins are found beside the binary; until they exist, that is said plainly.
  std::string built = std::filesystem::path(KESTREL_BINARY).parent_path().parent_path() / "lib" / "libTWPlugin.so";
  if (!files::exists(built)) {
    ProcessRun tasks = runKestrel({"rows", "--plugin", "tasks", "--root", device}, scratch.root());
    EXPECT_EQ(tasks.status, 1);
    EXPECT_NE(tasks.err.find("the tasks plug-in is not built yet"), std::string::npos) << tasks.err;
  }
}

TEST_F(KestrelCommandTest, DamagedOptionsFileIsRefusedAndLeftAsItWas) {
  const std::string damaged = "<?xml version=\"1.0\"?><plist><dict><key>maxTasks</key>";
  ASSERT_TRUE(files::writeFileAtomically(optionsFile(), damaged));
  for (auto extra : {std::vector<std::string>{"--option", "maxTasks=5"}, std::vector<std::string>{}}) {
    ProcessRun run = rows(extra);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find("is not a property list"), std::string::npos) << run.err;
    EXPECT_EQ(*files::readText(optionsFile()), damaged);
  }
}

TEST_F(KestrelCommandTest, UnusableDeviceRootFailsWithOneMessage) {
  std::string file = scratch.root() + "/a-file";
  files::writeFileAtomically(file, std::string("x"));
  for (const std::string& root : {file, file + "/below"}) {
    ProcessRun run = runKestrel({"rows", "--plugin", KS_TEST_PLUGIN_PATH, "--root", root}, scratch.root());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(lineCount(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find("device root " + root), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace kestrel
