// TWEventPreview: the page delegate of an event's preview — the event's detail page and its
// sub-pages (attendees, tags, notes text, the phone dialer for the place or the notes, the
// map of the place), and the tool bar that opens the event in Taskwell or in the device's
// calendar.
//
// Page keys: none for the event page; "-1" attendees, "-2" tags, "-3" dialer for the place's
// title, "-4" dialer for the notes, "-5" notes as text, "-6" map. Any other key shows the
// event page. Each page request augments the event afresh (notes, tags, recurrence,
// attendees), so an event removed meanwhile shows what its row still knows.
//
// Owned by its page view; `controlDelegate` is the view, held weakly. Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "model/TWEvent.h"
#include "tasks/TWItemPreview.h"

inline constexpr const char* kTWEventPreviewAttendeesPage = "-1";
inline constexpr const char* kTWEventPreviewTagsPage = "-2";
inline constexpr const char* kTWEventPreviewLocationDialerPage = "-3";
inline constexpr const char* kTWEventPreviewNotesDialerPage = "-4";
inline constexpr const char* kTWEventPreviewNotesPage = "-5";
inline constexpr const char* kTWEventPreviewMapPage = "-6";
// Tool-bar button tags.
inline constexpr int kTWEventPreviewNativeButton = 1;
inline constexpr int kTWEventPreviewTaskwellButton = 2;

class TWEventPreview : public TWItemPreview, public std::enable_shared_from_this<TWEventPreview> {
 public:
  explicit TWEventPreview(Ref<FWApplication> application);
  static Ref<TWEventPreview> initWithApplication(Ref<FWApplication> application) {
    return std::make_shared<TWEventPreview>(std::move(application));
  }

  FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                             const Ref<FWApplication>& application) override;
  std::optional<FWBarItems> toolbarForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                     const Ref<FWApplication>& application) override;
  std::optional<std::string> listPagePopupForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                 int32_t displayDepth, const Ref<FWApplication>& application) override;
  std::optional<std::string> listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;
  FWView listPageViewForKey(const PlistValue& key, const FWDetailItem& currentPage, int32_t displayDepth,
                            const FWRect& rect, const Ref<FWApplication>& application) override;
  std::optional<FWDetailItems> listPageInfoForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                  int32_t displayDepth,
                                                  const Ref<FWApplication>& application) override;
  std::optional<std::string> captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;

  // The event page (base page) of `event`.
  FWDetailListSections dataForEventDetailPage(const Ref<TWEvent>& event, const Ref<FWApplication>& application);
  // The event with notes, tags, recurrence and attendees (the event itself when unreadable).
  Ref<TWEvent> augmentEvent(const Ref<TWEvent>& event, const Ref<FWApplication>& application);
  // Opens the event of the tool bar in Taskwell (tag 2) or in the device's calendar.
  void gotoEventClicked(int tag);

  const Ref<TWEvent>& currentEvent() const { return currentEvent_; }

 protected:
  bool isDialerPage(const std::string& page) const override {
    return page == kTWEventPreviewLocationDialerPage || page == kTWEventPreviewNotesDialerPage;
  }
  bool emojiAfter() const override;

 private:
  bool hasRadio() const;
  FWDetailListSections dataForAttendeesPage(const Ref<TWEvent>& event);

  Ref<TWEvent> currentEvent_;
};
