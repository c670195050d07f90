// CommandLine: a subcommand's options, their parsing and their --help text.
//
// A command declares its options (OptionSpec); parse() accepts "--name value" and
// "--name=value", refuses unknown options, missing values, repeats of a non-repeatable
// option and stray arguments, and notes --help / -h. A value may begin with "--" only in the
// "--name=value" form, so a forgotten value is reported instead of swallowing the next
// option. usage() lists exactly the declared options. Not synchronised.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/HostResult.h"

namespace kestrel::tool {

struct OptionSpec {
  std::string name;       // without the dashes
  std::string valueName;  // empty for a flag
  std::string help;
  bool repeatable = false;
};

class ParsedOptions {
 public:
  bool help = false;
  bool has(std::string_view name) const { return values_.count(std::string(name)) != 0; }
  // The (last) value of an option, none when absent.
  std::optional<std::string> value(std::string_view name) const;
  std::vector<std::string> values(std::string_view name) const;

 private:
  friend class CommandLine;
  std::map<std::string, std::vector<std::string>> values_;
};

class CommandLine {
 public:
  CommandLine(std::string command, std::string synopsis, std::string description, std::vector<OptionSpec> options);

  HostResult<ParsedOptions> parse(std::span<const std::string> args) const;
  std::string usage() const;
  const std::string& command() const { return command_; }

  // Prints "kestrel <command>: <message>" on standard error and answers `status`.
  int fail(const std::string& message, int status) const;

 private:
  const OptionSpec* find(std::string_view name) const;

  std::string command_;
  std::string synopsis_;
  std::string description_;
  std::vector<OptionSpec> options_;
};

// Splits a command line whose options come before positional words (act's and render's
// steps): the first word that is neither an option nor the value of an option that takes
// one, or the word after "--", starts the words.
void splitOptionsAndWords(std::span<const std::string> args, const std::vector<OptionSpec>& specs,
                          std::vector<std::string>* options, std::vector<std::string>* words);

// User text made safe to echo in one message line: control characters become escapes.
std::string printable(std::string_view text);

}  // namespace kestrel::tool
