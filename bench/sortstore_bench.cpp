// SortStore on a store in random board order, against the same number of
// plain renames measured in the same run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <numeric>
#include <random>
#include <stdexcept>

#include "core/logimport/boardkey.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/sortorder.h"
#include "core/logimport/sortstore.h"
#include "core/text/cp932.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/linewriter.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

Bytes padded(Bytes text, size_t width) {
  text.resize(std::max(text.size(), width), ' ');
  return text;
}

struct Phrases {
  std::vector<Bytes> titles, names, lines;
};

const Phrases& phrases() {
  static const Phrases p = [] {
    Phrases p;
    for (const char* t : {"新着情報のお知らせ", "Re: 週末のオフ会について", "パソコン通信の思い出",
                          "【質問】モデムの設定", "今日の一言", "ソフト紹介：通信ツール"})
      p.titles.push_back(padded(utf8ToCp932(t), 32));
    for (const char* n : {"山田太郎", "鈴木花子", "ＳＹＳＯＰ", "佐藤一郎", "ﾀﾅｶ"})
      p.names.push_back(padded(utf8ToCp932(n), 16));
    for (const char* l : {"こんにちは。いつも楽しく読ませていただいています。",
                          "先日の件ですが、設定を見直したところ正常に動作しました。",
                          "１２００ｂｐｓから２４００ｂｐｓに変えたら速くなりました。", "それでは、また。",
                          "", "＞引用された一行です。", "ダウンロードは ﾌｧｲﾙｴﾘｱ からどうぞ。"})
      p.lines.push_back(utf8ToCp932(l));
    return p;
  }();
  return p;
}

// Boards from every band, mail included, in random order.
int32_t randomBoard(std::mt19937& random) {
  switch (random() % 5) {
    case 0:
      return 0;
    case 1:
      return static_cast<int32_t>(1 + random() % 99);
    case 2:
      return static_cast<int32_t>(10001 + random() % 99);
    case 3:
      return kMailKey;
    default:
      return static_cast<int32_t>(30001 + random() % 20);
  }
}

void writeMessage(const fs::path& file, std::mt19937& random) {
  const Phrases& p = phrases();
  int32_t board = randomBoard(random);
  int32_t number = board == kMailKey ? 0 : static_cast<int32_t>(1 + random() % 99999);
  LineWriter out(file);
  writeMessageKeys(out, board, number, p.titles[random() % p.titles.size()],
                   random() % 3 ? "" : IntToStr(random() % 99999), static_cast<int32_t>(random() % 9999),
                   p.names[random() % p.names.size()]);
  for (int i = 3 + static_cast<int>(random() % 4); i > 0; --i)
    out.writeLine(p.lines[random() % p.lines.size()]);
  out.close();
}

// The renames that move a store along the cycles of order (order[p]: the
// message whose file becomes message p+1), through the temporary name.
std::vector<std::pair<std::string, std::string>> cycleRenames(const fs::path& dir,
                                                              const std::vector<int32_t>& order) {
  std::vector<std::pair<std::string, std::string>> renames;
  const auto name = [&](int32_t p) { return messagePath(dir, p + 1).string(); };
  const std::string temp = (dir / kSortTempName).string();
  std::vector<bool> placed(order.size());
  for (int32_t start = 0; start < static_cast<int32_t>(order.size()); ++start) {
    if (placed[start] || order[start] == start) continue;
    renames.push_back({name(start), temp});
    int32_t p = start;
    for (; order[p] != start; p = order[p]) renames.push_back({name(order[p]), name(p)});
    renames.push_back({temp, name(p)});
    for (p = start; !placed[p]; p = order[p]) placed[p] = true;
  }
  return renames;
}

std::vector<uint64_t> readKeys(const fs::path& dir, int32_t count) {
  std::vector<uint64_t> keys;
  for (int32_t n = 1; n <= count; ++n) {
    LineReader in(messagePath(dir, n));
    Bytes board = in.readLine();
    keys.push_back(sortKey(StrToInt(board), StrToInt(in.readLine())));
  }
  return keys;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Each iteration times SortStore, then the plain renames of the inverse
// order, which restore the random store for the next iteration: the same
// cycle lengths, so the same number of renames as the sort made.
void BM_SortStoreVsRenames(benchmark::State& state) {
  const int32_t count = static_cast<int32_t>(state.range(0));
  std::string pattern = "/tmp/pelarin-sortbench-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  const fs::path dir = pattern;
  std::mt19937 random(12345);
  for (int32_t n = 1; n <= count; ++n) writeMessage(messagePath(dir, n), random);
  const std::vector<uint64_t> keys = readKeys(dir, count);
  const std::vector<int32_t> order = exchangeOrder(keys);
  std::vector<int32_t> inverse(order.size());
  for (size_t p = 0; p < order.size(); ++p) inverse[order[p]] = static_cast<int32_t>(p);
  const auto restore = cycleRenames(dir, inverse);

  double sortTime = 0, renameTime = 0;
  bool checked = false;
  for (auto _ : state) {
    auto t0 = Clock::now();
    SortStore(dir, count);
    auto t1 = Clock::now();
    if (!checked) {
      state.PauseTiming();
      auto sorted = readKeys(dir, count);
      if (!std::is_sorted(sorted.begin(), sorted.end())) state.SkipWithError("store not sorted");
      checked = true;
      state.ResumeTiming();
    }
    auto t2 = Clock::now();
    for (const auto& [from, to] : restore) {
      if (std::rename(from.c_str(), to.c_str()) != 0) state.SkipWithError("rename failed");
    }
    auto t3 = Clock::now();
    sortTime += seconds(t1 - t0);
    renameTime += seconds(t3 - t2);
    state.SetIterationTime(seconds(t1 - t0));
  }
  fs::remove_all(dir);

  const double iterations = static_cast<double>(state.iterations());
  state.counters["renames"] = static_cast<double>(restore.size());
  state.counters["sort_ms"] = 1000 * sortTime / iterations;
  state.counters["renames_ms"] = 1000 * renameTime / iterations;
  state.counters["ratio"] = sortTime / renameTime;
  std::printf("SortStore %d messages: %.1f ms, %zu plain renames %.1f ms, ratio %.2f (target <= 3)\n", count,
              1000 * sortTime / iterations, restore.size(), 1000 * renameTime / iterations,
              sortTime / renameTime);
}
BENCHMARK(BM_SortStoreVsRenames)->Arg(20000)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortStoreVsRenames)->Arg(100000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The order alone, in memory: random keys, and descending keys (the most
// exchanges the procedure can make).
void BM_ExchangeOrder(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  std::vector<uint64_t> keys(n);
  std::mt19937 random(1);
  for (size_t i = 0; i < n; ++i)
    keys[i] = state.range(1) ? n - i : sortKey(randomBoard(random), random() % 99999);
  for (auto _ : state) benchmark::DoNotOptimize(exchangeOrder(keys));
}
BENCHMARK(BM_ExchangeOrder)
    ->Args({20000, 0})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelarin

BENCHMARK_MAIN();
