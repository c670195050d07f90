// SettingsScreen: the device's Settings application for the plug-ins' panes, as the web
// page's second screen. Each pane is drawn as `kestrel settings --out` draws it
// (SettingsPaneView) and touched the way a finger touches Settings: a switch row flips, a
// link opens its pane (back returns), a choice row moves on to its next choice, a button
// runs, a text row takes the keyboard (typed text is shown, Return sets it). Every change
// is written at once into the plug-in's preference domain (SettingsRows.h), so the
// running plug-in reads it at its next refresh. Main thread only; it runs apart from the
// plug-ins' controllers, as Settings does.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings/PSListController.h"
#include "platform/settings/SettingsApplication.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/View.h"

namespace kestrel::tool::serve {

class SettingsScreen {
 public:
  // None and why when no loaded plug-in has settings.
  static std::unique_ptr<SettingsScreen> open(const std::vector<std::string>& libraryPaths, std::string* why);
  ~SettingsScreen();

  struct Drawn {
    std::shared_ptr<ui::View> root;
    ui::Bitmap image;
  };
  Drawn draw(double width, double scale);

  // The pane shown ("tasks/calendars"), the root panes one can go to, whether back goes
  // anywhere, and the text being typed (none while no text row has the keyboard).
  std::string path() const;
  std::vector<std::string> rootPanes() const;
  bool canGoBack() const { return stack_.size() > 1; }
  const std::optional<std::string>& typing() const { return typing_; }
  // The pane's rows as text, for screen readers.
  std::vector<std::string> texts();

  // Each answers what changed, or why nothing did (`ok` false).
  struct Outcome {
    bool ok = true;
    std::string message;
  };
  Outcome showPane(const std::string& path);
  Outcome back();
  // A tap at a point of the drawn pane (`root` of the last draw).
  Outcome tap(const std::shared_ptr<ui::View>& root, ui::Point point);
  Outcome type(const std::string& text);
  Outcome backspace();
  Outcome enter();
  // Leaves a text row unchanged.
  void stopTyping();

 private:
  struct Shown {
    std::string path;
    Ref<PSListController> pane;
  };
  std::unique_ptr<SettingsApplication> app_;
  std::vector<Shown> stack_;
  std::optional<std::string> typing_;
  std::string typingRow_;
};

}  // namespace kestrel::tool::serve
