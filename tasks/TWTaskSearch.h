// TWTaskSearch: the search form — finds the tasks whose titles contain the text, in
// Taskwell's database and among the device reminders, and replaces itself with a preview
// over the matches, sorted by title.
//
// The text reaches the query only as an escaped LIKE pattern, so quotes, % and _ match
// themselves. Nothing found keeps the text and allows another search. The preview over the
// matches comes in as a cube turning up from below (a transition recorded on the form under
// kTWTaskSearchReloadAnimationKey). Main thread only.
#pragma once

#include <memory>
#include <vector>

#include "model/TWTask.h"
#include "tasks/FWInputView.h"

inline constexpr const char* kTWTaskSearchReloadAnimationKey = "reloadAnimation";

class TWTaskSearch : public FWInputView {
 public:
  static constexpr double kPopupAreaHeight = 200;

  TWTaskSearch(const kestrel::ui::Rect& frame, Ref<FWApplication> application, Ref<FWPreferences> preferences);
  static std::shared_ptr<TWTaskSearch> initWithFrame(const kestrel::ui::Rect& frame, Ref<FWApplication> application,
                                                     Ref<FWPreferences> preferences) {
    auto form = std::make_shared<TWTaskSearch>(frame, std::move(application), std::move(preferences));
    form->installSubviews();
    return form;
  }

  // The view the "no match" bubble shows in.
  const std::shared_ptr<kestrel::ui::View>& popupView() const { return popupView_; }
  // The preview over the last search's matches; none before a search found something.
  const std::shared_ptr<kestrel::ui::View>& resultsView() const { return resultsView_; }

  void doneClicked() override;

  // Both sources' matches for `text`, sorted by title, with their alarms.
  static std::vector<Ref<TWTask>> matchingTasks(FWApplication* app, const FWPreferences& prefs,
                                                const std::string& text);

 protected:
  void installSubviews() override;

 private:
  Ref<FWPreferences> preferences_;
  std::shared_ptr<kestrel::ui::View> popupView_;
  std::shared_ptr<kestrel::ui::View> resultsView_;
};
