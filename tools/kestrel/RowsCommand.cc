// kestrel rows: load a plug-in, run its start-up refresh and print the rows it published;
// as JSON also each row's height and the texts its view draws. Several --plugin options load
// several plug-ins, printed section by section.
#include <cstdio>

#include "tools/kestrel/Commands.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/SectionPrint.h"

namespace kestrel::tool {

int runRows(std::span<const std::string> args) {
  std::vector<OptionSpec> options = sessionOptions();
  options.push_back({"json", "", "print one JSON object per row instead of a table"});
  CommandLine line("rows", "--plugin PATH|tasks|events [--plugin ...] --root DIR [options]",
                   "Loads the plug-in against the device root, posts the view-ready notification, runs the\n"
                   "main run loop until it is idle and prints the published rows in sort order.\n"
                   "\n"
                   "With several --plugin options every plug-in is loaded and shown as its own section, in\n"
                   "the order given: as text each section's rows follow a line \"== NAME: TITLE (DETAIL) ==\",\n"
                   "as JSON every row also carries \"section\" (tasks, events, or the library's file name\n"
                   "without .so). Each --option is stored in every plug-in's domain.",
                   std::move(options));
  auto parsed = line.parse(args);
  if (!parsed) return line.fail(parsed.error() + " (see kestrel rows --help)", kExitUsage);
  if (parsed->help) {
    std::fputs(line.usage().c_str(), stdout);
    return kExitSuccess;
  }
  PluginSession::Failure failure;
  auto session = PluginSession::open(*parsed, &failure);
  if (!session) return line.fail(failure.message, failure.usage ? kExitUsage : kExitFailure);

  printSessionRows(stdout, *session, parsed->has("json"));
  std::fflush(stdout);
  return kExitSuccess;
}

}  // namespace kestrel::tool
