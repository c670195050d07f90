// kestrel settings: the device's Settings application for the installed plug-ins' panes.
// Without a pane it lists the panes; with one it makes the changes asked for, in order, as
// touches on the pane's rows would, then prints the pane's rows with their values or draws
// the pane to a PNG. It runs apart from the plug-ins, as the real Settings does: panes reach
// a plug-in only through its preference domain and the pasteboards under the device root.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/settings/SettingsApplication.h"
#include "platform/settings/SettingsPaneView.h"
#include "platform/settings/SettingsRows.h"
#include "platform/ui/Screen.h"
#include "tools/kestrel/BuiltPlugins.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/CommandLine.h"

namespace kestrel::tool {
namespace {

namespace fs = std::filesystem;

struct Change {
  enum Kind { Set, Toggle, Press } kind;
  std::string argument;
};

HostResult<std::string> libraryFor(const std::string& argument) {
  if (isBuiltPluginName(argument)) return builtPluginPath(argument);
  std::error_code ec;
  std::string path = fs::absolute(argument, ec).lexically_normal().string();
  if (ec || !files::exists(path) || files::isDirectory(path)) return HostError{"no plug-in library at " + printable(argument)};
  return path;
}

// The changes in the order given; CommandLine has checked the words already.
std::vector<Change> changesInOrder(std::span<const std::string> args) {
  std::vector<Change> changes;
  for (size_t i = 0; i < args.size(); ++i) {
    for (auto [name, kind] : {std::pair{"--set", Change::Set}, {"--toggle", Change::Toggle}, {"--press", Change::Press}}) {
      std::string flag = name;
      if (args[i] == flag && i + 1 < args.size()) {
        changes.push_back({kind, args[++i]});
        break;
      }
      if (args[i].rfind(flag + "=", 0) == 0) {
        changes.push_back({kind, args[i].substr(flag.size() + 1)});
        break;
      }
    }
  }
  return changes;
}

// The title padded to a column of `width` characters (not bytes), so values line up.
std::string padded(const std::string& title, size_t width) {
  size_t characters = 0;
  for (unsigned char c : title) characters += (c & 0xC0) != 0x80;
  return characters >= width ? title + " " : title + std::string(width - characters, ' ');
}

void printRows(std::FILE* out, PSListController& pane, const std::string& path) {
  std::fprintf(out, "%s (%s)\n", pane.navigationTitle().c_str(), path.c_str());
  for (const auto& row : settingsRows(pane)) {
    switch (row.type) {
      case PSCellType::Group:
        if (!row.title.empty()) std::fprintf(out, "\n[%s]\n", row.title.c_str());
        else std::fprintf(out, "\n");
        if (!row.footer.empty()) std::fprintf(out, "  (%s)\n", row.footer.c_str());
        break;
      case PSCellType::Link:
        std::fprintf(out, "  %s>\n", padded(row.title, 37).c_str());
        break;
      case PSCellType::Button:
        std::fprintf(out, "  <%s>\n", row.title.c_str());
        break;
      case PSCellType::StaticText:
        std::fprintf(out, "  %s\n", row.title.c_str());
        break;
      case PSCellType::EditText:
        std::fprintf(out, "  %s\"%s\"\n", padded(row.title, 37).c_str(), printable(row.value).c_str());
        break;
      default:
        std::fprintf(out, "  %s%s\n", padded(row.title, 37).c_str(), printable(row.value).c_str());
        break;
    }
  }
}

}  // namespace

int runSettingsTo(std::FILE* out, std::span<const std::string> args) {
  CommandLine line("settings", "[PANE] --root DIR [--plugin PATH|tasks|events]... [--set TITLE=VALUE] [--toggle TITLE] "
                   "[--press TITLE] [--out FILE.png]",
                   "Plays the device's Settings application for the plug-ins' panes. Without PANE it lists\n"
                   "the panes of the installed plug-ins (the built tasks and events plug-ins unless --plugin\n"
                   "names others). With PANE (a path such as tasks/calendars, or a pane's title) it makes the\n"
                   "changes in the order given, each exactly as a touch on the row would, writing the\n"
                   "plug-in's preference domain, then prints the pane's rows with their current values, or\n"
                   "draws the pane with --out. A row is named by its title, or GROUP/TITLE where titles\n"
                   "repeat. A switch is set with on/off, a choice by its title, a text field by the text\n"
                   "typed; text that the field refuses changes nothing (exit status 1).",
                   {
                       {"root", "DIR", "the device root folder (default: $KESTREL_ROOT)"},
                       {"plugin", "PATH|tasks|events", "an installed plug-in library (default: tasks and events)", true},
                       {"set", "TITLE=VALUE", "choose, switch or type VALUE in the row TITLE", true},
                       {"toggle", "TITLE", "turn the switch TITLE over", true},
                       {"press", "TITLE", "press the button TITLE (Clear preferences, Clear database cache)", true},
                       {"out", "FILE.png", "draw the pane to this picture instead of printing it"},
                       {"scale", "1|2", "pixels per point of the picture (default 2)"},
                       {"log", "", "echo the log to standard error"},
                   });
  // The pane is the one word that is not an option or an option's value.
  std::vector<std::string> rest;
  std::optional<std::string> paneName;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    bool takesValue = word == "--root" || word == "--plugin" || word == "--set" || word == "--toggle" ||
                      word == "--press" || word == "--out" || word == "--scale";
    if (word.rfind("-", 0) != 0 && !paneName) {
      paneName = word;
      continue;
    }
    rest.push_back(word);
    if (takesValue && i + 1 < args.size()) rest.push_back(args[++i]);
  }
  auto parsed = line.parse(rest);
  if (!parsed) return line.fail(parsed.error() + " (see kestrel settings --help)", kExitUsage);
  if (parsed->help) {
    std::fputs(line.usage().c_str(), out);
    return kExitSuccess;
  }
  auto changes = changesInOrder(rest);
  if (!paneName && (!changes.empty() || parsed->has("out")))
    return line.fail("name the pane to change or draw (kestrel settings lists them)", kExitUsage);
  const std::string scaleText = parsed->value("scale").value_or("2");
  if (scaleText != "1" && scaleText != "2")
    return line.fail("--scale '" + printable(scaleText) + "' is not 1 or 2", kExitUsage);

  std::string root = parsed->value("root").value_or(std::getenv("KESTREL_ROOT") ? std::getenv("KESTREL_ROOT") : "");
  if (root.empty()) return line.fail("no device root: use --root DIR or set KESTREL_ROOT", kExitUsage);
  std::error_code ec;
  root = fs::absolute(root, ec).lexically_normal().string();
  if (ec || !files::isDirectory(root)) return line.fail("no device root folder " + printable(root), kExitFailure);
  if (parsed->has("log")) setLogEchoToStderr(true);
  Device::setRoot(root);

  std::vector<std::string> libraries;
  std::vector<std::string> wanted = parsed->values("plugin");
  bool explicitPlugins = !wanted.empty();
  if (!explicitPlugins) wanted = {"tasks", "events"};
  for (const auto& argument : wanted) {
    auto library = libraryFor(argument);
    if (library)
      libraries.push_back(*library);
    else if (explicitPlugins)
      return line.fail(library.error(), kExitFailure);
  }
  auto app = SettingsApplication::open(libraries);
  if (!app) return line.fail(app.error(), kExitFailure);

  if (!paneName) {
    for (const auto& entry : (*app)->panes()) {
      std::string indent(2 * static_cast<size_t>(std::count(entry.path.begin(), entry.path.end(), '/')), ' ');
      std::fprintf(out, "%-34s %s%s%s\n", entry.path.c_str(), indent.c_str(), entry.title.c_str(),
                   entry.className.empty() ? "" : ("  (" + entry.className + ")").c_str());
    }
    return kExitSuccess;
  }

  auto pane = (*app)->openPane(*paneName);
  if (!pane) return line.fail(pane.error(), kExitUsage);
  (*pane)->viewWillAppear();
  int status = kExitSuccess;
  for (const auto& change : changes) {
    HostResult<std::string> result = HostError{};
    if (change.kind == Change::Toggle) {
      result = settingsToggle(**pane, change.argument);
    } else if (change.kind == Change::Press) {
      result = settingsPress(**pane, change.argument);
    } else {
      size_t equals = change.argument.find('=');
      if (equals == std::string::npos)
        return line.fail("--set '" + printable(change.argument) + "' needs TITLE=VALUE", kExitUsage);
      result = settingsSet(**pane, change.argument.substr(0, equals), change.argument.substr(equals + 1));
    }
    if (!result) {
      // A row that is not there (or not of that kind) is a wrong command line; a value the
      // row refused, or a write that failed, is work that could not be done.
      const std::string& why = result.error();
      bool unknown = why.rfind("no row", 0) == 0 || why.rfind("more than one row", 0) == 0 ||
                     why.find("' is not a switch") != std::string::npos ||
                     why.find("' is not a button") != std::string::npos ||
                     why.find("' holds no value to set") != std::string::npos;
      line.fail(result.error(), unknown ? kExitUsage : kExitFailure);
      status = unknown ? kExitUsage : kExitFailure;
      break;
    }
    std::fprintf(out, "changed %s\n", printable(*result).c_str());
  }
  if (status != kExitSuccess) return status;

  if (auto picture = parsed->value("out")) {
    ui::Screen::setScale(scaleText == "1" ? 1 : 2);
    if (!renderSettingsPane(**pane, *picture, SettingsApplication::kContentWidth, scaleText == "1" ? 1 : 2))
      return line.fail("cannot write " + printable(*picture), kExitFailure);
    std::fprintf(out, "wrote %s\n", printable(*picture).c_str());
  } else {
    printRows(out, **pane, *paneName);
  }
  (*pane)->viewWillDisappear();
  std::fflush(out);
  return kExitSuccess;
}

int runSettings(std::span<const std::string> args) { return runSettingsTo(stdout, args); }

}  // namespace kestrel::tool
