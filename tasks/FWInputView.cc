#include "tasks/FWInputView.h"

#include "platform/foundation/RunLoop.h"
#include "platform/host/KSHost.h"
#include "platform/ui/NavigationItem.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWLogging.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskBundle.h"

using kestrel::Color;
using kestrel::RunLoop;
using namespace kestrel::ui;

FWInputView::FWInputView(const Rect& frame, const std::string& caption, const std::string& label,
                         const std::string& prompt, Ref<FWApplication> application, Ref<FWPreferences>)
    : View(frame), application_(std::move(application)), captionKey_(caption) {
  const double width = frame.width();
  done_ = BarButtonItem::itemWithTitle(localised("Detail/Button/Done"), BarButtonItemStyle::Done, "doneClicked",
                                       [this](const std::shared_ptr<BarButtonItem>&) { doneClicked(); });
  done_->setEnabled(false);
  auto cancel = BarButtonItem::itemWithTitle(localised("Detail/Button/Cancel"), BarButtonItemStyle::Bordered,
                                             "cancelClicked",
                                             [this](const std::shared_ptr<BarButtonItem>&) { cancelClicked(); });
  navBar_ = std::make_shared<NavigationBar>(Rect{0, 0, width, kNavigationBarHeight});
  navBar_->setBarStyle(BarStyle::Black);
  navBar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
  auto item = std::make_shared<NavigationItem>(localised(caption));
  item->setLeftBarButtonItem(cancel);
  item->setRightBarButtonItem(done_);
  navBar_->pushNavigationItem(item, false);

  const auto font = Font::boldSystemFontOfSize(Font::labelFontSize());
  textLabel_ = std::make_shared<Label>();
  textLabel_->setBackgroundColor(Color::clearColor());
  textLabel_->setShadowOffset({1, 1});
  textLabel_->setFont(font);
  textLabel_->setText(localised(label));
  const Size labelSize = textLabel_->sizeThatFits({0, 0});
  const bool pad = FWIsDeviceAnIPad();
  textLabel_->setFrame({pad ? 80.0 : 15.0, 59, labelSize.width, labelSize.height});

  text_ = std::make_shared<TextField>();
  text_->setDelegate(this);
  text_->setEnablesReturnKeyAutomatically(true);
  text_->setPlaceholder(localised(prompt));
  text_->setClearButtonMode(TextFieldViewMode::WhileEditing);
  text_->setBorderStyle(TextFieldBorderStyle::RoundedRect);
  text_->setFont(font);
  text_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
  const double fieldX = pad ? 100 : 20;
  const double fieldWidth = width - (pad ? 180 : 35);
  text_->setFrame({fieldX, 59 + labelSize.height + 5, fieldWidth, font->leading() + 4});

  setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  setOpaque(true);
  // This platform offers the under-page colour, so the light scheme applies.
  lightBackground_ = true;
  setBackgroundColor(Color::underPageBackgroundColor());
  textLabel_->setTextColor(Color::darkGrayColor());
  textLabel_->setShadowColor(Color::whiteColor());
}

FWInputView::~FWInputView() { cancelTimers(); }

void FWInputView::installSubviews() {
  addSubview(navBar_);
  addSubview(textLabel_);
  addSubview(text_);
}

void FWInputView::cancelTimers() {
  if (keyboardTimer_) RunLoop::main().cancelTimer(keyboardTimer_);
  if (dismissTimer_) RunLoop::main().cancelTimer(dismissTimer_);
  keyboardTimer_ = dismissTimer_ = 0;
}

std::string FWInputView::localised(const std::string& key) const {
  return FWLocalise(TWTaskBundleForApp(application_.get()), key);
}

std::shared_ptr<kestrel::KSPlugin> FWInputView::host() const {
  auto plugin = application_ ? application_->fwPlugin() : nullptr;
  return plugin ? plugin->ksPlugin() : nullptr;
}

bool FWInputView::isPhoneLandscape() const {
  return !FWIsDeviceAnIPad() && bounds().width() > bounds().height();
}

void FWInputView::didMoveToWindow(const View* window) {
  if (!window) return;
  KSLog("KS:TWTask: didMoveToWindow not NIL called on TWTaskCreate - activate keyboard");
  visible_ = true;
  if (keyboardTimer_) RunLoop::main().cancelTimer(keyboardTimer_);
  std::weak_ptr<View> weak = weak_from_this();
  keyboardTimer_ = RunLoop::main().scheduleTimer(kKeyboardDelay, [weak] {
    auto self = std::static_pointer_cast<FWInputView>(weak.lock());
    if (!self) return;
    self->keyboardTimer_ = 0;
    if (self->visible_) self->showKeyboard(true);
  });
}

void FWInputView::willMoveToWindow(const View* window) {
  if (window) return;
  KSLog("KS:TWTask: willMoveToWindow NIL called on TWTaskCreate - deactivate keyboard");
  visible_ = false;
  cancelTimers();
  hideKeyboard(true);
}

void FWInputView::showKeyboard(bool) {
  if (showingKeyboard_) return;
  showingKeyboard_ = true;
  text_->becomeFirstResponder();
  if (auto ks = host()) ks->showKeyboard(text_);
}

void FWInputView::hideKeyboard(bool) {
  if (!showingKeyboard_) return;
  showingKeyboard_ = false;
  text_->resignFirstResponder();
  if (auto ks = host()) ks->dismissKeyboard();
}

void FWInputView::cancelClicked() {
  if (hasFired_) return;
  hasFired_ = true;
  hideKeyboard(true);
  std::weak_ptr<View> weak = weak_from_this();
  dismissTimer_ = RunLoop::main().scheduleTimer(kDismissDelay, [weak] {
    auto self = std::static_pointer_cast<FWInputView>(weak.lock());
    if (!self) return;
    self->dismissTimer_ = 0;
    if (!self->visible_) return;
    if (auto ks = self->host()) ks->dismissPreview();
  });
}

bool FWInputView::textFieldShouldReturn(TextField&) {
  doneClicked();
  return true;
}

bool FWInputView::textFieldShouldClear(TextField&) {
  done_->setEnabled(false);
  return true;
}

bool FWInputView::keyboardInputShouldDelete(TextField& field) {
  // A deletion drops one code point; Done stays only when another is left.
  done_->setEnabled(FWCodePointCount(field.text()) > 1);
  return true;
}

bool FWInputView::keyboardInput(TextField& field, const std::string& text, bool) {
  done_->setEnabled(!(field.text().empty() && text.empty()));
  return true;
}

void FWInputView::layoutSubviews() {
  View::layoutSubviews();
  const bool pad = FWIsDeviceAnIPad();
  const bool landscape = isPhoneLandscape();
  const double barBottom = navBar_->frame().maxY();
  Rect label = textLabel_->frame();
  label.origin.y = barBottom + (landscape ? 0 : pad ? 100 : 20);
  textLabel_->setFrame(label);
  Rect field = text_->frame();
  field.origin.y = label.maxY() + (landscape ? 2 : 10);
  text_->setFrame(field);
  layoutView();
}
