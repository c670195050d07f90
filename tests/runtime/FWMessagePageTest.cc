// The message page: its sections for each kind of message, its answers, the problem-report
// mail (text, escaping, the one-second delay) and selecting the message row.
#include <gtest/gtest.h>

#include "platform/ui/View.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWDetailListPage.h"
#include "runtime/FWMessageView.h"
#include "runtime/FWProblemReportMail.h"
#include "tests/runtime/RuntimeTestSupport.h"

using kestrel::PlistValue;
using kestrel::RunLoop;

namespace {

class PreviewRecordingHost : public rt::FakeKSPlugin {
 public:
  void showPreview(const std::shared_ptr<kestrel::ui::View>& view) override { previews.push_back(view); }
  std::vector<std::shared_ptr<kestrel::ui::View>> previews;
};

class FWMessagePage : public rt::RuntimeFixture {
 protected:
  void SetUp() override {
    rt::RuntimeFixture::SetUp();
    recordingHost = std::make_shared<PreviewRecordingHost>();
    host = recordingHost;
    controller = FWPlugin::create<rt::TestController>(host);
    controller->fwApplication()->setPluginBundle(
        kestrel::Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle"));
  }
  void TearDown() override {
    FWPlugin::setDetailPageViewFactory(nullptr);
    FWPlugin::setPreviewPresenter(nullptr);
    rt::RuntimeFixture::TearDown();
  }

  // Presses the page's mail button as the page view would.
  bool pressMailButton(const Ref<FWDetailListPage>& page) {
    const auto& button = page->sections().at(0)->entries().at(0);
    return page->delegate()->buttonClicked(page->application(), page->sections(), button);
  }
  std::vector<std::string> launched() {
    std::lock_guard lock(host->mutex);
    return host->launched;
  }

  Ref<PreviewRecordingHost> recordingHost;
};

void expectPlainEntry(const Ref<FWDetailListEntry>& entry, const std::optional<std::string>& title, double size) {
  EXPECT_EQ(entry->title(), title);
  EXPECT_EQ(entry->size(), size);
  EXPECT_TRUE(entry->isNotBold());
}

TEST_F(FWMessagePage, MailableMessageHasTheSendMailButton) {
  controller->setMessageBox("Database locked", "Try again later");  // the two-line form is mailable
  controller->setMessageBoxDetail("SQLITE_BUSY in query");
  auto page = controller->messagePage();

  EXPECT_EQ(page->caption(), "Message");
  ASSERT_EQ(page->list().size(), 1u);
  EXPECT_EQ(std::any_cast<std::string>(page->list()[0]), "X");
  EXPECT_EQ(page->index(), 0u);
  EXPECT_EQ(page->application(), controller->fwApplication());
  ASSERT_EQ(page->sections().size(), 2u);

  const auto& lines = page->sections()[0]->entries();
  ASSERT_EQ(lines.size(), 2u);
  expectPlainEntry(lines[0], "Database locked", kFWDetailListViewLabelSize);
  EXPECT_TRUE(lines[0]->isButton());
  EXPECT_EQ(lines[0]->value(), PlistValue("Send Mail"));
  EXPECT_EQ(lines[0]->key(), PlistValue(0));
  expectPlainEntry(lines[1], "Try again later", kFWDetailListViewLabelSize);
  EXPECT_FALSE(lines[1]->isControl());

  const auto& detail = page->sections()[1]->entries();
  ASSERT_EQ(detail.size(), 1u);
  expectPlainEntry(detail[0], "SQLITE_BUSY in query", kFWDetailListViewSystemFontSize);
  EXPECT_FALSE(page->sections()[0]->title() || page->sections()[1]->title());
}

TEST_F(FWMessagePage, MessageThatCannotBeMailedHasNoButton) {
  controller->setMessageBox("Taskwell tasks are unavailable", std::nullopt);
  controller->setMessageBoxDetail("Open Taskwell once");
  controller->setMessageBoxMailable(false);
  auto page = controller->messagePage();
  ASSERT_EQ(page->sections().size(), 2u);
  const auto& lines = page->sections()[0]->entries();
  ASSERT_EQ(lines.size(), 1u);  // no line 2
  expectPlainEntry(lines[0], "Taskwell tasks are unavailable", kFWDetailListViewLabelSize);
  EXPECT_FALSE(lines[0]->isControl());
  EXPECT_TRUE(lines[0]->value().isNone());

  // The button, should a page view press it anyway, opens no mail but still closes.
  EXPECT_TRUE(page->delegate()->buttonClicked(page->application(), page->sections(), lines[0]));
  RunLoop::main().advanceClockBy(5);
  EXPECT_TRUE(launched().empty());
}

TEST_F(FWMessagePage, DelegateAnswersOnlyTheBasePageAndDone) {
  controller->setMessageBox("Database locked", std::nullopt);
  auto page = controller->messagePage();
  auto& delegate = *page->delegate();
  auto app = page->application();
  EXPECT_TRUE(delegate.dataForDetailListPage(std::string("X"), PlistValue("-1"), app).empty());
  EXPECT_FALSE(delegate.captionForListPage(page->list(), PlistValue("-1"), 1, app));
  EXPECT_FALSE(delegate.listPageTextForKey(PlistValue("-1"), page->list()[0], 1, app));
  EXPECT_FALSE(delegate.listPageInfoForKey(PlistValue("-1"), page->list()[0], 1, app));
  EXPECT_TRUE(delegate.respondsToDoneClicked());
  EXPECT_FALSE(delegate.respondsToCancelClicked() || delegate.respondsToSelectClicked());
  EXPECT_TRUE(delegate.doneClicked(app, page->sections()));
  EXPECT_TRUE(launched().empty());
}

TEST_F(FWMessagePage, MailOpensOneSecondAfterTheButton) {
  controller->setMessageBox("Database locked", "Try again later");
  controller->setMessageBoxDetail("busy");
  auto page = controller->messagePage();
  // The message changes after the page was opened: the mail reports what the page shows.
  controller->setMessageBox("Something else", std::nullopt);

  Date pressed = Clock::now();
  EXPECT_TRUE(pressMailButton(page));  // the button closes the preview
  EXPECT_TRUE(launched().empty());
  RunLoop::main().advanceClockTo(pressed.addingTimeInterval(0.999));
  EXPECT_TRUE(launched().empty());
  RunLoop::main().advanceClockTo(pressed.addingTimeInterval(1));
  EXPECT_EQ(launched(),
            std::vector<std::string>{std::string("mailto:") + kFWProblemReportAddress +
                                     "?subject=Taskwell%20plug-in%20problem%20report%20-%20version%202.4"
                                     "&body=Error%3A%20Database%20locked%0AInfo%3A%20Try%20again%20later"
                                     "%0ADetails%3A%20busy"});
}

TEST_F(FWMessagePage, MailTextEscapesEveryReservedCharacter) {
  std::string url = FWProblemReportMailURL("Can't open \"pim\" & retry?", "Zürich 5 €\nnext=1+1/2#",
                                           std::string("bad \xff byte"));
  EXPECT_EQ(url, std::string("mailto:") + kFWProblemReportAddress +
                     "?subject=Taskwell%20plug-in%20problem%20report%20-%20version%202.4"
                     "&body=Error%3A%20Can%27t%20open%20%22pim%22%20%26%20retry%3F"
                     "%0AInfo%3A%20Z%C3%BCrich%205%20%E2%82%AC%0Anext%3D1%2B1%2F2%23"
                     "%0ADetails%3A%20bad%20%EF%BF%BD%20byte");
  // Absent lines are left empty rather than spelled out.
  EXPECT_EQ(FWProblemReportMailURL(std::nullopt, std::nullopt, std::nullopt).substr(url.find("&body=")),
            "&body=Error%3A%20%0AInfo%3A%20%0ADetails%3A%20");
  EXPECT_EQ(FWPercentEscapeString("A-z_0.9~"), "A-z_0.9~");
}

TEST_F(FWMessagePage, HostWithoutUrlLaunchingLogsInsteadOfMailing) {
  host->generation3 = false;
  auto oldHostController = FWPlugin::create<rt::TestController>(host);
  oldHostController->setMessageBox("Database locked", std::nullopt);
  auto page = oldHostController->messagePage();
  rt::LogRecorder log;
  EXPECT_TRUE(pressMailButton(page));
  RunLoop::main().advanceClockBy(1);
  EXPECT_TRUE(launched().empty());
  EXPECT_TRUE(log.contains("KS:TWTest: Cannot open the problem report mail; the host cannot launch URLs"));
}

TEST_F(FWMessagePage, UnloadedPluginOpensNoMail) {
  controller->setMessageBox("Database locked", std::nullopt);
  auto page = controller->messagePage();
  EXPECT_TRUE(pressMailButton(page));
  page.reset();
  controller.reset();
  RunLoop::main().advanceClockBy(2);
  EXPECT_TRUE(launched().empty());
}

TEST_F(FWMessagePage, SelectingTheMessageRowShowsItsPage) {
  controller->setMessageBox("Database locked", "Try again later");
  Ref<FWDetailListPage> shownPage;
  FWRect shownFrame;
  auto pageView = std::make_shared<kestrel::ui::View>(kestrel::ui::Rect{0, 0, 320, 460});
  FWPlugin::setDetailPageViewFactory([&](const Ref<FWDetailListPage>& page, const FWRect& frame) {
    shownPage = page;
    shownFrame = frame;
    return pageView;
  });
  int presented = 0;
  FWPlugin::setPreviewPresenter([&](FWPlugin&, const Ref<KSAction>&, const Ref<KSData>&) { ++presented; });
  rt::LogRecorder log;

  auto row = controller->dataForMessage();
  row->defaultAction->perform(row);

  EXPECT_TRUE(log.contains(KSFormat("KS:TWTest: Preview selected; action = %@; context = %@", row->defaultAction,
                                    row->context)));
  ASSERT_TRUE(shownPage);
  EXPECT_EQ(shownPage->sections()[0]->entries()[1]->title(), "Try again later");
  EXPECT_EQ(shownFrame, controller->previewCompatibleRect());
  ASSERT_EQ(recordingHost->previews.size(), 1u);
  ASSERT_EQ(recordingHost->previews[0]->subviews().size(), 1u);
  EXPECT_EQ(recordingHost->previews[0]->subviews()[0], pageView);
  EXPECT_EQ(presented, 0);  // item rows only

  // Without a page view nothing is shown, and the log says why.
  FWPlugin::setDetailPageViewFactory(nullptr);
  row->defaultAction->perform(row);
  EXPECT_EQ(recordingHost->previews.size(), 1u);
  EXPECT_TRUE(log.contains("KS:TWTest: No page view to show the message page"));
}

}  // namespace
