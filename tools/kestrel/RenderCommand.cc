// kestrel render: load one or more plug-ins like `rows`, touch the rows given with --tap,
// then draw their sections as the lock screen shows them (SessionPicture.h) and write the
// picture as a PNG file, atomically.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/foundation/Files.h"
#include "platform/ui/Screen.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/SessionPicture.h"

namespace kestrel::tool {
namespace {

namespace fs = std::filesystem;

// Screen heights in points of the phone and the tablet the widths stand for.
constexpr double kPhoneScreenHeight = 480;
constexpr double kTabletScreenHeight = 1024;

// Checked before the plug-in is loaded, so a wrong path costs nothing.
std::optional<std::string> unwritableOutput(const std::string& out) {
  std::error_code ec;
  fs::path path = fs::absolute(out, ec);
  if (ec) return "cannot write " + printable(out) + ": " + ec.message();
  if (files::isDirectory(path.string())) return "cannot write " + printable(out) + ": it is a folder";
  std::string folder = path.parent_path().string();
  if (!files::isDirectory(folder)) return "cannot write " + printable(out) + ": no folder " + printable(folder);
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    return "cannot write " + printable(out) + ": folder " + printable(folder) + " is not writable: " +
           std::strerror(errno);
  return std::nullopt;
}

}  // namespace

int runRender(std::span<const std::string> args) {
  std::vector<OptionSpec> options = sessionOptions();
  options.push_back({"out", "FILE.png", "where to write the picture (required)"});
  options.push_back({"width", "320|768", "the section's width in points: 320 (phone, default) or 768 (tablet)"});
  options.push_back({"scale", "1|2", "pixels per point (default 2)"});
  options.push_back({"tap", "[SECTION:]ROW-ID",
                     "touch that row before drawing, as a finger would ('[[[statusbar]]]' opens the tasks tool bar; "
                     "a task row opens its detail page, which is then drawn instead of the section); "
                     "SECTION (tasks, events) picks the section, else the first section with that row",
                     true});
  CommandLine line("render", "--plugin PATH|tasks|events [--plugin ...] --root DIR --out FILE.png [options]",
                   "Loads the plug-in against the device root, runs its start-up refresh and draws its section\n"
                   "as the lock screen shows it: the section header, then every row's view at its height.\n"
                   "With several --plugin options the sections stand one under the other in the order given.",
                   std::move(options));
  auto parsed = line.parse(args);
  if (!parsed) return line.fail(parsed.error() + " (see kestrel render --help)", kExitUsage);
  if (parsed->help) {
    std::fputs(line.usage().c_str(), stdout);
    return kExitSuccess;
  }
  const std::string out = parsed->value("out").value_or("");
  if (out.empty()) return line.fail("no picture file given: use --out FILE.png", kExitUsage);
  const std::string widthText = parsed->value("width").value_or("320");
  if (widthText != "320" && widthText != "768")
    return line.fail("--width '" + printable(widthText) + "' is not 320 or 768", kExitUsage);
  const std::string scaleText = parsed->value("scale").value_or("2");
  if (scaleText != "1" && scaleText != "2")
    return line.fail("--scale '" + printable(scaleText) + "' is not 1 or 2", kExitUsage);
  if (auto wrong = unwritableOutput(out)) return line.fail(*wrong, kExitFailure);

  const double width = widthText == "768" ? 768 : 320;
  const double scale = scaleText == "2" ? 2 : 1;
  // Before loading, so the plug-in's images pick the variant for the scale.
  ui::Screen::setScale(scale);
  ui::Screen::setSize({width, width > 320 ? kTabletScreenHeight : kPhoneScreenHeight});

  PluginSession::Failure failure;
  auto session = PluginSession::open(*parsed, &failure);
  if (!session) return line.fail(failure.message, failure.usage ? kExitUsage : kExitFailure);
  setLockScreenTheme(*session, scale);
  for (const std::string& row : parsed->values("tap"))
    if (auto missed = touchSessionRow(*session, row, width)) return line.fail("--tap: " + *missed, kExitFailure);

  for (auto& section : session->sections())
    if (auto info = section.engine->sectionInfo(); !info)
      std::fprintf(stderr, "kestrel render: drawing the header without texts: %s\n", info.error().c_str());
  DrawnPicture drawn = drawSession(*session, out, width, scale);
  if (drawn.rowsLeftOut > 0)
    std::fprintf(stderr, "kestrel render: the section is too tall; %zu rows left out\n", drawn.rowsLeftOut);
  if (!drawn.ok) return line.fail(drawn.error, kExitFailure);
  std::printf("%s: %d x %d pixels\n", printable(out).c_str(), drawn.width, drawn.height);
  return kExitSuccess;
}

}  // namespace kestrel::tool
