// TWTaskView: the row of one task in the tasks section — a summary row view (FWListView)
// that adds the task's status icons and decides, for each task, its texts, colours and
// which icons show.
//
// The icons sit at the right end of the summary line, from the right: action, tree
// (parent/child), overdue, source (device reminder or Taskwell), context, flag; the
// progress dot is never shown. setViewForTask fills every text, colour and icon from the
// task and the display settings, so a reused view shows nothing of its previous task.
// Images come from the plug-in bundle (FWImages) and from Taskwell's application folder; a
// missing image is logged there and its icon stays empty.
//
// The view keeps no reference to the task or the application. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/TWTask.h"
#include "platform/ui/ImageView.h"
#include "runtime/FWApplication.h"
#include "runtime/FWColorIconView.h"
#include "runtime/FWIconDotView.h"
#include "runtime/FWListView.h"

// How a task row shows its task; the options and status fields the data source reads.
struct TWTaskViewSettings {
  int32_t style = 2;           // the option "viewStyle"; 1 puts the date before the highlight label
  int32_t showShortDates = 1;  // 0 medium dates, 1 medium with a numeric fallback, 2 numeric
  bool showDetailLine = true;
  bool showIcons = true;
  bool showEmoji = true;
  bool showOverdue = true;      // colour overdue tasks and show their overdue icon
  bool showChildIcons = true;   // parent and child markers
  bool lowColour = false;
  int32_t sourceIcon = 0;       // 0 none, 1 device reminders, 2 Taskwell tasks, 3 both
  bool emojiAfter = false;
};

class TWTaskView : public FWListView {
 public:
  TWTaskView(const kestrel::ui::Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme,
             const Ref<FWApplication>& application);

  // The summary row height; a row with nothing under it is at least 19 points high, so a
  // single line always holds the 18-point icons.
  static double heightOfSummaryRowWithFont(const kestrel::ui::Font& font, bool withHeader, bool withFollowingRow);
  double summaryRowHeight(const kestrel::ui::Font& font, bool withHeader, bool withFollowingRow) const override {
    return heightOfSummaryRowWithFont(font, withHeader, withFollowingRow);
  }

  void setViewForTask(const Ref<TWTask>& task, const std::shared_ptr<const kestrel::KSTheme>& theme,
                      const Ref<FWApplication>& application, const TWTaskViewSettings& settings);

  void layoutSubviews() override;

  const std::shared_ptr<FWIconDotView>& action() const { return action_; }
  const std::shared_ptr<kestrel::ui::ImageView>& flag() const { return flag_; }
  const std::shared_ptr<FWColorIconView>& tree() const { return tree_; }
  const std::shared_ptr<kestrel::ui::ImageView>& context() const { return context_; }
  const std::shared_ptr<FWColorIconView>& overdue() const { return overdue_; }
  const std::shared_ptr<FWColorIconView>& native() const { return native_; }
  const std::shared_ptr<FWDotView>& progress() const { return progress_; }
  int32_t viewStyle() const { return viewStyle_; }

 private:
  // The date texts of the detail line: the text and its shorter alternate.
  static std::pair<std::string, std::string> dateTexts(const TWTask& task, int32_t shortDates,
                                                       const Ref<Bundle>& bundle);
  void showSourceIcon(const TWTask& task, int32_t mode);
  // The bundle image's path, looked up once per view.
  const std::string& bundleImagePath(std::string& cache, const char* name);

  std::shared_ptr<FWIconDotView> action_;
  std::shared_ptr<kestrel::ui::ImageView> flag_;
  std::shared_ptr<FWColorIconView> tree_;
  std::shared_ptr<kestrel::ui::ImageView> context_;
  std::shared_ptr<FWColorIconView> overdue_;
  std::shared_ptr<FWColorIconView> native_;
  std::shared_ptr<FWDotView> progress_;
  int32_t viewStyle_ = 0;
  std::string nativeImagePath_;
  std::string taskwellImagePath_;
};
