// SplitLog on a generated 10 MB log against the file-system limit: a plain
// loop writing the same message files with the same bytes. Prints the ratio.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/splitlog.h"
#include "core/text/paths.h"
#include "loggen.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kLogBytes = 10ull << 20;

// The baseline reads and writes with bare stdio on purpose: it is the floor
// that the splitter's own file handling is measured against.
std::string slurp(const fs::path& file) {
  std::string bytes;
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return bytes;
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

struct Workload {
  fs::path root, log, work;
  pelarin::bench::LogStats stats;
  std::vector<std::pair<fs::path, std::string>> files;  // what SplitLog writes

  Workload() {
    std::string pattern = (fs::temp_directory_path() / "pelarin-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root = pattern;
    log = root / "capture.log";
    work = root / "work";
    fs::create_directory(work);
    stats = pelarin::bench::generateLog(log, kLogBytes, 1);
    int32_t next = split();
    if (next - 1 != stats.messages)
      std::fprintf(stderr, "warning: split wrote %d messages, the generator made %lld\n", next - 1,
                   static_cast<long long>(stats.messages));
    for (int32_t n = 1; n < next; ++n) {
      fs::path p = pelarin::messagePath(work, n);
      files.emplace_back(p, slurp(p));
    }
  }
  ~Workload() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  int32_t split() const {
    pelarin::AppHost host;
    pelarin::AppState state;
    pelarin::SetDefaults(state, host);
    state.WorkDir = pelarin::textFromPath(work) + pelarin::kSeparator;
    pelarin::ClearBoardMap(state);
    return pelarin::SplitLog(log, 1, state);
  }
};

Workload& workload() {
  static Workload w;
  return w;
}

// Each timed pass writes new files, as a load does after deleting the old
// store, and starts with no dirty pages left by the pass before, so the
// disk's write-back of one side is not charged to the other.
void settle(benchmark::State& state, const Workload& w) {
  state.PauseTiming();
  pelarin::deleteMessages(w.work, static_cast<int32_t>(w.files.size()));
  ::sync();
  state.ResumeTiming();
}

void BM_SplitLog(benchmark::State& state) {
  const Workload& w = workload();
  for (auto _ : state) {
    settle(state, w);
    benchmark::DoNotOptimize(w.split());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.stats.bytes));
  state.counters["messages"] = static_cast<double>(w.files.size());
}

void BM_PlainWrites(benchmark::State& state) {
  const Workload& w = workload();
  for (auto _ : state) {
    settle(state, w);
    for (const auto& [path, content] : w.files) {
      std::FILE* f = std::fopen(path.c_str(), "wb");
      if (!f) {
        state.SkipWithError("cannot create a message file");
        return;
      }
      std::fwrite(content.data(), 1, content.size(), f);
      std::fclose(f);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.stats.bytes));
  state.counters["messages"] = static_cast<double>(w.files.size());
}

BENCHMARK(BM_SplitLog)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(BM_PlainWrites)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

// Keeps the median times of each benchmark to print the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        median_[r.run_name.function_name] = r.GetAdjustedRealTime();
        medianCpu_[r.run_name.function_name] = r.GetAdjustedCPUTime();
      }
  }
  double median(const std::string& name) const { return find(median_, name); }
  double medianCpu(const std::string& name) const { return find(medianCpu_, name); }

 private:
  static double find(const std::map<std::string, double>& m, const std::string& name) {
    auto it = m.find(name);
    return it == m.end() ? 0 : it->second;
  }
  std::map<std::string, double> median_, medianCpu_;
};

}  // namespace

int main(int argc, char** argv) {
  // Interleave the repetitions so that a drift of the disk affects both sides.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  const Workload& w = workload();
  std::printf("log: %llu bytes, %llu lines, %lld messages generated, %zu message files written\n",
              static_cast<unsigned long long>(w.stats.bytes), static_cast<unsigned long long>(w.stats.lines),
              static_cast<long long>(w.stats.messages), w.files.size());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double split = reporter.median("BM_SplitLog"), plain = reporter.median("BM_PlainWrites");
  double splitCpu = reporter.medianCpu("BM_SplitLog"), plainCpu = reporter.medianCpu("BM_PlainWrites");
  if (split > 0 && plain > 0 && splitCpu > 0 && plainCpu > 0) {
    std::printf("SplitLog / plain writes, median real time: %.3f  (target: at most 1.3)\n", split / plain);
    std::printf("SplitLog / plain writes, median CPU time:  %.3f\n", splitCpu / plainCpu);
  }
  benchmark::Shutdown();
  return 0;
}
