// The kestrel program's subcommands.
//
// `kestrel <command> [options]` looks the command up in the table that commands() answers
// (defined in Commands.cc) and runs it with the arguments after the command's name. A
// command prints its results on standard output, one clear message on standard error when
// it fails, and answers its exit status.
//
// To add a subcommand:
//   1. declare its function below: int runName(std::span<const std::string> args);
//   2. define it in its own file, tools/kestrel/<Name>Command.cc (CommandLine.h parses
//      options and prints --help; PluginSession.h loads a plug-in the way `rows` does);
//   3. add one entry {"name", "one-line summary", runName} to the table in Commands.cc.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace kestrel::tool {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the command could not do its work
inline constexpr int kExitUsage = 2;    // the command line was wrong

struct Command {
  std::string_view name;
  std::string_view summary;  // shown by `kestrel --help`
  int (*run)(std::span<const std::string> args);
};

std::span<const Command> commands();

// kestrel rows: load a plug-in, refresh it once, print its rows (RowsCommand.cc).
int runRows(std::span<const std::string> args);
// kestrel act: load a plug-in and perform steps on it as touches would, printing the section
// after each (ActCommand.cc). runActTo writes the sections to `out` instead of stdout.
int runAct(std::span<const std::string> args);
int runActTo(std::FILE* out, std::span<const std::string> args);
// kestrel render: load a plug-in, refresh it once, draw its section to a PNG (RenderCommand.cc).
int runRender(std::span<const std::string> args);
// kestrel fixture: write a generated Taskwell installation under a device root (FixtureCommand.cc).
int runFixture(std::span<const std::string> args);
// kestrel demo: generate a sample device, run the plug-ins and print their sections (DemoCommand.cc).
int runDemo(std::span<const std::string> args);
// kestrel run: load plug-ins and keep the host running, printing each change (RunCommand.cc).
int runRun(std::span<const std::string> args);
// kestrel serve: run the host like `run` and show its screen in a web browser (serve/ServeCommand.cc).
int runServe(std::span<const std::string> args);
// kestrel settings: list the plug-ins' settings panes, change their rows as touches would, print
// or draw a pane (SettingsCommand.cc). runSettingsTo writes to `out` instead of stdout.
int runSettings(std::span<const std::string> args);
int runSettingsTo(std::FILE* out, std::span<const std::string> args);

}  // namespace kestrel::tool
