// kestrel act's info step: the information row opens the debug page in debug mode only.
#include <gtest/gtest.h>
#include <stdio.h>

#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/Commands.h"

namespace {

struct InfoRun {
  int status = -1;
  std::string out;
  std::string err;
};

InfoRun runInfo(const kestrel::test::GeneratedDevice& device, const std::vector<std::string>& options) {
  auto words = device.sessionArgs(options);
  words.push_back("info");
  InfoRun run;
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  ::testing::internal::CaptureStderr();
  run.status = kestrel::tool::runActTo(out, words);
  run.err = ::testing::internal::GetCapturedStderr();
  fclose(out);
  run.out.assign(buffer, size);
  free(buffer);
  return run;
}

TEST(KestrelInfoAct, TheInformationRowPrintsTheDebugPageOnlyInDebugMode) {
  kestrel::test::GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  InfoRun plain = runInfo(device, {});
  EXPECT_EQ(plain.status, kestrel::tool::kExitUsage) << plain.out;
  EXPECT_NE(plain.err.find("info: the section shows no information row"), std::string::npos) << plain.err;

  InfoRun run = runInfo(device, {"debugCode=5807"});
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const size_t page = run.out.find("== info (page)");
  ASSERT_NE(page, std::string::npos) << run.out;
  for (const char* shown : {"Last Update Details", "Total Items", "Task Contexts", "Database Cache"})
    EXPECT_NE(run.out.find(shown, page), std::string::npos) << shown << "\n" << run.out;
}

}  // namespace
