#include "tools/kestrel/RunControl.h"

#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/Duration.h"

namespace kestrel::tool {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

RunControl::Line parseLine(std::string_view text) {
  RunControl::Line line{printable(std::string(text)), std::nullopt, {}};
  const size_t space = text.find(' ');
  const std::string_view verb = text.substr(0, space);
  const std::string_view argument = space == std::string_view::npos ? std::string_view() : trim(text.substr(space + 1));
  if (argument.empty()) {
    line.refusal = "no value";
  } else if (verb == "zone") {
    // The zone is checked where it is applied: only ICU knows the names.
    line.request = RunControl::SetZone{std::string(argument)};
  } else if (verb == "clock" && (argument.front() == '+' || argument.front() == '-')) {
    if (auto seconds = parseDuration(argument.substr(1)))
      line.request = RunControl::MoveClock{argument.front() == '-' ? -*seconds : *seconds};
    else
      line.refusal = "not a duration";
  } else if (verb == "clock") {
    Date time;
    if (Date::parseISO8601(std::string(argument), &time))
      line.request = RunControl::SetClock{time};
    else
      line.refusal = "not an ISO-8601 time";
  } else {
    line.refusal = "unknown request";
  }
  return line;
}

}  // namespace

std::vector<RunControl::Line> RunControl::parse(std::string_view file) {
  std::vector<Line> out;
  while (!file.empty()) {
    const size_t end = file.find('\n');
    std::string_view text = trim(file.substr(0, end));
    file = end == std::string_view::npos ? std::string_view() : file.substr(end + 1);
    if (text.empty() || text.front() == '#') continue;
    out.push_back(parseLine(text));
  }
  return out;
}

}  // namespace kestrel::tool
