// FWDetailListView: building, showing items, links and the link stack, actions.
#include "views/FWDetailListView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Device.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/KSHost.h"
#include "platform/ui/Image.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"

using kestrel::ui::BarButtonItem;
using kestrel::ui::BarButtonItemStyle;
using kestrel::ui::IndexPath;
using kestrel::ui::NavigationItem;
using kestrel::ui::Rect;
using kestrel::ui::SegmentedControl;
using kestrel::ui::TransitionSubtype;
using kestrel::ui::TransitionType;

namespace {

constexpr int kUpSegment = 0;
constexpr int kDownSegment = 1;

}  // namespace

std::shared_ptr<FWDetailListView> FWDetailListView::initWithFrame(const Rect& frame, FWDetailItems list, int index,
                                                                  const std::string& caption,
                                                                  Ref<FWApplication> application,
                                                                  Ref<FWDetailListViewDelegate> delegate) {
  if (!delegate) {
    KSLog("KS:FWDetailListView: No page delegate for %@", caption);
    return nullptr;
  }
  auto view = std::make_shared<FWDetailListView>(frame, std::move(list), caption, std::move(application),
                                                 std::move(delegate));
  view->buildPreview();
  view->delegate_->setControlDelegate(std::static_pointer_cast<FWDetailListViewControl>(view));
  view->setIndex(index);
  view->reloadViewOffset_ = 0;
  view->reloadViewAnimated_ = true;
  view->linkStack_.clear();
  return view;
}

std::shared_ptr<FWDetailListView> FWDetailListView::initWithFrame(const Rect& frame, FWDetailItems list, int index,
                                                                  Ref<FWApplication> application,
                                                                  Ref<FWDetailListViewDelegate> delegate) {
  return initWithFrame(frame, std::move(list), index, std::string(), std::move(application), std::move(delegate));
}

std::shared_ptr<FWDetailListView> FWDetailListView::viewForPage(const Ref<FWDetailListPage>& page,
                                                                const Rect& frame) {
  if (!page) return nullptr;
  return initWithFrame(frame, page->list(), int(std::min<size_t>(page->index(), INT32_MAX)), page->caption(),
                       page->application(), page->delegate());
}

FWDetailListView::FWDetailListView(const Rect& frame, FWDetailItems list, std::string caption,
                                   Ref<FWApplication> application, Ref<FWDetailListViewDelegate> delegate)
    : View(frame), list_(std::move(list)), delegate_(std::move(delegate)), application_(std::move(application)) {
  caption_ = caption.empty() ? caption : localised(caption);
  setAutoresizingMask(kestrel::ui::ViewAutoresizingFlexibleWidth | kestrel::ui::ViewAutoresizingFlexibleHeight);
}

FWDetailListView::~FWDetailListView() {
  // The table keeps a plain pointer to its data source.
  if (tableView_) tableView_->setDataSource(nullptr);
  if (navBar_) navBar_->setDelegate(nullptr);
}

std::string FWDetailListView::localised(const std::string& key) const {
  return FWLocalise(application_ ? application_->pluginBundle() : nullptr, key);
}

FWDetailItem FWDetailListView::currentItem() const {
  return index_ >= 0 && size_t(index_) < list_.size() ? list_[size_t(index_)] : FWDetailItem();
}

// ---- Building -----------------------------------------------------------------------------

void FWDetailListView::buildPreview() {
  std::weak_ptr<FWDetailListView> weak = std::static_pointer_cast<FWDetailListView>(shared_from_this());
  auto action = [weak](void (FWDetailListView::*method)()) {
    return [weak, method](const std::shared_ptr<BarButtonItem>&) {
      if (auto self = weak.lock()) ((*self).*method)();
    };
  };
  const Rect b = bounds();

  navBar_ = std::make_shared<kestrel::ui::NavigationBar>(Rect{0, 0, b.width(), kFWDetailListViewNavBarHeight});
  navBar_->setBarStyle(kestrel::ui::BarStyle::Black);
  navBar_->setDelegate(this);
  navBar_->setAutoresizingMask(kestrel::ui::ViewAutoresizingFlexibleWidth);
  baseItem_ = std::make_shared<NavigationItem>(caption_);

  std::shared_ptr<BarButtonItem> done;
  if (delegate_->respondsToDoneClicked()) {
    done = BarButtonItem::itemWithTitle(localised("Detail/Button/Done"), BarButtonItemStyle::Done, "doneClicked",
                                        action(&FWDetailListView::doneClicked));
  } else if (delegate_->respondsToSelectClicked()) {
    done = BarButtonItem::itemWithTitle(localised("Detail/Button/Select"), BarButtonItemStyle::Done, "selectClicked",
                                        action(&FWDetailListView::selectClicked));
  }
  if (delegate_->respondsToCancelClicked()) {
    baseItem_->setLeftBarButtonItem(BarButtonItem::itemWithTitle(localised("Detail/Button/Cancel"),
                                                                 BarButtonItemStyle::Bordered, "cancelClicked",
                                                                 action(&FWDetailListView::cancelClicked)));
    baseItem_->setRightBarButtonItem(done);
  } else if (done && delegate_->respondsToDoneClicked()) {
    baseItem_->setLeftBarButtonItem(done);
  } else {
    baseItem_->setRightBarButtonItem(done);
  }

  if (list_.size() > 1) {
    auto up = kestrel::ui::Image::imageWithContentsOfFile(kestrel::Device::path(kFWDetailListViewArrowUpPath));
    auto down = kestrel::ui::Image::imageWithContentsOfFile(kestrel::Device::path(kFWDetailListViewArrowDownPath));
    std::vector<SegmentedControl::Segment> segments;
    if (up && down) {
      segments = {{.title = {}, .image = up}, {.title = {}, .image = down}};
    } else {
      segments = {{.title = "U", .image = nullptr}, {.title = "D", .image = nullptr}};
    }
    navControl_ = std::make_shared<SegmentedControl>(std::move(segments));
    navControl_->setMomentary(true);
    navControl_->setStyle(kestrel::ui::SegmentedControlStyle::Bar);
    navControl_->setWidth(kUpSegment, kFWDetailListViewSegmentWidth);
    navControl_->setWidth(kDownSegment, kFWDetailListViewSegmentWidth);
    navControl_->sizeToFit();
    navControl_->setAction("navigateClicked", [weak](SegmentedControl& control) {
      if (auto self = weak.lock()) self->navigateClicked(control.selectedSegmentIndex());
    });
    baseItem_->setRightBarButtonItem(BarButtonItem::itemWithCustomView(navControl_));
  }
  navBar_->setItems({baseItem_});
  addSubview(navBar_);

  listView_ = std::make_shared<View>(
      Rect{0, kFWDetailListViewNavBarHeight, b.width(), std::max(0.0, b.height() - kFWDetailListViewNavBarHeight)});
  listView_->setAutoresizingMask(kestrel::ui::ViewAutoresizingFlexibleWidth |
                                 kestrel::ui::ViewAutoresizingFlexibleHeight);
  listView_->setBackgroundColor(Color::underPageBackgroundColor());
  listView_->setClipsToBounds(true);
  addSubview(listView_);

  tableView_ = std::make_shared<kestrel::ui::TableView>(listView_->bounds(), kestrel::ui::TableViewStyle::Grouped);
  tableView_->setBackgroundColor(Color::underPageBackgroundColor());
  tableView_->setSectionMargin(FWIsDeviceAnIPad() ? 45 : 10);
  tableView_->setHeaderFont(kestrel::ui::Font::boldSystemFontOfSize(kFWDetailListViewLabelSize));
  tableView_->setHeaderTextColor(Color::whiteColor());
  tableView_->setAllowsSelectionDuringEditing(true);
  listView_->addSubview(tableView_);

  toolbar_ = std::make_shared<kestrel::ui::Toolbar>(Rect{0, listView_->bounds().height(), b.width(), 0});
  toolbar_->setBarStyle(kestrel::ui::BarStyle::Black);
  toolbar_->setHidden(true);
  listView_->addSubview(toolbar_);

  textView_ = std::make_shared<kestrel::ui::TextView>(listView_->bounds());
  textView_->setFont(kestrel::ui::Font::systemFontOfSize(kFWDetailListViewSystemFontSize));
  textView_->setBackgroundColor(Color::whiteColor());
  textView_->setHidden(true);
  listView_->addSubview(textView_);

  layoutListView();
  tableView_->setDataSource(this);
}

void FWDetailListView::layoutListView() {
  if (!listView_) return;
  const Rect area = listView_->bounds();
  const double bar = toolbarHidden_ ? 0 : kFWDetailListViewToolbarHeight;
  tableView_->setFrame({0, 0, area.width(), std::max(0.0, area.height() - bar)});
  toolbar_->setFrame({0, area.height() - bar, area.width(), bar});
  textView_->setFrame(area);
  if (accessoryView_) accessoryView_->setFrame(textView_->frame());
}

void FWDetailListView::setFrame(const Rect& frame) {
  View::setFrame(frame);
  if (!tableView_) return;
  layoutListView();
  tableView_->reloadData();
}

void FWDetailListView::layoutSubviews() { layoutListView(); }

// ---- Showing an item ------------------------------------------------------------------------

void FWDetailListView::setIndex(int index) {
  if (index < 0 || size_t(index) >= list_.size()) return;
  lastIndexWasEarlier_ = index >= index_;
  index_ = index;
  dropPopup();
  const int count = int(list_.size());
  if (navControl_) {
    navControl_->setEnabled(kUpSegment, index > 0);
    navControl_->setEnabled(kDownSegment, index < count - 1);
  }
  const FWDetailItem item = list_[size_t(index)];
  // The delegate may remove items or redisplay from its callbacks: keep the view alive.
  auto keep = shared_from_this();
  if (linkStack_.empty()) delegate_->willShowBasePage(item);
  sections_ = delegate_->dataForDetailListPage(item, listKey_, application_);
  sections_.erase(std::remove(sections_.begin(), sections_.end(), nullptr), sections_.end());
  for (const auto& section : sections_) {
    auto& entries = section->entries();
    entries.erase(std::remove(entries.begin(), entries.end(), nullptr), entries.end());
  }
  auto items = delegate_->toolbarForDetailListPage(item, listKey_, application_);
  if (linkStack_.empty() && caption_.find("%i") != std::string::npos) {
    baseItem_->setTitle(KSFormat(caption_, index + 1, count));
    navBar_->updateItems();
  }
  setToolbarHidden(!items || items->empty());
  toolbar_->setItems(items ? *items : FWBarItems{});
  reloadData(reloadViewAnimated_);
  bool draggable = false;
  for (const auto& section : sections_)
    for (const auto& entry : section->entries()) draggable = draggable || entry->isDraggable();
  tableView_->setEditing(draggable, false);
}

void FWDetailListView::reloadData(bool animated) {
  tableView_->reloadData();
  tableView_->setContentOffset({0, reloadViewOffset_});
  if (animated) addReloadTransition();
}

void FWDetailListView::reloadDataWithObject(bool animated) {
  tableView_->reloadData();
  if (animated) addReloadTransition();
}

void FWDetailListView::addReloadTransition() {
  kestrel::ui::Transition transition{.type = TransitionType::Fade, .duration = 0.4, .extendsFill = true};
  if (linkStack_.empty()) {
    transition.type = TransitionType::PageUnCurl;
    transition.subtype = lastIndexWasEarlier_ ? TransitionSubtype::FromLeft : TransitionSubtype::FromRight;
    transition.duration = 0.35;
  }
  kestrel::ui::addTransition(*listView_, transition, kFWDetailListViewReloadAnimationKey);
}

void FWDetailListView::addPageTransition(TransitionSubtype from) {
  kestrel::ui::addTransition(*listView_, {.type = TransitionType::Push, .subtype = from, .duration = 0.4},
                             kFWDetailListViewPageTransitionKey);
}

void FWDetailListView::redisplayCurrentItem(bool animated) {
  if (index_ < 0 || size_t(index_) >= list_.size()) return;
  auto keep = shared_from_this();
  const FWDetailItem item = list_[size_t(index_)];
  sections_ = delegate_->dataForDetailListPage(item, listKey_, application_);
  sections_.erase(std::remove(sections_.begin(), sections_.end(), nullptr), sections_.end());
  if (!toolbarHidden_) {
    auto items = delegate_->toolbarForDetailListPage(item, listKey_, application_);
    toolbar_->setItems(items ? *items : FWBarItems{});
  }
  // A redisplay is a sub-page reload: a fade, never a page turn.
  linkStack_.push_back({});
  reloadData(animated);
  linkStack_.pop_back();
}

void FWDetailListView::removeItem() {
  if (index_ < 0 || size_t(index_) >= list_.size()) return;
  list_.erase(list_.begin() + index_);
  if (list_.empty()) {
    dismissPreview();
    return;
  }
  setIndex(std::min(index_, int(list_.size()) - 1));
}

void FWDetailListView::setToolbarHidden(bool hidden) {
  toolbarHidden_ = hidden;
  toolbar_->setHidden(hidden);
  layoutListView();
}

bool FWDetailListView::isToolbarHidden() const { return toolbarHidden_; }

void FWDetailListView::showListView(bool show) {
  tableView_->setHidden(!show);
  textView_->setHidden(show);
  if (show && accessoryView_) {
    accessoryView_->removeFromSuperview();
    accessoryView_ = nullptr;
  }
}

void FWDetailListView::showAccessoryView(bool show) {
  if (accessoryView_) accessoryView_->setHidden(!show);
}

void FWDetailListView::setCaption(const std::string& caption) {
  caption_ = localised(caption);
  baseItem_->setTitle(caption_);
  navBar_->updateItems();
}

// ---- Popups -------------------------------------------------------------------------------

std::shared_ptr<FWPopupView> FWDetailListView::popup() const {
  auto shown = popup_.lock();
  return shown && shown->superview() && !shown->isFinished() ? shown : nullptr;
}

void FWDetailListView::showPopup(const std::string& text, bool instruction) {
  if (auto shown = popup()) shown->remove();
  popup_ = instruction ? FWPopupView::displayPopupInstruction(text, listView_)
                       : FWPopupView::displayPopupMessage(text, listView_);
  KSLog("KS:%@: Page popup: %@", application_ ? application_->resourceName() : std::string("FWCommon"), text);
}

void FWDetailListView::dropPopup() {
  if (auto shown = popup()) shown->finish();
  popup_.reset();
}

void FWDetailListView::displayPopup(const std::string& text) { showPopup(text, false); }

void FWDetailListView::displayPopupInstruction(const std::string& text) { showPopup(text, true); }

// ---- Links and going back -------------------------------------------------------------------

void FWDetailListView::followLink(const Ref<FWDetailListEntry>& entry) {
  auto keep = shared_from_this();
  const PlistValue key = entry->key();
  auto top = navBar_->topItem();
  linkStack_.push_back({list_, index_, tableView_->contentOffset().y, top ? top->title() : std::string(), listKey_});
  const int depth = int(linkStack_.size());
  const FWDetailItem item = currentItem();

  auto popupText = delegate_->listPagePopupForKey(key, item, depth, application_);
  auto text = delegate_->listPageTextForKey(key, item, depth, application_);
  const FWRect textFrame{textView_->frame().x(), textView_->frame().y(), textView_->frame().width(),
                         textView_->frame().height()};
  FWView view = text ? nullptr : delegate_->listPageViewForKey(key, item, depth, textFrame, application_);

  if (!text && !view) {
    auto newList = delegate_->listPageInfoForKey(key, item, depth, application_);
    if (!newList || newList->empty()) {
      // Nothing to show behind the link: stay on the present page rather than show it
      // again under the link's key.
      KSLog("KS:%@: No page behind link %@", application_ ? application_->resourceName() : std::string("FWCommon"),
            key);
      linkStack_.pop_back();
      return;
    }
    reloadViewOffset_ = 0;
    reloadViewAnimated_ = false;
    listKey_ = key;
    list_ = std::move(*newList);
    index_ = 0;
    setIndex(0);
  }

  auto caption = delegate_->captionForListPage(list_, key, depth, application_);
  auto subItem = std::make_shared<NavigationItem>(caption.value_or(std::string()));
  auto doneCaption = delegate_->doneButtonCaptionForKey(key, currentItem(), depth, application_);
  std::weak_ptr<FWDetailListView> weak = std::static_pointer_cast<FWDetailListView>(shared_from_this());
  subItem->setRightBarButtonItem(
      BarButtonItem::itemWithTitle(doneCaption.value_or(localised("Detail/Button/Done")), BarButtonItemStyle::Done,
                                   "doneClicked", [weak](const auto&) {
                                     if (auto self = weak.lock()) self->doneClicked();
                                   }));
  navBar_->pushNavigationItem(subItem, true);
  addPageTransition(TransitionSubtype::FromRight);

  if (text) {
    textView_->setText(*text);
    textView_->setTextColor(detailTextColor_);
    if (delegate_->listPageTextScrollToEndForKey(key, item, depth, application_).value_or(false)) {
      textView_->scrollToEnd();
    } else {
      textView_->scrollToTop();
    }
    showListView(false);
  } else if (view) {
    textView_->setHidden(true);
    if (accessoryView_) accessoryView_->removeFromSuperview();
    accessoryView_ = view;
    view->setFrame(textView_->frame());
    listView_->insertSubviewBelowSubview(view, toolbar_.get());
  } else {
    showListView(true);
  }
  if (popupText) displayPopupInstruction(*popupText);
}

bool FWDetailListView::navigationBar(kestrel::ui::NavigationBar& bar,
                                                  const kestrel::ui::NavigationItem& item) {
  if (linkStack_.empty()) return false;
  auto keep = shared_from_this();
  FWDetailListLink link = std::move(linkStack_.back());
  linkStack_.pop_back();
  list_ = std::move(link.list);
  reloadViewOffset_ = link.offset;
  reloadViewAnimated_ = false;
  listKey_ = link.key;
  // The restored index may equal the present one; setIndex still redraws the page.
  setIndex(link.index);
  addPageTransition(TransitionSubtype::FromLeft);
  showListView(true);
  return true;
}

bool FWDetailListView::goBack() { return navBar_->popNavigationItemAnimated(true) != nullptr; }

// ---- Actions ------------------------------------------------------------------------------

void FWDetailListView::dismissPreview() {
  dismissed_ = true;
  auto plugin = application_ ? application_->fwPlugin() : nullptr;
  auto host = plugin ? plugin->ksPlugin() : nullptr;
  if (host) host->dismissPreview();
}

void FWDetailListView::doneClicked() {
  auto keep = shared_from_this();
  if (delegate_->doneClicked(application_, sections_)) dismissPreview();
}

void FWDetailListView::cancelClicked() {
  auto keep = shared_from_this();
  if (delegate_->cancelClicked(application_, sections_)) dismissPreview();
}

void FWDetailListView::selectClicked() {
  auto keep = shared_from_this();
  if (delegate_->selectClicked(application_, sections_)) dismissPreview();
}

void FWDetailListView::navigateClicked(int segment) {
  reloadViewOffset_ = 0;
  reloadViewAnimated_ = true;
  if (segment == kUpSegment) setIndex(index_ - 1);
  if (segment == kDownSegment) setIndex(index_ + 1);
}

void FWDetailListView::buttonClicked(int tag) {
  if (tag >= 0) buttonClickedAt({tag / 100, tag % 100});
}

void FWDetailListView::switchChanged(int tag, bool on) {
  if (tag >= 0) switchChangedAt({tag / 100, tag % 100}, on);
}

void FWDetailListView::buttonClickedAt(IndexPath indexPath) {
  auto entry = entryAt(indexPath);
  if (!entry) return;
  auto keep = shared_from_this();
  if (delegate_->buttonClicked(application_, sections_, entry)) dismissPreview();
}

void FWDetailListView::switchChangedAt(IndexPath indexPath, bool on) {
  auto entry = entryAt(indexPath);
  if (!entry) return;
  entry->setValue(PlistValue(on));
  auto keep = shared_from_this();
  delegate_->switchChanged(application_, sections_);
}

void FWDetailListView::didSelectRow(IndexPath indexPath) {
  auto entry = entryAt(indexPath);
  if (!entry) return;
  tableView_->deselectRowAtIndexPath(indexPath, true);
  if (entry->isLink()) {
    followLink(entry);
  } else if (entry->isBackLink()) {
    goBack();
    showListView(true);
  }
}

Ref<FWDetailListEntry> FWDetailListView::entryAt(IndexPath indexPath) const {
  if (indexPath.section < 0 || size_t(indexPath.section) >= sections_.size()) return nullptr;
  const auto& entries = sections_[size_t(indexPath.section)]->entries();
  if (indexPath.row < 0 || size_t(indexPath.row) >= entries.size()) return nullptr;
  return entries[size_t(indexPath.row)];
}

void FWDetailListView::performOnNextTurn(std::function<void(FWDetailListView&)> body) {
  std::weak_ptr<FWDetailListView> weak = std::static_pointer_cast<FWDetailListView>(shared_from_this());
  kestrel::RunLoop::main().deferredInvoke([weak, body = std::move(body)] {
    if (auto self = weak.lock()) body(*self);
  });
}
