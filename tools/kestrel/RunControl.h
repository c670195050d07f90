// RunControl: changes a running `kestrel run` makes to its device on request, as the phone's
// owner or the network would: a new system time zone, or the clock set forward or back.
//
// Another process writes the requests, one a line, into the control file (kDevicePath under
// the device root) and sends the host SIGUSR1. The host then reads the file, removes it, and
// applies its lines in order:
//
//   zone NAME       the system time zone becomes NAME (the zone-changed notification follows)
//   clock +DURATION the clock moves forward (Duration.h: 90s, 1h, 1d ...)
//   clock -DURATION the clock moves back
//   clock TIME      the clock is set to TIME (ISO-8601); a simulated clock runs on from there
//
// Each line applied is printed as "TIME  control  LINE" (the clock's time after it); a line
// that cannot be applied as "TIME  control  refused LINE: WHY" and changes nothing. Blank
// lines and lines starting with "#" are skipped. Plain functions; parse() is pure, the rest
// of the work is the run command's (main thread).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/foundation/Date.h"

namespace kestrel::tool {

struct RunControl {
  static constexpr const char* kDevicePath = "/var/run/kestrel/run-control";
  // Longer files are refused whole: the file is a few lines written by a test or a person.
  static constexpr size_t kMaxFileSize = 64 * 1024;

  struct SetZone {
    std::string name;
  };
  struct MoveClock {
    double seconds = 0;
  };
  struct SetClock {
    Date time;
  };
  using Request = std::variant<SetZone, MoveClock, SetClock>;

  struct Line {
    std::string text;                // the line as written (trimmed)
    std::optional<Request> request;  // none: refused
    std::string refusal;             // why, when refused
  };

  static std::vector<Line> parse(std::string_view file);
};

}  // namespace kestrel::tool
