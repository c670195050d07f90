// Stamped console loggers for timing during development.
//
// They write to a console stream (standard output unless XYSetLogOutput chose another),
// never to the system log. XYLog stamps a line with the local wall-clock time and the
// process id: "[hh:mm:ss.mmm|pid] ". XYTimeLog, given a start time, stamps it with the time
// elapsed since then, "[sss.mmm_uuu|pid] ", and moves the start time to now, so successive
// calls time the steps between them. The local time zone is read once, at the first call,
// and kept. Times come from the process clock (kestrel::Clock). Lines are written whole;
// thread-safe.
#pragma once

#include <cstdio>
#include <span>
#include <string_view>

#include "runtime/FWTypes.h"

// The stream that receives the lines; nullptr restores standard output.
void XYSetLogOutput(std::FILE* output);

// The common body: `startTime` none for a clock stamp.
void _XYLog(Date* startTime, std::string_view format, std::span<const kestrel::FormatArg> arguments);

template <class... Args>
void XYLog(std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    _XYLog(nullptr, format, {});
  } else {
    const kestrel::FormatArg list[] = {kestrel::FormatArg(args)...};
    _XYLog(nullptr, format, list);
  }
}

template <class... Args>
void XYTimeLog(Date* startTime, std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    _XYLog(startTime, format, {});
  } else {
    const kestrel::FormatArg list[] = {kestrel::FormatArg(args)...};
    _XYLog(startTime, format, list);
  }
}
