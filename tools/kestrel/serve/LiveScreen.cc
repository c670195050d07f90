#include "tools/kestrel/serve/LiveScreen.h"

#include <cmath>
#include <exception>
#include <functional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "platform/foundation/RunLoop.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "tools/kestrel/PagePrint.h"
#include "tools/kestrel/RowCell.h"
#include "tools/kestrel/serve/ScreenTargets.h"

namespace kestrel::tool::serve {
namespace {

constexpr size_t kKeptFrameScreens = 16;
// A finger that moves less than this still taps.
constexpr double kTapSlop = 10;
// The column at a row's right end that holds its completion control (RowCell.h).
constexpr double kAccessoryColumn = 24;

bool isControl(const ui::View& view) {
  return dynamic_cast<const ui::Button*>(&view) || dynamic_cast<const ui::Switch*>(&view) ||
         dynamic_cast<const ui::SegmentedControl*>(&view);
}

// The control the view is, or is inside of, up to `stop`; none when it is in none.
std::shared_ptr<ui::View> enclosingControl(std::shared_ptr<ui::View> view, const ui::View* stop) {
  for (; view && view.get() != stop; view = view->superview())
    if (isControl(*view)) return view;
  return nullptr;
}

Ref<KSAction> accessoryOf(const KSData& row) {
  for (const auto& action : {row.accessoryTapAction, row.accessoryHoldAction})
    if (action && action->image) return action;
  return nullptr;
}

// Runs plug-in code; what it throws becomes the answer's line.
InputAnswer guarded(const std::function<InputAnswer()>& work) {
  try {
    return work();
  } catch (const std::exception& e) {
    return {500, std::string("the plug-in failed: ") + e.what()};
  } catch (...) {
    return {500, "the plug-in failed"};
  }
}

std::string textsLine(const KSDrawnTexts& texts) {
  std::string line;
  for (const auto* part : {&texts.summary, &texts.highlight, &texts.detail})
    if (*part && !(*part)->empty()) line += (line.empty() ? "" : " \xE2\x80\x94 ") + **part;
  return line;
}

}  // namespace

LiveScreen::LiveScreen(PluginSession& session, FrameBoard& board, ScreenSize size)
    : session_(session), board_(board), size_(size) {}

LiveScreen::~LiveScreen() {
  *alive_ = false;
  release();
}

void LiveScreen::release() {
  if (released_) return;
  released_ = true;
  cancelTouch();
  releaseSessionScreen(session_, screen_);
  settings_.reset();
}

std::string LiveScreen::screenIdentity() const {
  if (settingsShown_ && settings_) return "settings:" + settings_->path();
  if (!screen_.page) return "lock";
  std::ostringstream identity;
  identity << "page:" << screen_.pageSection << ":" << static_cast<const void*>(screen_.page.get());
  return identity.str();
}

std::string LiveScreen::metaJson(const std::string& identity) const {
  using nlohmann::json;
  json texts = json::array();
  std::string title;
  auto& sections = session_.sections();
  if (!sections.empty()) {
    auto info = sections.front().engine->sectionInfo();
    if (info && *info) title = (*info)->title;
  }
  std::string badge;
  const bool settings = settingsShown_ && settings_;
  if (settings)
    for (const auto& line : settings_->texts()) texts.push_back(line);
  if (screen_.page) {
    if (auto page = shownPage(*sections[screen_.pageSection].engine)) {
      std::istringstream lines(pageAsText(*page));
      for (std::string line; std::getline(lines, line);)
        if (!line.empty()) texts.push_back(line);
    }
  }
  size_t lastSection = SIZE_MAX;
  for (const auto& placed : screen_.placedRows) {
    if (placed.section != lastSection) {
      lastSection = placed.section;
      auto info = sections[placed.section].engine->sectionInfo();
      if (info && *info) texts.push_back((*info)->detail.empty() ? (*info)->title
                                                                 : (*info)->title + " \xE2\x80\x94 " + (*info)->detail);
    }
    if (!placed.cell) continue;
    KSDrawnTexts drawn = drawnTextsOf(*placed.cell);
    if (placed.section == 0 && placed.row && placed.row->uniqueID == "[[[statusbar]]]" && drawn.highlight)
      badge = *drawn.highlight;
    if (std::string line = textsLine(drawn); !line.empty()) texts.push_back(line);
  }
  if (!badge.empty()) title += " (" + badge + ")";
  json targets = json::array();
  auto add = [&](const std::string& kind, const std::string& name, const ui::Rect& frame) {
    targets.push_back({{"kind", kind}, {"name", name}, {"x", frame.x()}, {"y", frame.y()}, {"width", frame.width()},
                       {"height", frame.height()}});
  };
  for (const auto& placed : screen_.placedRows)
    if (placed.row) add("row", sections[placed.section].name + ":" + placed.row->uniqueID, placed.frame);
  for (const auto& target : screenTargets(screen_.root)) add(target.kind, target.name, target.frame);
  bool keyboard = settings && settings_->typing().has_value();
  for (auto& section : sections)
    keyboard = keyboard || (!settings && section.engine->plugin().currentKeyboard() != nullptr);
  json meta = {
      {"screen", identity},
      {"kind", settings ? "settings" : screen_.page ? "page" : "lock"},
      {"width", size_.width},
      {"height", screen_.image.height() / size_.scale},
      {"screenHeight", size_.height},
      {"scale", size_.scale},
      {"title", title.empty() ? "Kestrel" : title},
      {"texts", texts},
      {"keyboard", keyboard},
      {"targets", targets},
  };
  if (settings)
    meta["settings"] = {{"pane", settings_->path()},
                        {"panes", settings_->rootPanes()},
                        {"back", settings_->canGoBack()},
                        {"typing", settings_->typing() ? json(*settings_->typing()) : json(nullptr)}};
  // A plug-in's text may be anything; what is not UTF-8 is replaced, never thrown.
  return meta.dump(-1, ' ', false, json::error_handler_t::replace);
}

void LiveScreen::scheduleRedraw() {
  if (*redrawQueued_ || released_) return;
  *redrawQueued_ = true;
  std::weak_ptr<bool> alive = alive_;
  auto queued = redrawQueued_;
  RunLoop::main().deferredInvoke([this, alive, queued] {
    *queued = false;
    if (auto a = alive.lock(); a && *a) redraw();
  });
}

void LiveScreen::redraw() {
  if (released_) return;
  const std::string before = screenIdentity();
  try {
    if (settingsShown_ && settings_) {
      releaseSessionScreen(session_, screen_);
      auto drawn = settings_->draw(size_.width, size_.scale);
      screen_.root = drawn.root;
      screen_.image = std::move(drawn.image);
    } else if (touch_ && !screen_.page && touch_->target.lock()) {
      // A finger is on a view of the lock screen: the rows' views stay as they are (asking
      // for them again would hand the plug-in's new views out under the finger); the tree
      // is only painted again, to show the view lit.
      screen_.image = ui::renderViewToImage(*screen_.root, size_.scale);
    } else {
      releaseSessionScreen(session_, screen_);
      screen_ = drawSessionScreen(session_, size_.width, size_.scale);
    }
  } catch (const std::exception& e) {
    board_.post(nlohmann::json{{"type", "message"}, {"text", std::string("The screen could not be drawn: ") + e.what()}}
                    .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    return;
  }
  ++redraws_;
  const std::string identity = screenIdentity();
  // The rows' views are asked for again and may be handed to other rows: a touch whose
  // view is no longer on the screen cannot go on.
  if (touch_) {
    auto target = touch_->target.lock();
    const bool gone = target && target != screen_.root && !target->isDescendantOfView(screen_.root.get());
    if (identity != before || gone) cancelTouch();
  }
  auto encoded = screen_.image.encodePNG();
  if (!encoded) return;
  auto png = std::make_shared<const std::string>(encoded->begin(), encoded->end());
  std::string meta = metaJson(identity);
  // The same picture with the same description (a keyboard that came up draws nothing) is
  // no new frame.
  if (lastPng_ && *lastPng_ == *png && meta == lastMeta_) return;
  lastPng_ = png;
  lastMeta_ = meta;
  const uint64_t number = board_.publish(png, std::move(meta));
  frameScreens_.emplace_back(number, identity);
  while (frameScreens_.size() > kKeptFrameScreens) frameScreens_.pop_front();
}

std::optional<ui::Rect> LiveScreen::rowFrame(const std::string& rowID) const {
  for (const auto& placed : screen_.placedRows)
    if (placed.row && placed.row->uniqueID == rowID) return placed.frame;
  return std::nullopt;
}

bool LiveScreen::frameShowsThisScreen(uint64_t frame) const {
  const std::string identity = screenIdentity();
  for (const auto& [number, shown] : frameScreens_)
    if (number == frame) return shown == identity;
  return false;
}

void LiveScreen::deliver(ui::View& target, TouchInput::Phase phase, double x, double y) {
  const std::vector<ui::Touch> touches{{target.convertPointFromView({x, y}, screen_.root.get()), 1}};
  switch (phase) {
    case TouchInput::Phase::Begin: target.touchesBegan(touches); break;
    case TouchInput::Phase::Move: target.touchesMoved(touches); break;
    case TouchInput::Phase::End: target.touchesEnded(touches); break;
    case TouchInput::Phase::Cancel: target.touchesCancelled(touches); break;
  }
}

void LiveScreen::cancelTouch() {
  if (!touch_) return;
  auto target = touch_->target.lock();
  const double x = touch_->startX, y = touch_->startY;
  touch_.reset();
  if (target && screen_.root) {
    try {
      deliver(*target, TouchInput::Phase::Cancel, x, y);
    } catch (...) {
      // A view that fails on a cancelled touch has nothing left to undo.
    }
  }
}

void LiveScreen::settle() {
  session_.engine().pumpUntilIdle();
  scheduleRedraw();
}

InputAnswer LiveScreen::touch(const TouchInput& input) {
  if (released_ || !screen_.root) return {409, "the screen is not drawn yet"};
  if (!std::isfinite(input.x) || !std::isfinite(input.y) || input.x < 0 || input.y < 0 || input.x > size_.width ||
      input.y > screen_.image.height() / size_.scale)
    return {400, "the touch is outside the screen"};
  if (settingsShown_ && settings_) return settingsTouch(input);
  switch (input.phase) {
    case TouchInput::Phase::Begin:
      if (!frameShowsThisScreen(input.frame)) return {409, "the screen changed under the touch; touch again"};
      cancelTouch();
      return guarded([&] { return beginTouch(input.x, input.y); });
    case TouchInput::Phase::Move:
      if (!touch_) return {200, "no touch is going on"};
      if (std::hypot(input.x - touch_->startX, input.y - touch_->startY) > kTapSlop) touch_->moved = true;
      if (auto target = touch_->target.lock())
        return guarded([&] {
          deliver(*target, input.phase, input.x, input.y);
          settle();
          return InputAnswer{};
        });
      return {};
    case TouchInput::Phase::End:
      if (!touch_) return {200, "no touch is going on"};
      return guarded([&] { return endTouch(input); });
    case TouchInput::Phase::Cancel:
      cancelTouch();
      settle();
      return {};
  }
  return {400, "unknown touch phase"};
}

InputAnswer LiveScreen::beginTouch(double x, double y) {
  auto hit = screen_.root->hitTest({x, y});
  ActiveTouch active;
  active.startX = x;
  active.startY = y;
  if (screen_.page) {
    if (!hit) return {200, "nothing there takes a touch"};
    active.target = hit;
    active.hadTarget = true;
    touch_ = active;
    deliver(*hit, TouchInput::Phase::Begin, x, y);
    settle();
    return {};
  }
  const LockScreenPicture::PlacedRow* placed = nullptr;
  for (const auto& candidate : screen_.placedRows)
    if (candidate.row && candidate.frame.contains({x, y})) placed = &candidate;
  // The popups' layer lies over the rows.
  if (hit && placed) {
    auto layer = session_.sections()[placed->section].engine->plugin().tableView();
    if (layer && hit != layer && hit->isDescendantOfView(layer.get())) {
      active.target = hit;
    active.hadTarget = true;
      touch_ = active;
      deliver(*hit, TouchInput::Phase::Begin, x, y);
      settle();
      return {};
    }
  }
  if (!placed) return {200, "nothing there takes a touch"};
  active.rowID = placed->row->uniqueID;
  active.section = placed->section;
  const bool itemRow = active.rowID.rfind("[[[", 0) != 0;
  if (itemRow && accessoryOf(*placed->row) && x >= size_.width - kAccessoryColumn) {
    active.accessory = true;
    touch_ = active;
    return {};
  }
  auto control = enclosingControl(hit, placed->cell.get());
  std::shared_ptr<ui::View> target = control ? control : (itemRow ? nullptr : hit);
  if (target) {
    active.target = target;
    active.hadTarget = true;
    touch_ = active;
    deliver(*target, TouchInput::Phase::Begin, x, y);
    settle();
    return {};
  }
  if (!itemRow || !placed->row->defaultAction) return {200, "nothing there takes a touch"};
  touch_ = active;
  return {};
}

InputAnswer LiveScreen::endTouch(const TouchInput& input) {
  ActiveTouch active = *touch_;
  touch_.reset();
  if (auto target = active.target.lock()) {
    deliver(*target, TouchInput::Phase::End, input.x, input.y);
    settle();
    return {};
  }
  if (active.hadTarget) return {409, "the screen changed under the touch; touch again"};
  if (active.rowID.empty()) return {};
  if (active.moved) return {200, "the finger moved off; nothing selected"};
  HostEngine& engine = *session_.sections()[active.section].engine;
  auto row = engine.row(active.rowID);
  if (!row) return {409, "the row is gone"};
  if (active.accessory) {
    Ref<KSAction> control = row->accessoryTapAction ? row->accessoryTapAction : row->accessoryHoldAction;
    if (!control) return {409, "the row has no completion control any more"};
    control->perform(row);
  } else if (auto error = engine.performRowAction(active.rowID, HostEngine::RowAction::Default)) {
    return {409, error->message};
  }
  settle();
  return {};
}

InputAnswer LiveScreen::key(const KeyInput& input) {
  if (released_) return {409, "the screen is closed"};
  if (settingsShown_ && settings_) return settingsKey(input);
  std::shared_ptr<ui::TextField> field;
  HostEngine* engine = nullptr;
  for (auto& section : session_.sections())
    if (auto shown = section.engine->plugin().currentKeyboard(); shown && !field) {
      field = shown;
      engine = section.engine.get();
    }
  if (!field) return {409, "no text field has the keyboard"};
  return guarded([&]() -> InputAnswer {
    InputAnswer answer;
    switch (input.kind) {
      case KeyInput::Kind::Text:
        if (!field->insertText(input.text)) answer = {422, "the field did not take the text"};
        break;
      case KeyInput::Kind::Backspace:
        if (!field->deleteBackward()) answer = {200, "nothing to delete"};
        break;
      case KeyInput::Kind::Return: {
        auto page = engine->plugin().currentPreview();
        field->pressReturn();
        engine->pumpUntilIdle();
        // Return is the page's Done when the field itself did not end the form.
        if (engine->plugin().currentKeyboard() == field && engine->plugin().currentPreview() == page) {
          if (auto shown = shownPage(*engine); shown && shown->bar && shown->bar->topItem())
            if (auto done = shown->bar->topItem()->rightBarButtonItem(); done && done->actionName() == "doneClicked")
              if (!done->perform()) answer = {422, "Done is not available (the text is empty)"};
        }
        break;
      }
    }
    settle();
    return answer;
  });
}

InputAnswer LiveScreen::scroll(const ScrollInput& input) {
  if (released_ || !screen_.root) return {409, "the screen is not drawn yet"};
  if (!std::isfinite(input.x) || !std::isfinite(input.y) || !std::isfinite(input.dy))
    return {400, "the scroll is not a number"};
  if (!screen_.page) return {};  // the page scrolls the lock screen and Settings itself
  if (!frameShowsThisScreen(input.frame)) return {409, "the screen changed under the wheel"};
  auto view = screen_.root->hitTest({input.x, input.y});
  for (; view; view = view->superview())
    if (auto table = std::dynamic_pointer_cast<ui::TableView>(view)) {
      const ui::Point offset = table->contentOffset();
      table->setContentOffset({offset.x, offset.y + input.dy});
      scheduleRedraw();
      return {};
    }
  return {200, "nothing there scrolls"};
}

InputAnswer LiveScreen::showScreen(const ScreenRequest& request) {
  if (released_) return {409, "the screen is closed"};
  cancelTouch();
  if (!request.settings) {
    if (!settingsShown_) return {};
    settingsShown_ = false;
    if (settings_) settings_->stopTyping();
    return guarded([&] {
      for (auto& section : session_.sections()) section.engine->postScreenUndimmed();
      settle();
      return InputAnswer{};
    });
  }
  return guarded([&]() -> InputAnswer {
    if (!settings_) {
      std::vector<std::string> libraries;
      for (auto& section : session_.sections()) libraries.push_back(section.engine->libraryPath());
      std::string why;
      settings_ = SettingsScreen::open(libraries, &why);
      if (!settings_) return {409, "Settings cannot open: " + why};
    }
    settingsShown_ = true;
    InputAnswer answer;
    if (!request.pane.empty()) {
      if (auto shown = settings_->showPane(request.pane); !shown.ok) answer = {404, shown.message};
    } else if (request.back) {
      if (auto shown = settings_->back(); !shown.ok) answer = {409, shown.message};
    }
    scheduleRedraw();
    return answer;
  });
}

InputAnswer LiveScreen::settingsTouch(const TouchInput& input) {
  switch (input.phase) {
    case TouchInput::Phase::Begin:
      if (!frameShowsThisScreen(input.frame)) return {409, "the screen changed under the touch; touch again"};
      touch_ = ActiveTouch{};
      touch_->startX = input.x;
      touch_->startY = input.y;
      return {};
    case TouchInput::Phase::Move:
      if (touch_ && std::hypot(input.x - touch_->startX, input.y - touch_->startY) > kTapSlop) touch_->moved = true;
      return {};
    case TouchInput::Phase::Cancel: touch_.reset(); return {};
    case TouchInput::Phase::End: break;
  }
  if (!touch_) return {200, "no touch is going on"};
  const bool moved = touch_->moved;
  touch_.reset();
  if (moved) return {200, "the finger moved off; nothing touched"};
  return guarded([&]() -> InputAnswer {
    auto outcome = settings_->tap(screen_.root, {input.x, input.y});
    scheduleRedraw();
    return {outcome.ok ? 200 : 422, outcome.message};
  });
}

InputAnswer LiveScreen::settingsKey(const KeyInput& input) {
  return guarded([&]() -> InputAnswer {
    SettingsScreen::Outcome outcome;
    switch (input.kind) {
      case KeyInput::Kind::Text: outcome = settings_->type(input.text); break;
      case KeyInput::Kind::Backspace: outcome = settings_->backspace(); break;
      case KeyInput::Kind::Return: outcome = settings_->enter(); break;
    }
    scheduleRedraw();
    if (!outcome.ok) return {outcome.message == "no text row has the keyboard" ? 409 : 422, outcome.message};
    return {200, outcome.message};
  });
}

}  // namespace kestrel::tool::serve
