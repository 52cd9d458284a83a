// kelo_soak: many channels of the player, with the FFmpeg decoder beside it,
// opened, fed, driven through every control and closed, round after round,
// while the process's memory, descriptors and threads are sampled. It passes
// when, after the warm-up, memory grows less than 5 %, descriptors and
// threads are back at their idle counts whenever every channel is closed,
// and no operation returned what it should not.
//
//   kelo_soak --seconds S --channels N --out DIR [--sample-every S]
//             [--warm-up FRACTION] STREAM.kst...
//
// Channel n plays stream n modulo the number of streams. The table of
// samples goes to DIR/soak-driver.tsv and, as it is taken, to the output.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ChannelCycle.h"
#include "Kelo820_PlaySDK.h"
#include "OperationTally.h"
#include "ProcessSample.h"
#include "StreamFile.h"

namespace {

struct Options {
  double seconds = 60;
  int channels = 16;
  std::string out = "soak-out";
  double sampleEvery = 5;
  double warmUp = 0.25;  // of the run
  std::vector<std::string> streams;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int at = 1; at < argc; ++at) {
    const std::string argument = argv[at];
    const bool hasValue = at + 1 < argc;
    if (argument == "--seconds" && hasValue) {
      options->seconds = std::atof(argv[++at]);
    } else if (argument == "--channels" && hasValue) {
      options->channels = std::atoi(argv[++at]);
    } else if (argument == "--out" && hasValue) {
      options->out = argv[++at];
    } else if (argument == "--sample-every" && hasValue) {
      options->sampleEvery = std::atof(argv[++at]);
    } else if (argument == "--warm-up" && hasValue) {
      options->warmUp = std::atof(argv[++at]);
    } else if (argument.rfind("--", 0) == 0) {
      return false;
    } else {
      options->streams.push_back(argument);
    }
  }
  return options->seconds > 0 && options->channels >= 1 && options->channels <= 32 &&
         options->sampleEvery > 0 && options->warmUp >= 0 && options->warmUp < 1 &&
         !options->streams.empty();
}

// One row of the table: "busy" rows come from the clock while the channels
// run, "idle" rows from the moments every channel is closed between rounds.
struct Row {
  double seconds;
  const char* kind;
  soak::ProcessSample sample;
  uint32_t rounds;
  uint64_t operations;
  uint64_t failures;
};

class Table {
 public:
  explicit Table(const std::string& path) : file_(path) {
    const char* heading =
        "seconds\tkind\trss_kb\tfds\tthreads\trounds\toperations\tfailures\theap_kb";
    file_ << heading << "\n";
    std::cout << heading << std::endl;
  }
  void Add(const Row& row) {
    char line[160];
    std::snprintf(line, sizeof(line), "%.1f\t%s\t%llu\t%d\t%d\t%u\t%llu\t%llu\t%llu", row.seconds,
                  row.kind, static_cast<unsigned long long>(row.sample.residentKb),
                  row.sample.descriptors, row.sample.threads, row.rounds,
                  static_cast<unsigned long long>(row.operations),
                  static_cast<unsigned long long>(row.failures),
                  static_cast<unsigned long long>(row.sample.heapKb));
    std::lock_guard<std::mutex> lock(mutex_);
    file_ << line << "\n";
    file_.flush();
    std::cout << line << std::endl;
    rows_.push_back(row);
  }
  std::vector<Row> IdleRows() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Row> idle;
    for (const Row& row : rows_) {
      if (std::string(row.kind) == "idle") idle.push_back(row);
    }
    return idle;
  }

 private:
  mutable std::mutex mutex_;
  std::ofstream file_;
  std::vector<Row> rows_;
};

// Starts the channels on a round together and waits until all have closed
// their streams, so that the process can be sampled with nothing open.
class Rounds {
 public:
  explicit Rounds(int channels) : channels_(channels) {}

  // For the coordinator: starts round |round| and returns once every
  // channel has finished it.
  void RunRound(uint32_t round) {
    std::unique_lock<std::mutex> lock(mutex_);
    started_ = round + 1;
    finished_ = 0;
    wake_.notify_all();
    wake_.wait(lock, [this] { return finished_ == channels_; });
  }
  void Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
  }
  // For a channel: waits for the round after |done| rounds; false to stop.
  bool AwaitRound(uint32_t done) {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [&] { return stopping_ || started_ > done; });
    return !stopping_;
  }
  void Finished() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++finished_;
    wake_.notify_all();
  }

 private:
  const int channels_;
  std::mutex mutex_;
  std::condition_variable wake_;
  uint32_t started_ = 0;  // rounds started
  int finished_ = 0;      // channels done with the current round
  bool stopping_ = false;
};

// Of a span of samples; enough of them for the comparison.
constexpr double kSpan = 0.25;
constexpr size_t kSpanSamples = 3;

uint64_t Median(std::vector<uint64_t> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// The pass rule; prints why it fails.
bool Judge(const std::vector<Row>& idle, double seconds, double warmUp,
           const soak::OperationTally& tally) {
  bool passed = true;
  const Row& first = idle.front();
  std::cout << "\nidle counts (all channels closed, before the first round): "
            << first.sample.descriptors << " descriptors, " << first.sample.threads << " threads\n";
  int leaks = 0;
  for (const Row& row : idle) {
    if (row.sample.descriptors != first.sample.descriptors ||
        row.sample.threads != first.sample.threads) {
      if (leaks++ < 5) {
        std::cout << "FAIL: after round " << row.rounds << " (" << row.seconds << " s) "
                  << row.sample.descriptors << " descriptors and " << row.sample.threads
                  << " threads with every channel closed\n";
      }
      passed = false;
    }
  }
  if (leaks == 0) {
    std::cout << "descriptors and threads back at their idle counts after each of "
              << idle.size() - 1 << " rounds\n";
  }
  // Single samples scatter by several per cent with what the allocator keeps
  // between rounds, so each end of the comparison is the median of a span:
  // the quarter of the run after the warm-up, and the last quarter.
  std::vector<uint64_t> warm;
  std::vector<uint64_t> late;
  std::vector<uint64_t> warmHeap;
  std::vector<uint64_t> lateHeap;
  const double lastSeconds = idle.back().seconds;
  for (const Row& row : idle) {
    if (row.rounds == 0) continue;
    const double at = row.seconds / seconds;
    if (at >= warmUp && (at < warmUp + kSpan || warm.size() < kSpanSamples)) {
      warm.push_back(row.sample.residentKb);
      warmHeap.push_back(row.sample.heapKb);
    }
    if (row.seconds >= lastSeconds * (1 - kSpan)) {
      late.push_back(row.sample.residentKb);
      lateHeap.push_back(row.sample.heapKb);
    }
  }
  for (auto it = idle.rbegin(); late.size() < kSpanSamples && it != idle.rend(); ++it) {
    if (it->seconds < lastSeconds * (1 - kSpan)) {
      late.push_back(it->sample.residentKb);
      lateHeap.push_back(it->sample.heapKb);
    }
  }
  if (warm.size() < kSpanSamples || idle.size() < 2 * kSpanSamples + 2) {
    std::cout << "FAIL: too few rounds after the warm-up to judge memory\n";
    passed = false;
  } else {
    const uint64_t warmKb = Median(warm);
    const uint64_t lateKb = Median(late);
    const double growth = 100.0 * (static_cast<double>(lateKb) / static_cast<double>(warmKb) - 1);
    std::printf(
        "resident memory with every channel closed: %llu kB at the start, %llu kB after the "
        "warm-up (median of %zu samples from %.0f s), %llu kB at the end (median of the last "
        "%zu): %+.2f %%\n",
        static_cast<unsigned long long>(first.sample.residentKb),
        static_cast<unsigned long long>(warmKb), warm.size(), warmUp * seconds,
        static_cast<unsigned long long>(lateKb), late.size(), growth);
    std::printf(
        "heap in use with every channel closed: %llu kB after the warm-up, %llu kB at the end\n",
        static_cast<unsigned long long>(Median(warmHeap)),
        static_cast<unsigned long long>(Median(lateHeap)));
    if (growth >= 5) {
      std::cout << "FAIL: memory grew by 5 % or more after the warm-up\n";
      passed = false;
    }
  }
  const Row& last = idle.back();
  std::cout << tally.Operations() << " operations in " << last.rounds << " rounds, "
            << tally.Failures() << " unexpected results\n";
  for (const std::string& line : tally.Summary()) std::cout << "  " << line << "\n";
  if (tally.Failures() > 0) {
    for (const std::string& line : tally.FailureSamples()) std::cout << "FAIL: " << line << "\n";
    passed = false;
  }
  return passed;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::cerr << "usage: " << argv[0]
              << " --seconds S --channels 1..32 --out DIR [--sample-every S]"
                 " [--warm-up FRACTION] STREAM.kst...\n";
    return 2;
  }
  SinglePlayer* player = CreateSinglePlayerDll();
  if (player == nullptr) {
    std::cerr << "CreateSinglePlayerDll returned null\n";
    return 1;
  }
  soak::OperationTally tally;
  tally.Note("Play_InitDDraw", -1, 0, player->Play_InitDDraw(nullptr), {0});
  uint32_t headerLength = 0;
  player->Play_GetHeadLen(&headerLength);
  std::vector<demo_viewer::StreamFile> streams(options.streams.size());
  for (size_t index = 0; index < streams.size(); ++index) {
    std::string error;
    if (!demo_viewer::LoadStreamFile(options.streams[index], headerLength, &streams[index],
                                     &error)) {
      std::cerr << error << "\n";
      return 1;
    }
  }

  Rounds rounds(options.channels);
  std::vector<std::unique_ptr<soak::ChannelCycle>> cycles;
  std::vector<std::thread> threads;
  for (int channel = 0; channel < options.channels; ++channel) {
    cycles.push_back(std::make_unique<soak::ChannelCycle>(
        *player, channel, streams[static_cast<size_t>(channel) % streams.size()],
        options.out + "/capture-ch" + std::to_string(channel) + ".bmp", tally));
    threads.emplace_back([&rounds, cycle = cycles.back().get()] {
      for (uint32_t done = 0; rounds.AwaitRound(done); ++done) {
        cycle->Run(done);
        rounds.Finished();
      }
    });
  }

  Table table(options.out + "/soak-driver.tsv");
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  uint32_t done = 0;
  std::mutex doneMutex;
  const auto addRow = [&](const char* kind) {
    uint32_t finished;
    {
      std::lock_guard<std::mutex> lock(doneMutex);
      finished = done;
    }
    table.Add(Row{elapsed(), kind, soak::SampleThisProcess(), finished, tally.Operations(),
                  tally.Failures()});
  };

  // The clock's samples, from a thread of its own that exists from the start
  // (so that the idle counts include it).
  std::mutex samplerMutex;
  std::condition_variable samplerWake;
  bool samplerStopping = false;
  std::thread sampler([&] {
    std::unique_lock<std::mutex> lock(samplerMutex);
    while (!samplerWake.wait_for(lock, std::chrono::duration<double>(options.sampleEvery),
                                 [&] { return samplerStopping; })) {
      lock.unlock();
      addRow("busy");
      lock.lock();
    }
  });

  // With every channel closed the heap's freed pages go back to the system
  // first: what is left resident is what is still allocated, which a leak
  // makes grow, rather than the allocator's caches, which come and go.
  const auto addIdleRow = [&] {
    malloc_trim(0);
    addRow("idle");
  };
  addIdleRow();
  while (elapsed() < options.seconds) {
    rounds.RunRound(done);
    {
      std::lock_guard<std::mutex> lock(doneMutex);
      ++done;
    }
    addIdleRow();
  }
  {
    std::lock_guard<std::mutex> lock(samplerMutex);
    samplerStopping = true;
  }
  samplerWake.notify_all();
  sampler.join();
  rounds.Stop();
  for (std::thread& thread : threads) thread.join();

  uint64_t captures = 0;
  for (const auto& cycle : cycles) captures += cycle->CapturesWritten();
  std::cout << "captures written: " << captures << " of "
            << done * static_cast<uint32_t>(options.channels) << " requests\n";
  tally.Note("Play_ReleaseDDraw", -1, done, player->Play_ReleaseDDraw(), {0});
  ReleaseSinglePlayerDll(player);

  const bool passed = Judge(table.IdleRows(), options.seconds, options.warmUp, tally);
  std::cout << (passed ? "soak passed" : "soak FAILED") << "\n";
  return passed ? 0 : 1;
}
