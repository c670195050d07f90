#include "runtime/FWMessageView.h"

#include "runtime/FWApplication.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWTextUtilities.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWProblemReportMail.h"

FWMessageView::FWMessageView(FWMessageBox message, Ref<Bundle> bundle)
    : message_(std::move(message)), bundle_(std::move(bundle)) {}

FWDetailListSections FWMessageView::dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                          const Ref<FWApplication>& application) {
  if (!key.isNone()) return {};  // the page has no sub-pages

  auto first = FWDetailListEntry::entryWithTitle(message_.line1)->withSize(kFWDetailListViewLabelSize)->withNoBold();
  if (message_.mailable) {
    first->withValue(PlistValue(FWLocalise(bundle_, "Info/Send Mail")))
        ->withButtonType(PlistValue(kFWMessageViewMailButton));
  }
  FWDetailListEntries lines{first};
  if (message_.line2) {
    lines.push_back(
        FWDetailListEntry::entryWithTitle(message_.line2)->withSize(kFWDetailListViewLabelSize)->withNoBold());
  }
  auto detail =
      FWDetailListEntry::entryWithTitle(message_.detail)->withSize(kFWDetailListViewSystemFontSize)->withNoBold();
  return {FWDetailListSection::sectionForElements(lines), FWDetailListSection::sectionForElements({detail})};
}

std::optional<std::string> FWMessageView::captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                             int32_t displayDepth,
                                                             const Ref<FWApplication>& application) {
  return std::nullopt;
}

std::optional<std::string> FWMessageView::listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                             int32_t displayDepth,
                                                             const Ref<FWApplication>& application) {
  return std::nullopt;
}

bool FWMessageView::doneClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) {
  return true;
}

bool FWMessageView::buttonClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections,
                                  const Ref<FWDetailListEntry>& button) {
  if (!message_.mailable) return true;  // only a mailable message has the mail button
  std::string url = FWProblemReportMailURL(message_.line1, message_.line2, message_.detail);
  auto controller = application ? application->fwPlugin() : nullptr;
  std::string tag = application ? application->resourceName() : std::string("FWCommon");
  if (!controller) {
    KSLog("KS:%@: Cannot open the problem report mail without a plugin", tag);
    return true;
  }
  std::weak_ptr<FWApplication> weakApplication = application;
  controller->performAfterDelay(kFWMessageViewMailDelay, [weakApplication, url, tag] {
    auto app = weakApplication.lock();
    if (!app || !app->launchURL(url)) KSLog("KS:%@: Cannot open the problem report mail; the host cannot launch URLs", tag);
  });
  return true;
}
