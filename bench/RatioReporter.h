// A console reporter that also keeps each benchmark's real time, so a program can print
// ratios to a reference measured in the same run after the table. With
// --benchmark_repetitions the median (reported after the single runs) is the one kept, and
// printSpreads gives each "x_" counter's median and spread over the repetitions.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/SpreadReporter.h"

namespace kestrel::bench {

class RatioReporter : public SpreadReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "median"))
        times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    SpreadReporter::ReportRuns(runs);
  }

  // The kept time of a benchmark in its own unit, or a negative number when it did not run.
  double time(const std::string& name) const {
    auto it = times_.find(name);
    return it == times_.end() ? -1 : it->second;
  }

  // "<what>: M unit vs R unit; ratio measured / reference = X", when both ran.
  void printRatio(const char* what, const std::string& measured, const std::string& reference,
                  const char* unit = "ms") const {
    const double m = time(measured), r = time(reference);
    if (m < 0 || r <= 0) return;
    std::printf("%s: %.1f %s vs %.1f %s; ratio %s / %s = %.2f\n", what, m, unit, r, unit, measured.c_str(),
                reference.c_str(), m / r);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace kestrel::bench
