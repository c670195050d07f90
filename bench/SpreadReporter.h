// A console reporter that keeps, for every case, the value of each ratio counter ("x_...")
// in every repetition, and prints after the table each ratio's median with its spread
// (lowest and highest repetition). Run with --benchmark_repetitions=N for a spread.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::bench {

class SpreadReporter : public benchmark::ConsoleReporter {
 public:
  SpreadReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      std::string name = run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
      if (std::find(order_.begin(), order_.end(), name) == order_.end()) order_.push_back(name);
      for (const auto& [counter, value] : run.counters)
        if (counter.rfind("x_", 0) == 0) values_[{name, counter}].push_back(value.value);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // One line per case and ratio: "CASE  x_ref  median  (low ... high, n repetitions)".
  void printSpreads() const {
    if (values_.empty()) return;
    std::printf("\n%-52s %-12s %7s  %s\n", "case", "ratio", "median", "spread");
    for (const auto& name : order_)
      for (const auto& [key, list] : values_) {
        if (key.first != name) continue;
        std::vector<double> v = list;
        std::sort(v.begin(), v.end());
        double median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
        std::printf("%-52s %-12s %7.2f  (%.2f ... %.2f, %zu repetitions)\n", name.c_str(), key.second.c_str(), median,
                    v.front(), v.back(), v.size());
      }
  }

 private:
  std::vector<std::string> order_;
  std::map<std::pair<std::string, std::string>, std::vector<double>> values_;
};

}  // namespace kestrel::bench
