// kestrel act: load a plug-in, then touch it step by step as a person would, printing the
// section after each step.
#include <cstdio>

#include "platform/foundation/Clock.h"
#include "tools/kestrel/ActSteps.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/SectionActor.h"
#include "tools/kestrel/PagePrint.h"
#include "tools/kestrel/SectionPrint.h"

namespace kestrel::tool {

int runActTo(std::FILE* out, std::span<const std::string> args) {
  std::vector<OptionSpec> specs = sessionOptions();
  specs.push_back({"json", "", "print one JSON object per row, as `kestrel rows --json` (and one per step header), instead of the section as read on the lock screen"});
  CommandLine line(
      "act", "--plugin tasks --root DIR [options] STEP...",
      std::string(
          "Loads the plug-in against the device root like `kestrel rows`, prints its section, then\n"
          "performs the steps in order in this one process, touching what the host shows: a task\n"
          "row's completion control, the tool bar's buttons (opened with the status row's menu\n"
          "button) or the section's reload action. After each step it runs the main run loop until\n"
          "the plug-in has published the step's effect and prints the section again under a header\n"
          "line naming the step.\n"
          "\n"
          "The clock is fixed (at --now, else at the moment act starts) and moves on 10 seconds\n"
          "before each step. Completing a Taskwell task writes the plug-in's private copy of the\n"
          "database and adds the task's link to the pasteboard net.norvale.taskwell.tasksCompleted;\n"
          "Taskwell's own file is not changed. Completing a device reminder saves its .ics file.\n"
          "\n") +
          actStepsHelp() +
          "\n"
          "Exit status: 0 when every step did its work; 2 for a wrong command line, an unknown step,\n"
          "or a row that is not a task row or has no completion control; 1 when a step could not do\n"
          "its work (a disabled button, a page that is not available, a failed completion). The\n"
          "steps before a failing one have been performed and printed.\n"
          "\n"
          "With several --plugin options the steps touch the first section (give tasks first) and\n"
          "every section is printed after each step, each under its own header line.",
      specs);
  std::vector<std::string> optionWords, stepWords;
  splitOptionsAndWords(args, specs, &optionWords, &stepWords);
  auto parsed = line.parse(optionWords);
  if (!parsed) return line.fail(parsed.error() + " (see kestrel act --help)", kExitUsage);
  if (parsed->help) {
    std::fputs(line.usage().c_str(), out);
    return kExitSuccess;
  }
  auto steps = parseActSteps(stepWords);
  if (!steps) return line.fail(steps.error() + " (see kestrel act --help)", kExitUsage);

  // A fixed clock lets every step run at a known time, later than the one before.
  if (!parsed->has("now")) Clock::fix(Clock::now());
  PluginSession::Failure failure;
  auto session = PluginSession::open(*parsed, &failure);
  if (!session) return line.fail(failure.message, failure.usage ? kExitUsage : kExitFailure);

  const bool json = parsed->has("json");
  HostEngine& engine = session->engine();
  SectionActor actor(engine);
  // Text shows each section as a person reads it, task rows numbered as `complete N` counts
  // them; JSON is the rows' own output.
  printSessionStep(out, *session, "start", json, true);
  for (const ActStep& step : *steps) {
    StepOutcome outcome = actor.perform(step);
    if (!outcome.ok()) {
      std::fflush(out);
      return line.fail(outcome.message, outcome.status);
    }
    // While a detail page is open, the page is what a person sees.
    if (auto page = json ? std::nullopt : shownPage(engine))
      printPageStep(out, *page, step.text);
    else
      printSessionStep(out, *session, step.text, json, true);
  }
  std::fflush(out);
  return kExitSuccess;
}

int runAct(std::span<const std::string> args) { return runActTo(stdout, args); }

}  // namespace kestrel::tool
