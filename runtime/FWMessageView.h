// FWMessageView: the page delegate of the message page, which shows the controller's
// message box in full and, for a mailable message, offers to mail it as a problem report.
//
// The page is one base page of two sections: the first holds line 1 (with a "Send Mail"
// button when the message is mailable) and, when set, line 2, both at the pages' label size
// and not bold; the second holds the detail at the pages' system font size, not bold. Sub-
// pages, captions and texts are answered with none; Done closes the preview.
//
// The button composes the problem-report mail (FWProblemReportMail.h) from the message the
// page shows and asks the host to open it one second later, through the controller's run-
// loop timers (so an unloaded plug-in never fires it); the button closes the preview.
//
// The message is a copy taken when the page is made. Threads: main thread only.
#pragma once

#include <optional>
#include <string>

#include "runtime/FWDetailListViewDelegate.h"

// The controller's message box as the page shows it.
struct FWMessageBox {
  std::optional<std::string> line1;
  std::optional<std::string> line2;
  std::optional<std::string> detail;
  bool mailable = false;
};

// The key of the mail button's entry.
inline constexpr int kFWMessageViewMailButton = 0;
// Seconds between the button and the mail opening.
inline constexpr double kFWMessageViewMailDelay = 1.0;

class FWMessageView : public FWDetailListViewDelegate {
 public:
  // `bundle` gives the button's text; may be none (the key stands in).
  FWMessageView(FWMessageBox message, Ref<Bundle> bundle);

  const FWMessageBox& message() const { return message_; }

  FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                             const Ref<FWApplication>& application) override;
  std::optional<std::string> captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;
  std::optional<std::string> listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;
  bool respondsToDoneClicked() const override { return true; }
  bool doneClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) override;
  bool buttonClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections,
                     const Ref<FWDetailListEntry>& button) override;

 private:
  FWMessageBox message_;
  Ref<Bundle> bundle_;
};
