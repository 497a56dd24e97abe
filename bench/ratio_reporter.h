// A console reporter that keeps each benchmark's real time, so that a run
// can print the ratio of two benchmarks measured in it.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  // The time of the first benchmark whose name begins with prefix, or 0.
  double Time(const std::string& prefix) const {
    for (const auto& [name, time] : times_)
      if (name.rfind(prefix, 0) == 0) return time;
    return 0;
  }
  // The time of the benchmark's largest argument over its smallest.
  void PrintGrowth(const std::string& prefix) const {
    double first = 0, last = 0;
    long smallest = -1, largest = -1;
    for (const auto& [name, time] : times_) {
      if (name.rfind(prefix, 0) != 0) continue;
      const long arg = std::atol(name.c_str() + prefix.size());
      if (smallest < 0 || arg < smallest) smallest = arg, first = time;
      if (largest < 0 || arg > largest) largest = arg, last = time;
    }
    if (first > 0 && largest > smallest)
      std::printf("  %-32s %ld -> %ld: %.1f\n", prefix.c_str(), smallest, largest, last / first);
  }
  void PrintRatio(const char* what, const std::string& numerator, const std::string& denominator) const {
    const double a = Time(numerator), b = Time(denominator);
    if (a > 0 && b > 0) std::printf("\n%s: %.1f\n", what, a / b);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace bench
