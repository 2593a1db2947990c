// The console reporter of the benchmarks that set their figures against SQLite's: it keeps
// the median of every benchmark run with repetitions (wall and CPU time), by the
// benchmark's name and arguments, for the summary a program prints once every run is done.
#ifndef GLNAMELIST_BENCH_MEDIAN_REPORTER_H_
#define GLNAMELIST_BENCH_MEDIAN_REPORTER_H_

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace glnamelist::bench {

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double real = 0;
    double cpu = 0;
  };
  // A benchmark's name and its arguments ("1000000"; empty without).
  using Key = std::pair<std::string, std::string>;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.aggregate_name != "median") continue;
      medians_[{run.run_name.function_name, run.run_name.args}] = {run.GetAdjustedRealTime(),
                                                                   run.GetAdjustedCPUTime()};
    }
  }

  const std::map<Key, Times>& medians() const { return medians_; }
  std::optional<Times> Median(const std::string& name, const std::string& args = "") const {
    auto found = medians_.find({name, args});
    if (found == medians_.end()) return std::nullopt;
    return found->second;
  }

  // One line of a summary: ours beside base, wall time with CPU time in brackets, their
  // ratios and the target (none when 0). Nothing when either did not run.
  void Line(const std::string& ours, const std::string& base, double target) const {
    std::optional<Times> o = Median(ours), b = Median(base);
    if (!o || !b) return;
    std::printf("%-16s %9.2f (%8.2f) %9.2f (%8.2f) %6.2fx (%6.2fx)", ours.c_str(), o->real, o->cpu,
                b->real, b->cpu, o->real / b->real, o->cpu / b->cpu);
    if (target > 0) std::printf(" %9.0f", target);
    std::printf("\n");
  }
  // The heading of such lines.
  static void LineHeading(const char* base) {
    std::printf("%-16s %20s %20s %16s %10s\n", "case", "ms", base, "ratio", "target ms");
  }

 private:
  std::map<Key, Times> medians_;
};

}  // namespace glnamelist::bench

#endif  // GLNAMELIST_BENCH_MEDIAN_REPORTER_H_
