// The library on generated logs: import speed, size against the logs, search
// (first 50 and full count) for fixed query sets against ripgrep counting the
// same terms over the same logs in UTF-8, terms of 32 and 256 characters,
// and the thread of a message.
// Prints each figure beside its target, measured in this run.
//
//   library_bench [MB] [DIR]    (default 40 MB in a temporary directory)
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/cp932.h"
#include "core/text/linereader.h"
#include "benchclock.h"
#include "loggen.h"

namespace fs = std::filesystem;
using pelarin::bench::Clock;
using pelarin::bench::cpuSeconds;
using pelarin::bench::since;

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

template <typename F>
double timed(F&& f, int runs = 5) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    t.push_back(since(start));
  }
  return median(t);
}

std::string shellQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

void line(const char* what, double value, const char* unit, const char* target, bool met) {
  std::printf("%-44s %12.3f %-6s target %-10s %s\n", what, value, unit, target, met ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t megabytes = argc > 1 ? std::stoull(argv[1]) : 40;
  fs::path root;
  if (argc > 2) {
    root = argv[2];
    fs::create_directories(root);
  } else {
    std::string pattern = (fs::temp_directory_path() / "pelarin-library-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    root = pattern;
  }
  const fs::path logs = root / "logs", utf8 = root / "utf8", work = root / "work";
  fs::create_directories(logs);
  fs::create_directories(utf8);
  fs::create_directories(work);
  fs::remove(pelarin::Library::fileIn(work));

  // Logs of at most 50 MB each, one host apiece, so numbers do not collide.
  std::vector<fs::path> files;
  uint64_t logBytes = 0;
  int64_t generated = 0;
  for (uint64_t done = 0, seed = 1; done < megabytes; ++seed) {
    const uint64_t mb = std::min<uint64_t>(50, megabytes - done);
    const fs::path file = logs / ("host" + std::to_string(seed) + ".log");
    const auto stats = pelarin::bench::generateLog(file, mb << 20, seed);
    logBytes += stats.bytes;
    generated += stats.messages;
    files.push_back(file);
    done += mb;
  }
  std::printf("logs: %zu files, %.1f MB, %lld messages\n", files.size(), static_cast<double>(logBytes) / 1e6,
              static_cast<long long>(generated));

  pelarin::Library library(work);
  const double cpu0 = cpuSeconds();
  const auto importStart = Clock::now();
  int64_t added = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    pelarin::AppState state;
    pelarin::LineReader in(files[i], pelarin::LineReader::Form::Guess);
    added += library.importLog(in, "host" + std::to_string(i + 1), state).added;
  }
  const double importWall = since(importStart), importCpu = cpuSeconds() - cpu0;
  // The log's transaction passed through the write-ahead log; what stays is the database.
  library.database().exec("PRAGMA wal_checkpoint(TRUNCATE)");
  const auto dbBytes = library.stats().databaseBytes;
  std::printf("library: %lld messages, %.1f MB\n\n", static_cast<long long>(added), static_cast<double>(dbBytes) / 1e6);
  const double mbps = static_cast<double>(logBytes) / 1e6 / importWall;
  line("import, MB of log per second (wall)", mbps, "MB/s", ">= 5", mbps >= 5);
  std::printf("%-44s %12.3f %-6s (CPU of this process; the machine is shared)\n", "import, MB of log per CPU second",
              static_cast<double>(logBytes) / 1e6 / importCpu, "MB/s");
  const double ratio = static_cast<double>(dbBytes) / static_cast<double>(logBytes);
  line("database size / logs size", ratio, "x", "<= 3", ratio <= 3);

  // ripgrep's input: the same logs in UTF-8.
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream out(utf8 / f.filename(), std::ios::binary);
    out << pelarin::cp932ToUtf8(bytes);
  }

  struct Set {
    const char* name;
    std::vector<std::string> terms;
  };
  const std::vector<Set> sets = {
      {"1 character", {"雨", "本", "辞", "速", "猫"}},
      {"2 characters", {"設定", "予定", "通信", "漢字", "週末"}},
      {"3+ characters", {"モデム", "掲示板", "設定ファイル", "フリーソフト", "誤変換"}},
  };
  std::printf("\n%-14s %-14s %10s %10s %10s %10s %8s\n", "set", "term", "matches", "first50 ms", "count ms",
              "rg -c ms", "rg/ours");
  for (const Set& set : sets) {
    std::vector<double> first, full, rg, ratios;
    for (const std::string& term : set.terms) {
      const std::vector<std::string> q = pelarin::splitTerms(term);
      size_t matches = 0;
      const double f = timed([&] { library.search(q, {}, 50); });
      const double c = timed([&] { matches = library.count(q, {}); });
      const std::string cmd = "rg -c --fixed-strings " + shellQuoted(term) + " " + shellQuoted(utf8.string()) + " >/dev/null";
      const double r = timed([&] { (void)std::system(cmd.c_str()); }, 3);
      first.push_back(f);
      full.push_back(c);
      rg.push_back(r);
      ratios.push_back(r / std::max(c, 1e-6));
      std::printf("%-14s %-14s %10zu %10.2f %10.2f %10.1f %8.0f\n", set.name, term.c_str(), matches, f * 1e3,
                  c * 1e3, r * 1e3, r / std::max(c, 1e-6));
    }
    const std::string label = std::string(set.name) + ": ";
    line((label + "first 50, median ms").c_str(), median(first) * 1e3, "ms", "<= 50", median(first) <= 0.050);
    line((label + "full count, median ms").c_str(), median(full) * 1e3, "ms", "<= 200", median(full) <= 0.200);
    line((label + "rg -c / full count, median").c_str(), median(ratios), "x", ">= 10", median(ratios) >= 10);
  }

  // Long terms: the index is asked for a bounded part of each and the hits are
  // checked whole, so 256 characters cost about what 32 do.
  const char* const units[] = {"it,", "it ", "あ", "設定ファイル", "の、", "。"};
  std::printf("\n%-16s %10s %12s %12s %12s %8s\n", "long term of", "matches", "32 count ms", "256 count ms",
              "256 first50", "256/32");
  std::vector<double> longRatios;
  for (const char* unit : units) {
    auto repeated = [&](size_t characters) {
      std::string term;
      size_t n = 0;
      for (;;)
        for (const char* c = unit; *c; ++c) {
          if ((static_cast<unsigned char>(*c) & 0xC0) != 0x80 && n++ == characters) return term;
          term += *c;
        }
    };
    const std::vector<std::string> q32 = pelarin::splitTerms(repeated(32)),
                                   q256 = pelarin::splitTerms(repeated(256));
    size_t matches = 0;
    const double c32 = timed([&] { library.count(q32, {}); }, 3);
    const double c256 = timed([&] { matches = library.count(q256, {}); }, 3);
    const double f256 = timed([&] { library.search(q256, {}, 50); }, 3);
    longRatios.push_back(c256 / std::max(c32, 1e-6));
    std::printf("%-16s %10zu %12.2f %12.2f %12.2f %8.1f\n", unit, matches, c32 * 1e3, c256 * 1e3, f256 * 1e3,
                c256 / std::max(c32, 1e-6));
  }
  line("256-character term / 32, median", median(longRatios), "x", "<= 2", median(longRatios) <= 2);

  // Threads: messages that answer another, spread over the library.
  std::vector<int64_t> responses;
  {
    pelarin::Statement s(library.database(),
                         "SELECT id FROM messages WHERE reply > 0 AND id % 97 = 0 ORDER BY id LIMIT 50");
    while (s.step()) responses.push_back(s.integer(0));
  }
  std::vector<double> threadTimes;
  size_t longest = 0;
  for (int64_t id : responses) {
    const auto start = Clock::now();
    longest = std::max(longest, library.thread(id).size());
    threadTimes.push_back(since(start));
  }
  std::printf("\n");
  line("thread of a message, median ms", median(threadTimes) * 1e3, "ms", "<= 10", median(threadTimes) <= 0.010);
  std::printf("(%zu threads, the longest %zu messages)\n", responses.size(), longest);
  std::printf("\nfiles kept in %s\n", root.string().c_str());
  return 0;
}
