#include "tools/kestrel/CommandLine.h"

#include <algorithm>
#include <cstdio>

namespace kestrel::tool {

std::optional<std::string> ParsedOptions::value(std::string_view name) const {
  auto it = values_.find(std::string(name));
  if (it == values_.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> ParsedOptions::values(std::string_view name) const {
  auto it = values_.find(std::string(name));
  return it == values_.end() ? std::vector<std::string>{} : it->second;
}

CommandLine::CommandLine(std::string command, std::string synopsis, std::string description,
                         std::vector<OptionSpec> options)
    : command_(std::move(command)),
      synopsis_(std::move(synopsis)),
      description_(std::move(description)),
      options_(std::move(options)) {}

const OptionSpec* CommandLine::find(std::string_view name) const {
  auto it = std::find_if(options_.begin(), options_.end(), [&](const OptionSpec& o) { return o.name == name; });
  return it == options_.end() ? nullptr : &*it;
}

HostResult<ParsedOptions> CommandLine::parse(std::span<const std::string> args) const {
  ParsedOptions parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0 || arg.size() == 2)
      return HostError{"unexpected argument '" + printable(arg) + "'"};
    std::string name = arg.substr(2);
    std::optional<std::string> inlineValue;
    if (auto eq = name.find('='); eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.erase(eq);
    }
    const OptionSpec* spec = find(name);
    if (!spec) return HostError{"unknown option '--" + printable(name) + "'"};
    if (!spec->repeatable && parsed.has(name)) return HostError{"option --" + name + " given more than once"};
    std::string value;
    if (spec->valueName.empty()) {
      if (inlineValue) return HostError{"option --" + name + " takes no value"};
    } else if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0)
        return HostError{"option --" + name + " needs a value (" + spec->valueName + ")"};
      value = args[++i];
    }
    parsed.values_[name].push_back(std::move(value));
  }
  return parsed;
}

std::string CommandLine::usage() const {
  std::string out = "Usage: kestrel " + command_ + " " + synopsis_ + "\n\n" + description_ + "\n\nOptions:\n";
  std::vector<std::string> heads;
  size_t width = 0;
  for (const auto& o : options_) {
    heads.push_back("--" + o.name + (o.valueName.empty() ? "" : " " + o.valueName));
    width = std::max(width, heads.back().size());
  }
  heads.push_back("--help");
  width = std::max(width, heads.back().size());
  for (size_t i = 0; i < heads.size(); ++i) {
    std::string help = i < options_.size() ? options_[i].help : "show this help";
    if (i < options_.size() && options_[i].repeatable) help += " (repeatable)";
    out += "  " + heads[i] + std::string(width - heads[i].size() + 2, ' ') + help + "\n";
  }
  return out;
}

int CommandLine::fail(const std::string& message, int status) const {
  std::fprintf(stderr, "kestrel %s: %s\n", command_.c_str(), message.c_str());
  return status;
}

void splitOptionsAndWords(std::span<const std::string> args, const std::vector<OptionSpec>& specs,
                          std::vector<std::string>* options, std::vector<std::string>* words) {
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.rfind("-", 0) != 0) break;
    options->push_back(arg);
    if (arg.rfind("--", 0) != 0 || arg.find('=') != std::string::npos) continue;
    std::string name = arg.substr(2);
    for (const auto& spec : specs)
      if (spec.name == name && !spec.valueName.empty() && i + 1 < args.size()) options->push_back(args[++i]);
  }
  words->assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
}

std::string printable(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace kestrel::tool
