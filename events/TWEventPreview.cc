// TWEventPreview: choosing pages, sub-page answers, the tool bar and its actions.
#include "events/TWEventPreview.h"

#include "events/TWEventIntegration.h"
#include "events/TWEventNative.h"
#include "events/TWEventStatus.h"
#include "model/TWLocation.h"
#include "model/TWOptions.h"
#include "platform/ui/BarButtonItem.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWPreferences.h"
#include "runtime/FWTextUtilities.h"
#include "views/FWMapView.h"
#include "views/FWMapViewSettings.h"

using kestrel::ui::BarButtonItem;

namespace {

const char* participantText(int32_t status) {
  static constexpr const char* texts[] = {"Participant/Unknown",   "Participant/Pending",   "Participant/Accepted",
                                          "Participant/Declined",  "Participant/Tentative", "Participant/Delegated",
                                          "Participant/Completed", "Participant/InProcess"};
  return status >= 1 && status <= 7 ? texts[status] : texts[0];
}

}  // namespace

TWEventPreview::TWEventPreview(Ref<FWApplication> application)
    : TWItemPreview(application, TWEventQueryFactsForApp(application.get()).dbVersion >= 250) {}

bool TWEventPreview::emojiAfter() const {
  auto status = currentApplication_ ? currentApplication_->infoAs<TWEventStatus>() : nullptr;
  return status && status->isEmojiAfter();
}

bool TWEventPreview::hasRadio() const {
  const std::string platform = FWGetPlatformType();
  const bool radio = platform == "Phone";
  KSLog("KS:TWEvent: Platorm type = %@; radio = %d", platform, int(radio));
  return radio;
}

Ref<TWEvent> TWEventPreview::augmentEvent(const Ref<TWEvent>& event, const Ref<FWApplication>& application) {
  if (!event) return nullptr;
  FWApplication* app = application ? application.get() : currentApplication_.get();
  auto augmented = event->native() ? TWEventNative::augmentedBasicEvent(event, app)
                                   : TWEventIntegration::augmentedBasicEvent(event, app);
  return augmented ? augmented : event;
}

FWDetailListSections TWEventPreview::dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                           const Ref<FWApplication>& application) {
  auto basic = FWDetailItemAs<TWEvent>(item);
  if (!basic) return {};
  const std::string page = detailPageID_.value_or(std::string());
  if (page == kTWEventPreviewAttendeesPage) return dataForAttendeesPage(augmentEvent(basic, application));
  if (page == kTWEventPreviewTagsPage) return tagsPage(augmentEvent(basic, application));
  if (page == kTWEventPreviewLocationDialerPage) {
    const auto& locations = basic->locations();
    std::optional<std::string> title;
    if (!locations.empty() && locations.front()) title = locations.front()->title();
    return dataForNumberListPage(application, title, title, bundle());
  }
  if (page == kTWEventPreviewNotesDialerPage)
    return dataForNumberListPage(application, augmentEvent(basic, application)->notes(), std::nullopt, bundle());
  return dataForEventDetailPage(basic, application);
}

FWDetailListSections TWEventPreview::dataForAttendeesPage(const Ref<TWEvent>& event) {
  const auto texts = bundle();
  FWDetailListEntries entries;
  for (const auto& attendee : event->attendees()) {
    if (!attendee) continue;
    const int32_t status = attendee->status();
    const std::string value = status >= 1 && status <= 7 ? FWLocalise(texts, participantText(status)) : FWLocalise(texts, "?");
    entries.push_back(FWDetailListEntry::entryWithTitle(attendee->name(), PlistValue(value)));
  }
  return {FWDetailListSection::sectionForElements(entries)};
}

std::optional<FWDetailItems> TWEventPreview::listPageInfoForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                                int32_t displayDepth,
                                                                const Ref<FWApplication>& application) {
  detailPageID_ = keyText(key);
  return FWDetailItems{currentPage};
}

std::optional<std::string> TWEventPreview::listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                              int32_t displayDepth,
                                                              const Ref<FWApplication>& application) {
  if (keyText(key) != kTWEventPreviewNotesPage) return std::nullopt;
  auto event = augmentEvent(FWDetailItemAs<TWEvent>(currentPage), application);
  return event && event->notes() ? *event->notes() : std::string("?");
}

FWView TWEventPreview::listPageViewForKey(const PlistValue& key, const FWDetailItem& currentPage, int32_t displayDepth,
                                          const FWRect& rect, const Ref<FWApplication>& application) {
  if (keyText(key) != kTWEventPreviewMapPage) return nullptr;
  auto event = FWDetailItemAs<TWEvent>(currentPage);
  if (!event || event->locations().empty() || !event->locations().front()) return nullptr;
  FWApplication* app = application ? application.get() : currentApplication_.get();
  const auto& location = event->locations().front();
  auto host = hostOf(app);
  const bool popups =
      FWPreferences::boolValue(kTWOptionsShowPopups, kTWOptionsShowPopupsDefault, host ? host->preferences() : PlistValue());
  auto status = app ? app->infoAs<TWEventStatus>() : nullptr;
  return FWMapView::initWithFrame({rect.x, rect.y, rect.width, rect.height},
                                  status ? FWMapViewSettings::forStatus(status) : nullptr, host, popups, location->title(),
                                  event->title(), location->coordinates());
}

std::optional<std::string> TWEventPreview::captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                              int32_t displayDepth,
                                                              const Ref<FWApplication>& application) {
  const std::string page = keyText(forKey);
  const auto texts = bundle();
  if (page == kTWEventPreviewTagsPage) return FWLocalise(texts, "Detail/Tags");
  if (isDialerPage(page)) return FWLocalise(texts, "Detail/Dialer/Title");
  if (page == kTWEventPreviewNotesPage) return FWLocalise(texts, "Detail/Notes");
  if (page == kTWEventPreviewMapPage) return FWLocalise(texts, "Detail/Map");
  return FWLocalise(texts, "Detail/Attendees");
}

std::optional<std::string> TWEventPreview::listPagePopupForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                               int32_t displayDepth,
                                                               const Ref<FWApplication>& application) {
  if (!isDialerPage(keyText(key))) return std::nullopt;
  FWApplication* app = application ? application.get() : currentApplication_.get();
  auto status = app ? app->infoAs<TWEventStatus>() : nullptr;
  if (!status || status->hasShownDialHelp()) return std::nullopt;
  status->setShownDialHelp(true);
  return FWLocalise(bundle(), "Detail/Dialer/Help");
}

std::optional<FWBarItems> TWEventPreview::toolbarForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                                   const Ref<FWApplication>& application) {
  currentEvent_ = nullptr;
  const std::string page = keyText(key);
  if (page == kTWEventPreviewAttendeesPage || page == kTWEventPreviewTagsPage || isDialerPage(page)) return std::nullopt;
  auto event = FWDetailItemAs<TWEvent>(item);
  if (!event) return std::nullopt;
  if (!event->native() && !directTWAccess_) return std::nullopt;
  currentEvent_ = event;
  std::weak_ptr<TWEventPreview> weak = weak_from_this();
  auto button = [&](const char* image, const char* textKey, int tag) {
    auto made = barButton(FWImageNamed(image), textKey, "gotoEventClicked:", [weak, tag](const auto&) {
      if (auto self = weak.lock()) self->gotoEventClicked(tag);
    });
    made->setTag(tag);
    return made;
  };
  FWBarItems items{BarButtonItem::flexibleSpace()};
  if (event->native()) {
    items.push_back(button("gonative", "Detail/Button/Calendar", kTWEventPreviewNativeButton));
    items.push_back(BarButtonItem::flexibleSpace());
  }
  if (directTWAccess_) {
    items.push_back(button("gotw", "Detail/Button/Open", kTWEventPreviewTaskwellButton));
    items.push_back(BarButtonItem::flexibleSpace());
  }
  return items;
}

void TWEventPreview::gotoEventClicked(int tag) {
  auto event = currentEvent_;
  if (!event) return;
  FWApplication* app = currentApplication_.get();
  auto url = tag == kTWEventPreviewTaskwellButton ? TWEventIntegration::urlForShowEvent(event, app)
                                                  : TWEventNative::urlForShowEvent(event, app);
  KSLog("KS:%@: URL to display event = %@", app ? app->resourceName() : std::string("TWEvent"),
        url ? *url : std::string("(null)"));
  if (url && app) app->launchURL(*url);
}
