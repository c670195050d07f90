// The new-task and search forms: Done acts once, the importance preset, blank and hostile
// input, and a search that finds nothing leaves the form ready for another.
#include <gtest/gtest.h>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Transition.h"
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

TEST_F(TaskFormsTest, DoneStaysEnabledAfterADeletionOnlyWhileACharacterIsLeft) {
  struct Case {
    const char* typed;
    bool enabledAfterDelete;
  } cases[] = {
      {"a", false},
      {"ab", true},
      {"é", false},           // two bytes, one character
      {"🪴", false},          // four bytes
      {"e\xCC\x81", true},  // e and a combining accent: the accent goes, the e stays
      {"日本", true},
  };
  for (const Case& c : cases) {
    auto form = newTaskForm();
    ASSERT_TRUE(form->text()->insertText(c.typed));
    ASSERT_TRUE(form->done()->isEnabled()) << c.typed;
    ASSERT_TRUE(form->text()->deleteBackward());
    EXPECT_EQ(form->done()->isEnabled(), c.enabledAfterDelete) << c.typed << " left '" << form->text()->text() << "'";
  }
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

TEST_F(TaskFormsTest, SearchResultsTurnUpAsTheFaceOfACubeFromBelow) {
  device.addReminder(list, "Water the plants");
  auto search = TWTaskSearch::initWithFrame({0, 0, 320, 460}, device.app(), prefs());
  ASSERT_TRUE(search->text()->insertText("nothing like this"));
  search->doneClicked();
  EXPECT_FALSE(kestrel::ui::transitionForKey(*search, kTWTaskSearchReloadAnimationKey));
  search->text()->clear();
  ASSERT_TRUE(search->text()->insertText("plants"));
  search->doneClicked();
  ASSERT_NE(search->resultsView(), nullptr);
  auto cube = kestrel::ui::transitionForKey(*search, kTWTaskSearchReloadAnimationKey);
  ASSERT_TRUE(cube);
  EXPECT_EQ(*cube, (kestrel::ui::Transition{.type = kestrel::ui::TransitionType::Cube,
                                            .subtype = kestrel::ui::TransitionSubtype::FromBottom,
                                            .duration = 0.3,
                                            .extendsFill = true}));
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

TEST_F(TaskFormsTest, AFormTheHostTakesAwayStopsItsKeyboardAndItsDismissal) {
  using kestrel::RunLoop;
  auto& host = device.host();
  auto form = [&] { return std::dynamic_pointer_cast<FWInputView>(host.currentPreview()->subviews().at(0)); };
  struct Case {
    const char* what;
    double shownFor;  // seconds before the host takes the form away
    bool cancelFirst;
  };
  const Case cases[] = {
      {"before its keyboard came up", FWInputView::kKeyboardDelay / 2, false},
      {"with its keyboard up", FWInputView::kKeyboardDelay + 0.1, false},
      {"at once after Cancel", FWInputView::kKeyboardDelay + 0.1, true},
  };
  for (const auto& c : cases) {
    device.controller()->performBarAction(TWTaskBarAction::NewTodo);
    auto shown = form();
    ASSERT_TRUE(shown) << c.what;
    RunLoop::main().advanceClockBy(c.shownFor);
    if (c.cancelFirst) shown->cancelClicked();
    const auto before = host.records();
    host.dismissPreview();
    EXPECT_FALSE(shown->isVisible()) << c.what;
    EXPECT_FALSE(shown->isShowingKeyboard()) << c.what;
    RunLoop::main().advanceClockBy(2);
    const auto after = host.records();
    EXPECT_EQ(host.currentKeyboard(), nullptr) << c.what;
    // No keyboard comes up for a form that is gone, and it asks no dismissal of its own.
    EXPECT_EQ(after.shownKeyboards.size(), before.shownKeyboards.size()) << c.what;
    EXPECT_EQ(after.previewDismissals, before.previewDismissals + 1) << c.what;
  }

  // A form that another preview replaces leaves too.
  device.controller()->performBarAction(TWTaskBarAction::NewTodo);
  auto first = form();
  device.controller()->performBarAction(TWTaskBarAction::SearchTodo);
  RunLoop::main().advanceClockBy(FWInputView::kKeyboardDelay + 0.1);
  EXPECT_FALSE(first->isVisible());
  EXPECT_FALSE(first->isShowingKeyboard());
  EXPECT_TRUE(form()->isShowingKeyboard());
  EXPECT_EQ(host.currentKeyboard(), form()->text());
}

TEST_F(TaskFormsTest, TheClearButtonShowsWhileEditingAndAFingerOnItEmptiesTheField) {
  auto form = newTaskForm();
  form->layoutIfNeeded();
  const auto& field = form->text();
  ASSERT_TRUE(field->insertText("Buy milk"));
  ASSERT_TRUE(form->done()->isEnabled());
  // A finger on the field's end, as on the screen: through the form's hit test.
  auto touchFieldEnd = [&] {
    const kestrel::ui::Point end = field->convertPointToView(
        {field->bounds().width() - kestrel::ui::TextField::kTextInset - 8, field->bounds().height() / 2}, form.get());
    auto hit = form->hitTest(end);
    ASSERT_EQ(hit, field);
    hit->touchesEnded({kestrel::ui::Touch{hit->convertPointFromView(end, form.get())}});
  };
  // Not editing: no clear button, and the touch changes nothing.
  EXPECT_FALSE(field->clearButtonRect());
  touchFieldEnd();
  EXPECT_EQ(field->text(), "Buy milk");

  form->showKeyboard(false);
  ASSERT_TRUE(field->clearButtonRect());
  touchFieldEnd();
  EXPECT_EQ(field->text(), "");
  EXPECT_FALSE(form->done()->isEnabled());  // textFieldShouldClear
  EXPECT_FALSE(field->clearButtonRect());   // nothing left to clear
}

TEST_F(TaskFormsTest, TheFormsChoicesAreDrawnInLightGreyNotAsDarkGlass) {
  auto form = newTaskForm();
  form->layoutIfNeeded();
  const auto picture = kestrel::ui::renderViewToImage(*form, 1);
  for (const auto& control : {form->importance(), form->destination()}) {
    // An unselected segment, just under the plate's top edge (clear of its title).
    const size_t segment = control->selectedSegmentIndex() == 0 ? 1 : 0;
    const kestrel::ui::Rect frame = control->rectForSegment(segment);
    const auto at = control->convertPointToView({frame.midX(), frame.y() + 4}, form.get());
    const kestrel::Color shown = picture.pixel(int(at.x), int(at.y));
    EXPECT_GT(shown.red, 0.6) << control->segment(segment).title;
    EXPECT_NEAR(shown.red, shown.blue, 0.02) << "grey";
  }
}

}  // namespace
