// The new-task and search forms: Done acts once, the importance preset, blank and hostile
// input, and a search that finds nothing leaves the form ready for another.
#include <gtest/gtest.h>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/RunLoop.h"
#include "tasks/TWTaskCreate.h"
#include "tasks/TWTaskNative.h"
#include "tasks/TWTaskSearch.h"
#include "tests/tasks/TaskPluginHarness.h"

namespace {

using kestrel::Calendar;
using kestrel::CalendarStore;
using kestrel::PlistValue;
using kestrel::test::TaskPluginHarness;

class TaskFormsTest : public ::testing::Test {
 protected:
  TaskFormsTest() : device(0) { list = device.addReminderList("Errands", "errands"); }
  Ref<FWPreferences> prefs(PlistValue::Dict options = {}) {
    return FWPreferences::initWithPreferences(PlistValue(std::move(options)));
  }
  std::vector<kestrel::Reminder> remindersTitled(const std::string& title) {
    return device.calendarStore()->remindersMatchingPredicate(CalendarStore::predicateForRemindersWithTitle(title, true));
  }
  std::shared_ptr<TWTaskCreate> newTaskForm(PlistValue::Dict options = {}) {
    auto form = TWTaskCreate::initWithFrame({0, 0, 320, 460}, device.app(), prefs(std::move(options)));
    form->destination()->setSelectedSegmentIndex(TWTaskCreate::kDestinationNative);
    return form;
  }

  TaskPluginHarness device;
  Calendar list;
};

TEST_F(TaskFormsTest, DoneTwiceCreatesOneReminderWithThePresetImportance) {
  auto form = newTaskForm({{"defaultImportance", PlistValue(3)}});
  EXPECT_EQ(form->importance()->selectedSegmentIndex(), 3);
  EXPECT_TRUE(form->showsDestination());
  ASSERT_TRUE(form->text()->insertText("  Buy milk \n"));
  EXPECT_TRUE(form->done()->isEnabled());
  form->doneClicked();
  form->doneClicked();
  auto found = remindersTitled("Buy milk");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].title, "Buy milk");  // trimmed
  EXPECT_EQ(TWTaskNative::importanceForPriority(found[0].priority), 10);
  EXPECT_GE(device.host().records().previewDismissals, 1u);
}

TEST_F(TaskFormsTest, BlankOrHostileTitlesCreateNothingAndKeepTheForm) {
  auto form = newTaskForm();
  ASSERT_TRUE(form->text()->insertText(" \t "));
  form->doneClicked();
  EXPECT_FALSE(form->hasFired());
  EXPECT_TRUE(remindersTitled(" ").empty());
  // The field takes neither invalid UTF-8 nor a megabyte; what it holds stays as it was.
  EXPECT_FALSE(form->text()->insertText("bad \xC3\x28"));
  EXPECT_FALSE(form->text()->insertText(std::string(1 << 20, 'x')));
  EXPECT_EQ(form->text()->text(), " \t ");
  // Deleting drops whole characters.
  ASSERT_TRUE(form->text()->clear());
  ASSERT_TRUE(form->text()->insertText("é"));
  ASSERT_TRUE(form->text()->deleteBackward());
  EXPECT_EQ(form->text()->text(), "");
}

TEST_F(TaskFormsTest, SearchMatchesWildcardsLiterallyAndAnEmptyResultKeepsTheText) {
  device.addReminder(list, "Sale 50%_off 'now'");
  device.addReminder(list, "Sale 50xxoff");
  auto search = TWTaskSearch::initWithFrame({0, 0, 320, 460}, device.app(), prefs());
  auto found = TWTaskSearch::matchingTasks(device.app().get(), FWPreferences(), "50%_off 'now'");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0]->title(), "Sale 50%_off 'now'");
  EXPECT_TRUE(TWTaskSearch::matchingTasks(device.app().get(), FWPreferences(), std::string(10000, 'a')).empty());

  ASSERT_TRUE(search->text()->insertText("nothing like this"));
  search->doneClicked();
  EXPECT_FALSE(search->hasFired());
  EXPECT_EQ(search->text()->text(), "nothing like this");
  EXPECT_EQ(search->resultsView(), nullptr);

  search->text()->clear();
  ASSERT_TRUE(search->text()->insertText("sale"));
  search->doneClicked();
  EXPECT_NE(search->resultsView(), nullptr);
}

TEST_F(TaskFormsTest, TheToolBarButtonsShowTheFormsWithTheKeyboard) {
  device.controller()->performBarAction(TWTaskBarAction::NewTodo);
  device.controller()->performBarAction(TWTaskBarAction::SearchTodo);
  const auto& shown = device.host().records().shownPreviews;
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0], shown[1]);
  kestrel::RunLoop::main().advanceClockBy(FWInputView::kKeyboardDelay + 0.1);
  EXPECT_FALSE(device.host().records().shownKeyboards.empty());
}

}  // namespace
