// kestrel render: load one or more plug-ins like `rows`, touch the rows given with --tap,
// perform the `act` steps given after the options (SectionActor.h), then draw their sections as the lock screen shows them (SessionPicture.h) and write the
// picture as a PNG file, atomically.
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "tools/kestrel/ActSteps.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/SectionActor.h"
#include "tools/kestrel/SessionPicture.h"

namespace kestrel::tool {
namespace {

namespace fs = std::filesystem;

// Screen heights in points of the phone and the tablet the widths stand for.
constexpr double kPhoneScreenHeight = 480;
constexpr double kTabletScreenHeight = 1024;
constexpr int kMinScreenHeight = 320;

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
  options.push_back({"height", "POINTS",
                     "the height in points of the picture of a page that steps or --tap opened (default: the "
                     "screen's, 480 for the phone, 1024 for the tablet); taller shows more of a long page"});
  options.push_back({"tap", "[SECTION:]ROW-ID",
                     "touch that row before drawing, as a finger would ('[[[statusbar]]]' opens the tasks tool bar; "
                     "a task row opens its detail page, which is then drawn instead of the section); "
                     "SECTION (tasks, events) picks the section, else the first section with that row",
                     true});
  CommandLine line("render", "--plugin PATH|tasks|events [--plugin ...] --root DIR --out FILE.png [options] [STEP...]",
                   std::string(
                       "Loads the plug-in against the device root, runs its start-up refresh and draws its section\n"
                       "as the lock screen shows it: the section header, then every row's view at its height.\n"
                       "With several --plugin options the sections stand one under the other in the order given.\n"
                       "\n"
                       "Words after the options are steps of `kestrel act`, performed after the --tap touches\n"
                       "and before drawing, on the first section, with the clock fixed (at --now, else at the\n"
                       "moment render starts) and moved on 10 seconds before each. Every page the steps reach is\n"
                       "drawn: `locate` or `contexts manual` the context pages, `info` (with --option\n"
                       "debugCode=5807) the debug page, `info tap Console` its console page, `open 1` a task's\n"
                       "page. A step that fails draws nothing and exits as `act` would.\n"
                       "\n") +
                       actStepsHelp(),
                   options);
  std::vector<std::string> optionWords, stepWords;
  splitOptionsAndWords(args, options, &optionWords, &stepWords);
  auto parsed = line.parse(optionWords);
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
  std::vector<ActStep> steps;
  if (!stepWords.empty()) {
    auto parsedSteps = parseActSteps(stepWords);
    if (!parsedSteps) return line.fail(parsedSteps.error() + " (see kestrel render --help)", kExitUsage);
    steps = std::move(*parsedSteps);
  }
  const double scale = scaleText == "2" ? 2 : 1;
  const double width = widthText == "768" ? 768 : 320;
  const double screenHeight = width > 320 ? kTabletScreenHeight : kPhoneScreenHeight;
  std::optional<double> pageHeight;
  if (auto heightText = parsed->value("height")) {
    int points = 0;
    auto [end, error] = std::from_chars(heightText->data(), heightText->data() + heightText->size(), points);
    if (error != std::errc() || end != heightText->data() + heightText->size() || points < kMinScreenHeight ||
        points > ui::kMaxBitmapDimension / scale)
      return line.fail("--height '" + printable(*heightText) + "' is not a whole number of points from " +
                           std::to_string(kMinScreenHeight) + " to " +
                           std::to_string(int(ui::kMaxBitmapDimension / scale)),
                       kExitUsage);
    pageHeight = points;
  }
  if (auto wrong = unwritableOutput(out)) return line.fail(*wrong, kExitFailure);

  // Before loading, so the plug-in's images pick the variant for the scale.
  ui::Screen::setScale(scale);
  ui::Screen::setSize({width, screenHeight});

  // The steps need a fixed clock, as in `act`.
  if (!steps.empty() && !parsed->has("now")) Clock::fix(Clock::now());
  PluginSession::Failure failure;
  auto session = PluginSession::open(*parsed, &failure);
  if (!session) return line.fail(failure.message, failure.usage ? kExitUsage : kExitFailure);
  setLockScreenTheme(*session, scale);
  for (const std::string& row : parsed->values("tap"))
    if (auto missed = touchSessionRow(*session, row, width)) return line.fail("--tap: " + *missed, kExitFailure);
  if (!steps.empty()) {
    SectionActor actor(session->engine());
    for (const ActStep& step : steps)
      if (StepOutcome outcome = actor.perform(step); !outcome.ok()) return line.fail(outcome.message, outcome.status);
  }

  // A page is laid out for the screen; a taller frame lets its table show more rows.
  if (pageHeight)
    for (auto& section : session->sections())
      if (auto page = section.engine->plugin().currentPreview()) page->setFrame({0, 0, width, *pageHeight});
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
