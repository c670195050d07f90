// The controller's answers to the host's view and height questions, and a golden image of
// the message row.
#include <cstdlib>

#include "tests/support/GoldenImage.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Theme.h"
#include "runtime/FWImages.h"
#include "runtime/FWListView.h"
#include "runtime/FWStatusbarViewCell.h"
#include "runtime/FWToolbarViewCell.h"
#include "tests/runtime/RuntimeTestSupport.h"

using kestrel::PlistValue;
using kestrel::ui::Rect;

namespace {

class FWPluginRowViews : public rt::RuntimeFixture {
 protected:
  void SetUp() override {
    rt::RuntimeFixture::SetUp();
    *host->themeObject = kestrel::ui::defaultLockScreenTheme(2);
    FWSetImageBundle(kestrel::Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle"));
  }
  void TearDown() override {
    FWSetImageBundle(nullptr);
    rt::RuntimeFixture::TearDown();
  }
  Ref<KSData> row(int type) {
    PlistValue context = PlistValue::dict();
    context.set("type", PlistValue(int64_t{type}));
    context.set("sortOrder", PlistValue(int64_t{0}));
    return std::make_shared<KSData>("row", std::move(context));
  }
  double leading() const { return host->themeObject->summaryStyle.font->leading(); }
};

TEST_F(FWPluginRowViews, HeightsOfEveryRowType) {
  controller->setMessageBox("Database locked", std::nullopt);
  EXPECT_EQ(controller->viewHeightForData(row(3), 320), 3 + 8 + leading());
  controller->setMessageBox("Database locked", "Try again later");
  EXPECT_EQ(controller->viewHeightForData(row(3), 0), 3 + 8 + 2 * leading());
  EXPECT_EQ(controller->viewHeightForData(row(4), 320), 2 * leading() + 4 + 3);
  EXPECT_EQ(controller->viewHeightForData(row(1), 320), 20 + 2);
  EXPECT_EQ(controller->viewHeightForData(row(2), 320), 52);
  EXPECT_EQ(controller->viewHeightForData(row(0), 320), 0 + 3);  // the data source answers 0
  EXPECT_EQ(controller->viewHeightForData(row(7), 320), 999);
  EXPECT_EQ(controller->viewForData(row(7), nullptr), nullptr);
}

TEST_F(FWPluginRowViews, MessageRowShowsBothLinesInABorder) {
  controller->setMessageBox("Database locked", "Try again later");
  auto view = std::dynamic_pointer_cast<FWListView>(controller->viewForData(row(3), nullptr));
  ASSERT_TRUE(view);
  EXPECT_EQ(view->summaryText()->text(), "Database locked");
  EXPECT_EQ(view->detailText()->text(), "Try again later");
  EXPECT_EQ(*view->detailText()->font(), *host->themeObject->summaryStyle.font);
  EXPECT_TRUE(view->drawBorder());
  EXPECT_TRUE(view->highlightText()->isHidden());
  EXPECT_TRUE(view->dot()->isHidden());
}

TEST_F(FWPluginRowViews, BarRowsAreReusedOnlyWhenOfTheExactClass) {
  auto toolbar = controller->viewForData(row(2), nullptr);
  ASSERT_TRUE(toolbar && toolbar->isMemberOfClass<FWToolbarViewCell>());
  EXPECT_EQ(toolbar->frame(), (Rect{0, 0, 320, 50}));
  EXPECT_EQ(controller->viewForData(row(2), toolbar), toolbar);

  auto status = controller->viewForData(row(1), toolbar);  // a tool-bar cell is not reused here
  ASSERT_TRUE(status && status->isMemberOfClass<FWStatusbarViewCell>());
  EXPECT_EQ(controller->viewForData(row(1), status), status);
  EXPECT_NE(controller->viewForData(row(2), status), status);  // nor a status cell for the tool bar
}

TEST_F(FWPluginRowViews, MessageRowMatchesItsGoldenImage) {
  controller->setMessageBox("Taskwell database not found", "Open Taskwell once to create it");
  auto view = controller->viewForData(row(3), nullptr);
  double height = controller->viewHeightForData(row(3), 320);
  auto cell = std::make_shared<kestrel::ui::View>(Rect{0, 0, 320, height});
  cell->addSubview(view);
  auto image = kestrel::ui::renderViewToImage(*cell, 2, kestrel::Color::white(0.1, 1));
  kestrel::test::expectMatchesGolden(image, KESTREL_RUNTIME_GOLDEN_DIR "/message-row@2x.png");
}

}  // namespace
