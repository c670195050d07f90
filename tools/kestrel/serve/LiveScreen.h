// LiveScreen: the host's screen as the web page shows and touches it, on the main run loop.
//
// redraw() draws the screen the way `kestrel render` does (SessionPicture.h: the sections,
// their popups, or the page that covers them), encodes it as PNG and, when the bytes
// differ from the last frame, publishes it on the FrameBoard with what the page needs
// beside the picture (its kind, its size in points, the page title, the screen's text
// for screen readers, and what can be touched where: ScreenTargets.h and the rows). The drawn tree is kept until the next redraw, so a touch lands on
// exactly what the viewer saw. scheduleRedraw() coalesces requests into one redraw when
// the loop next runs.
//
// Touches come as points of a frame: begin, move, end, cancel. One finger at a time: a
// new begin cancels a touch that never ended (a tab closed mid-drag). On a page the
// deepest view under the finger gets the touch, as on the device. On the lock screen a
// touch in a row's control (button, switch, segmented control), in the status or tool-bar
// row, or in a popup goes to that view; one in the accessory column performs the row's
// completion control; one elsewhere in an item row selects the row when it ends where it
// began (the host's table does that: a task row opens its page, a sounding alarm's row its
// tool bar). A touch given for a frame of another screen (a page that has just closed)
// is refused, as is a point outside the screen or not a number; nothing changes then.
//
// Keys go to the text field the host's keyboard serves: text is inserted as typed (the
// field refuses what it cannot take, whole), Backspace deletes, Return is the keyboard's
// Return and then the page's Done. Wheel scrolls move the table under the point.
//
// The second screen is Settings (SettingsScreen.h), drawn and touched the same way: a tap
// (begin and end at one place) touches its row, keys go to the text row being typed.
//
// Every answer is a status (HTTP-like: 200, 400, 409, 422) and one line for the page.
// Main thread only; release() (or destruction) before the plug-ins unload.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/SessionPicture.h"
#include "tools/kestrel/serve/FrameBoard.h"
#include "tools/kestrel/serve/SettingsScreen.h"

namespace kestrel::ui {
class View;
}

namespace kestrel::tool::serve {

struct ScreenSize {
  double width = 320;   // points
  double height = 480;  // points, the device's screen
  double scale = 2;     // pixels per point
};

struct TouchInput {
  enum class Phase { Begin, Move, End, Cancel };
  uint64_t frame = 0;
  Phase phase = Phase::Begin;
  double x = 0, y = 0;  // points in the frame
};

struct KeyInput {
  enum class Kind { Text, Backspace, Return };
  Kind kind = Kind::Text;
  std::string text;
};

struct ScrollInput {
  uint64_t frame = 0;
  double x = 0, y = 0;
  double dy = 0;  // points; positive scrolls the content up
};

// Which screen the page shows: the lock screen, or Settings (at `pane`, or one back).
struct ScreenRequest {
  bool settings = false;
  std::string pane;  // a root pane's path; empty: where Settings was
  bool back = false;
};

struct InputAnswer {
  int status = 200;
  std::string message;  // empty when done as asked
};

class LiveScreen {
 public:
  LiveScreen(PluginSession& session, FrameBoard& board, ScreenSize size);
  ~LiveScreen();
  LiveScreen(const LiveScreen&) = delete;
  LiveScreen& operator=(const LiveScreen&) = delete;

  void redraw();
  void scheduleRedraw();
  InputAnswer touch(const TouchInput& input);
  InputAnswer key(const KeyInput& input);
  InputAnswer scroll(const ScrollInput& input);
  // Leaving Settings is coming back to the lock screen: the plug-ins are told the screen
  // lit up again, so they refresh and read what Settings changed.
  InputAnswer showScreen(const ScreenRequest& request);
  void release();

  // The frames drawn so far (published or not), for tests and benchmarks.
  uint64_t redraws() const { return redraws_; }
  // Where the lock screen shows that row now (points); none when it shows no such row.
  std::optional<ui::Rect> rowFrame(const std::string& rowID) const;
  bool showsPage() const { return screen_.page != nullptr; }

 private:
  struct ActiveTouch {
    std::weak_ptr<ui::View> target;  // the view that takes the touch; none: a row selection
    bool hadTarget = false;
    std::string rowID;               // the row the touch selects or completes
    size_t section = 0;
    bool accessory = false;
    double startX = 0, startY = 0;
    bool moved = false;
  };
  std::string screenIdentity() const;
  std::string metaJson(const std::string& identity) const;
  bool frameShowsThisScreen(uint64_t frame) const;
  InputAnswer beginTouch(double x, double y);
  InputAnswer endTouch(const TouchInput& input);
  void cancelTouch();
  void deliver(ui::View& target, TouchInput::Phase phase, double x, double y);
  void settle();

  InputAnswer settingsTouch(const TouchInput& input);
  InputAnswer settingsKey(const KeyInput& input);

  PluginSession& session_;
  std::unique_ptr<SettingsScreen> settings_;
  bool settingsShown_ = false;
  FrameBoard& board_;
  ScreenSize size_;
  SessionScreen screen_;
  std::shared_ptr<const std::string> lastPng_;
  std::string lastMeta_;
  std::deque<std::pair<uint64_t, std::string>> frameScreens_;  // recent frames' screen identity
  std::optional<ActiveTouch> touch_;
  uint64_t redraws_ = 0;
  bool released_ = false;
  std::shared_ptr<bool> redrawQueued_ = std::make_shared<bool>(false);
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kestrel::tool::serve
