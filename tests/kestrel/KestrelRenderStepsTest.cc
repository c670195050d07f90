// kestrel render's steps: the pages `act` reaches are drawn instead of the lock screen, and
// a step that fails draws nothing.
#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "platform/ui/Bitmap.h"
#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/Commands.h"

namespace {

using kestrel::test::CommandRun;

CommandRun render(const kestrel::test::GeneratedDevice& device, const std::vector<std::string>& options,
                  const std::vector<std::string>& tail) {
  auto words = device.sessionArgs(options);
  words.insert(words.end(), tail.begin(), tail.end());
  return kestrel::test::runRender(words);
}

TEST(KestrelRenderSteps, TheDebugAndContextPagesAreDrawnAtTheScreenOrTheAskedHeight) {
  kestrel::test::GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  const std::string lock = device.root() + "/lock.png", debug = device.root() + "/debug.png",
                    manual = device.root() + "/manual.png";

  CommandRun plain = render(device, {"debugCode=5807"}, {"--out", lock});
  ASSERT_EQ(plain.status, 0) << plain.err;
  CommandRun info = render(device, {"debugCode=5807"}, {"--out", debug, "--height", "700", "info"});
  ASSERT_EQ(info.status, 0) << info.err;
  CommandRun contexts = render(device, {}, {"--out", manual, "contexts", "manual"});
  ASSERT_EQ(contexts.status, 0) << contexts.err;

  auto lockPicture = kestrel::ui::Bitmap::readPNG(lock);
  auto debugPicture = kestrel::ui::Bitmap::readPNG(debug);
  auto manualPicture = kestrel::ui::Bitmap::readPNG(manual);
  ASSERT_TRUE(lockPicture && debugPicture && manualPicture);
  // A page covers the screen (320 x 480 points at 2x); the lock screen is as tall as its rows.
  EXPECT_EQ(manualPicture->width(), 640);
  EXPECT_EQ(manualPicture->height(), 960);
  EXPECT_EQ(debugPicture->height(), 1400);
  EXPECT_NE(lockPicture->height(), 960);
}

TEST(KestrelRenderSteps, AFailingOrUnknownStepWritesNoPicture) {
  kestrel::test::GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  const std::string out = device.root() + "/page.png";

  CommandRun noDebug = render(device, {}, {"--out", out, "info"});
  EXPECT_EQ(noDebug.status, kestrel::tool::kExitUsage);
  EXPECT_NE(noDebug.err.find("info: the section shows no information row"), std::string::npos) << noDebug.err;

  CommandRun unknown = render(device, {}, {"--out", out, "locate", "fly"});
  EXPECT_EQ(unknown.status, kestrel::tool::kExitUsage);
  EXPECT_NE(unknown.err.find("unknown step 'fly'"), std::string::npos) << unknown.err;

  CommandRun tooTall = render(device, {}, {"--out", out, "--height", "5000", "contexts", "manual"});
  EXPECT_EQ(tooTall.status, kestrel::tool::kExitUsage);
  EXPECT_FALSE(kestrel::files::exists(out));
}

}  // namespace
