// TWTaskPreview: the page delegate of a task's preview — the task's detail page and its
// sub-pages (notes text, tags, the parent's and children's pages), and the tool bar that
// completes the task or opens it in Taskwell.
//
// Page keys: none for the task page, "-1" the notes (a text page), "-3" the tags (a list of
// the same task), "-4" the phone dialer for the numbers in the notes (a list of the same
// task), "-6" the map of the task's first place and "-10" followed by n the map of the n-th
// alarm's place (view pages), a task key the page of that child or parent task (a list of
// one task). Going down through children, `parentKeys` keeps the key of each task passed,
// one per depth, so that a link back to one of them becomes a back link.
//
// Every page request opens and closes its own database connection (none for device
// reminders). Owned by its page view; `controlDelegate` is the view, held weakly. Main
// thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/TWTask.h"
#include "tasks/TWItemPreview.h"

inline constexpr const char* kTWTaskPreviewNotesPage = "-1";
inline constexpr const char* kTWTaskPreviewTagsPage = "-3";
inline constexpr const char* kTWTaskPreviewDialerPage = "-4";
inline constexpr const char* kTWTaskPreviewMapPage = "-6";

class TWTaskPreview : public TWItemPreview, public std::enable_shared_from_this<TWTaskPreview> {
 public:
  explicit TWTaskPreview(Ref<FWApplication> application);
  static Ref<TWTaskPreview> initWithApplication(Ref<FWApplication> application) {
    return std::make_shared<TWTaskPreview>(std::move(application));
  }

  FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                             const Ref<FWApplication>& application) override;
  void willShowBasePage(const FWDetailItem& item) override;
  std::optional<FWBarItems> toolbarForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                     const Ref<FWApplication>& application) override;
  std::optional<std::string> listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;
  // The map page of the task's first place ("-6") or of an alarm's place ("-10" n); none
  // for other keys, or when the task has no such place.
  FWView listPageViewForKey(const PlistValue& key, const FWDetailItem& currentPage, int32_t displayDepth,
                            const FWRect& rect, const Ref<FWApplication>& application) override;
  std::optional<FWDetailItems> listPageInfoForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                  int32_t displayDepth,
                                                  const Ref<FWApplication>& application) override;
  std::optional<std::string> captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;

  FWDetailListSections dataForTaskListPage(const Ref<TWTask>& task, const Ref<FWApplication>& application);
  FWDetailListSections dataForTagsListPage(const Ref<TWTask>& task, const Ref<FWApplication>& application);
  // The task with its notes, tags, alarms and places (the task itself when they cannot be read).
  Ref<TWTask> augmentTask(const Ref<TWTask>& task, const Ref<FWApplication>& application);
  Ref<FWDetailListEntry> flaggedEntryWithTitle(const std::string& title, const std::string& icon,
                                               const std::string& calendarIcon, bool flagged, bool largeFlag,
                                               const Ref<FWApplication>& application);

  // Tool-bar actions on the task whose tool bar is shown.
  void completeTaskClicked();
  void gotoTaskClicked();

  const std::optional<std::vector<std::string>>& parentKeys() const { return parentKeys_; }
  const Ref<TWTask>& currentTask() const { return currentTask_; }

 protected:
  bool isDialerPage(const std::string& page) const override { return page == kTWTaskPreviewDialerPage; }
  bool emojiAfter() const override;

 private:
  // Tasks read with `key` as their key or as their parent's key.
  std::vector<Ref<TWTask>> readTasks(const std::optional<std::string>& key, const std::optional<std::string>& parentKey);

  std::optional<std::vector<std::string>> parentKeys_;
  Ref<TWTask> currentTask_;
};
