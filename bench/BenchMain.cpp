// Runs the benchmarks and then prints each measurement beside its floor with
// the ratio and the target it is held to. Each figure is the CPU time (user
// and system) of the fastest repetition: on a shared machine that is the one
// least disturbed, and CPU time leaves out the waits for a core.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

class FloorReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
      auto found = fastest_.find(run.benchmark_name());
      if (found == fastest_.end() || seconds < found->second)
        fastest_[run.benchmark_name()] = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Seconds per iteration; negative when the benchmark did not run.
  double Fastest(const std::string& name) const {
    auto found = fastest_.find(name);
    return found == fastest_.end() ? -1.0 : found->second;
  }

 private:
  std::map<std::string, double> fastest_;
};

struct Comparison {
  const char* what;
  const char* measured;
  const char* floor;
  double target;      // largest ratio allowed; 0 when none is set
  double blockBytes;  // for a throughput in MB/s; 0 when none
};

const Comparison kComparisons[] = {
    {"Play_GetPlayState", "player/Play_GetPlayState", "floor/PlayM4_RefreshPlay direct", 2.0, 0},
    {"Play_PlayState, same state", "player/Play_PlayState same state",
     "floor/PlayM4_RefreshPlay direct", 2.0, 0},
    {"Play_InputData 4 KiB, block taken", "player/Play_InputData taken/4096",
     "floor/PlayM4_InputData taken/4096", 2.0, 0},
    {"Play_InputData 4 KiB, block copied", "player/Play_InputData copied/4096",
     "floor/PlayM4_InputData copied/4096", 1.1, 4096},
    {"Play_InputData 64 KiB, block copied", "player/Play_InputData copied/65536",
     "floor/PlayM4_InputData copied/65536", 1.1, 65536},
    {"Play_InputData 1 MiB, block copied", "player/Play_InputData copied/1048576",
     "floor/PlayM4_InputData copied/1048576", 1.1, 1048576},
    {"trace entry (level 1)", "player/trace entry", "floor/trace entry open-write-close", 1.25, 0},
    {"error entry", "player/error entry", "floor/error entry open-write-close", 1.25, 0},
    {"trace entry, floor with size query", "player/trace entry",
     "floor/trace entry open-write-lseek-close", 0, 0},
    {"error entry, floor with size query", "player/error entry",
     "floor/error entry open-write-lseek-close", 0, 0},
    {"ReadConfigValue", "config/ReadConfigValue", "floor/config open-read-close", 0, 0},
    {"Play_InitDDraw", "player/Play_InitDDraw", "floor/Play_InitDDraw file work", 0, 0},
};

std::string Duration(double seconds) {
  char text[32];
  if (seconds < 1e-6) {
    std::snprintf(text, sizeof text, "%.2f ns", seconds * 1e9);
  } else {
    std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
  }
  return text;
}

void PrintSummary(const FloorReporter& reporter) {
  std::printf("\n| operation | player | floor | ratio | target | player MB/s | floor MB/s |\n");
  std::printf("|---|---:|---:|---:|---|---:|---:|\n");
  for (const Comparison& comparison : kComparisons) {
    const double measured = reporter.Fastest(comparison.measured);
    const double floor = reporter.Fastest(comparison.floor);
    if (measured < 0 || floor < 0) continue;
    const double ratio = measured / floor;
    std::string target = "-";
    if (comparison.target > 0) {
      char text[32];
      std::snprintf(text, sizeof text, "<= %.2fx %s", comparison.target,
                    ratio <= comparison.target ? "met" : "MISSED");
      target = text;
    }
    std::string rates = "| - | - |";
    if (comparison.blockBytes > 0) {
      char text[64];
      std::snprintf(text, sizeof text, "| %.0f | %.0f |", comparison.blockBytes / measured / 1e6,
                    comparison.blockBytes / floor / 1e6);
      rates = text;
    }
    std::printf("| %s | %s | %s | %.2fx | %s %s\n", comparison.what, Duration(measured).c_str(),
                Duration(floor).c_str(), ratio, target.c_str(), rates.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  FloorReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintSummary(reporter);
  return 0;
}
