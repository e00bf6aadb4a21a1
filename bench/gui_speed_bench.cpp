// The desktop program's speed on a generated 10 MB log, measured side by side
// in one run on a directory on disk and on one in memory: a first Load against
// SplitLog alone, a replacing Load, a sorted Load, an Append to a full store,
// next/previous steps, opening the message list, the longest pause of the event
// loop during a load, and start-up.
// Usage: gui_speed_bench [PASSES [DISK_DIR [MEMORY_DIR]]]  (3 passes by
// default, medians; work directories are made under DISK_DIR, by default the
// temporary directory, and MEMORY_DIR, by default /dev/shm; "-" skips one)
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/logimport/splitlog.h"
#include "core/reading/messageview.h"
#include "core/text/paths.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/fonts.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "loggen.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint64_t kLogBytes = 10ull << 20;
constexpr int kDefaultPasses = 3;
constexpr int kSteps = 1000;  // each way

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void flushEvents() { QApplication::processEvents(); }

// The offscreen platform reports every window feature it lacks; noise here.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// A temporary tree, removed at the end; every measured pass gets a new, empty
// work directory, as a first load in a fresh directory would. None is removed
// before the end: on a disk mounted with online discard, deleting thousands of
// files slows whatever the disk does next, and that would be charged to the
// next measure.
class Scratch {
 public:
  explicit Scratch(const fs::path& parent) {
    std::string pattern = (parent / "pelarin-guibench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    fs::current_path(fs::temp_directory_path(), ignored);
    fs::remove_all(root_, ignored);
  }
  fs::path freshDir() {
    fs::path dir = root_ / ("work" + std::to_string(++count_));
    fs::create_directory(dir);
    return dir;
  }
  fs::path file(const char* name) const { return root_ / name; }

 private:
  fs::path root_;
  int count_ = 0;
};

// The program's windows in a work directory: the main window is shown, as
// after start-up. The work directory is the current one at creation.
struct Program {
  pelarin::gui::ScriptedPlatform platform;
  std::unique_ptr<pelarin::gui::Application> windows;

  // The loads' figures are the reader's own: the library's background import
  // is off unless asked for.
  explicit Program(const fs::path& dir, bool library = false) {
    fs::current_path(dir);
    if (!library) {
      pelarin::Library lib(dir);
      pelarin::setPreference(lib, pelarin::kImportOnLoad, "0");
    }
    windows = std::make_unique<pelarin::gui::Application>(platform);
    windows->main().show();
    flushEvents();
  }
};

// Starts from a clean page cache state for writes, so one pass's write-back
// is not charged to the next.
void settle() {
  ::sync();
  flushEvents();
}

double timeSplit(const fs::path& log, const fs::path& dir, int32_t first, int32_t& next) {
  pelarin::AppHost host;
  pelarin::AppState state;
  pelarin::SetDefaults(state, host);
  state.WorkDir = pelarin::textFromPath(dir) + pelarin::kSeparator;
  pelarin::ClearBoardMap(state);
  settle();
  auto start = Clock::now();
  next = pelarin::SplitLog(log, first, state);
  return secondsSince(start);
}

// Load or Append through the main window until message 1 is painted; the
// command builds the list on the way.
double timeCommand(Program& p, const fs::path& log, bool append) {
  p.platform.files.push_back(QString::fromStdString(log.string()));
  settle();
  auto start = Clock::now();
  if (append)
    p.windows->main().Append1Click();
  else
    p.windows->main().Load1Click();
  flushEvents();
  return secondsSince(start);
}

// A timer due every few milliseconds records how late it fires while a first
// and then a replacing Load of the log run; the longest gap less the interval.
double longestPause(const fs::path& parent, const fs::path& log) {
  constexpr int kIntervalMs = 5;
  Scratch scratch(parent);
  Program p(scratch.freshDir());
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  Clock::time_point last;
  double worst = 0;
  auto lap = [&] {
    const auto now = Clock::now();
    worst = std::max(worst, std::chrono::duration<double, std::milli>(now - last).count() - kIntervalMs);
    last = now;
  };
  QObject::connect(&timer, &QTimer::timeout, lap);
  for (int load = 0; load < 2; ++load) {
    p.platform.files.push_back(QString::fromStdString(log.string()));
    settle();
    timer.start(kIntervalMs);
    last = Clock::now();
    p.windows->main().Load1Click();
    lap();
    timer.stop();
  }
  return worst;
}

void line(const char* what, double value, const char* unit, const char* target, bool ok) {
  std::printf("  %-56s %9.3f %-3s  target %-8s %s\n", what, value, unit, target, ok ? "ok" : "MISSED");
}

struct Figures {
  std::vector<double> split, first, replacing, sorted, appendSplit, append, list, firstImporting, whileImporting;
  double stepMs = 0, readsPerStep = 0;
  int32_t messages = 0, appended = 0;
  int warnings = 0;
};

void check(Figures& f, Program& p, int32_t expected, const char* what) {
  const int32_t count = p.windows->main().state().MesCount;
  if (!p.platform.boxes.empty() || count != expected) {
    std::printf("warning: %s stored %d messages (expected %d), %zu message box(es)\n", what, count, expected,
                p.platform.boxes.size());
    ++f.warnings;
  }
}

// Every figure on one file system; each kind of measure takes its turn in a
// rotating order, so a drift of the disk touches them all alike.
Figures measure(const fs::path& parent, int passes) {
  Scratch scratch(parent);
  const fs::path log = scratch.file("capture.log"), more = scratch.file("more.log");
  pelarin::bench::LogStats stats = pelarin::bench::generateLog(log, kLogBytes, 1);
  pelarin::bench::generateLog(more, kLogBytes, 2);
  std::printf("\nwork directories under %s: log of %llu bytes, %lld messages; a second log to append\n",
              parent.c_str(), static_cast<unsigned long long>(stats.bytes),
              static_cast<long long>(stats.messages));
  Figures f;
  for (int r = 0; r < passes; ++r) {
    const bool last = r + 1 == passes;
    for (int k = 0; k < 4; ++k) {
      switch ((r + k) % 4) {
        case 0: {
          // SplitLog alone, then the second log split after it, as an Append numbers it.
          fs::path dir = scratch.freshDir();
          int32_t next = 0;
          f.split.push_back(timeSplit(log, dir, 1, next));
          f.messages = next - 1;
          int32_t end = 0;
          f.appendSplit.push_back(timeSplit(more, dir, next, end));
          f.appended = end - next;
          break;
        }
        case 1: {
          fs::path dir = scratch.freshDir();
          {
            Program p(dir);
            p.windows->main().state().SortMes = 0;
            f.sorted.push_back(timeCommand(p, log, false));
            check(f, p, f.messages ? f.messages : p.windows->main().state().MesCount, "the sorted load");
          }
          break;
        }
        case 2: {
          // The library imports each loaded log after its first message shows;
          // the next Load runs while it does.
          fs::path dir = scratch.freshDir();
          {
            Program p(dir, true);
            f.firstImporting.push_back(timeCommand(p, log, false));
            f.whileImporting.push_back(timeCommand(p, log, false));
            check(f, p, f.messages ? f.messages : p.windows->main().state().MesCount, "the load beside the import");
          }
          break;
        }
        default: {
          fs::path dir = scratch.freshDir();
          {
            Program p(dir);
            pelarin::gui::TLogview& main = p.windows->main();
            f.first.push_back(timeCommand(p, log, false));
            f.replacing.push_back(timeCommand(p, log, false));
            const int32_t stored = main.state().MesCount;
            check(f, p, f.messages ? f.messages : stored, "the load");
            if (last) {
              // From message 1 to kSteps + 1 and back, on a store of one log.
              const uint64_t reads = pelarin::messageViewReads();
              auto start = Clock::now();
              for (int i = 0; i < kSteps; ++i) {
                main.BtNextClick();
                flushEvents();
              }
              for (int i = 0; i < kSteps; ++i) {
                main.BtPreviousClick();
                flushEvents();
              }
              f.stepMs = secondsSince(start) * 1000 / (2 * kSteps);
              f.readsPerStep = static_cast<double>(pelarin::messageViewReads() - reads) / (2 * kSteps);
              pelarin::gui::TListform& list = p.windows->list();
              for (int i = 0; i < std::max(3, passes); ++i) {
                start = Clock::now();
                list.BtListClick();
                flushEvents();
                f.list.push_back(secondsSince(start));
                list.close();
                flushEvents();
              }
            }
            f.append.push_back(timeCommand(p, more, true));
            check(f, p, stored + (f.appended ? f.appended : main.state().MesCount - stored), "the append");
          }
          break;
        }
      }
    }
    std::printf(
        "  pass %d: SplitLog %.3f s, first Load %.3f s, replacing Load %.3f s, sorted Load %.3f s,"
        " split of the second log %.3f s, its Append %.3f s, Load beside the import %.3f s\n",
        r + 1, f.split.back(), f.first.back(), f.replacing.back(), f.sorted.back(), f.appendSplit.back(),
        f.append.back(), f.whileImporting.back());
  }
  return f;
}

void report(const char* where, const Figures& f, int passes) {
  const double split = median(f.split), first = median(f.first), replacing = median(f.replacing);
  const double sorted = median(f.sorted), appendSplit = median(f.appendSplit), append = median(f.append);
  const double list = median(f.list) * 1000;
  std::printf("\n%s (median of %d passes; %d messages, %d appended)\n", where, passes, f.messages,
              f.appended);
  line("SplitLog alone", split, "s", "-", true);
  line("(a) first Load, message 1 shown and list built", first, "s", "-", true);
  line("    (a) / SplitLog alone", first / split, "", "<= 1.15", first / split <= 1.15);
  line("(b) replacing Load of the same log", replacing, "s", "-", true);
  line("    (b) / first Load", replacing / first, "", "<= 1.3", replacing / first <= 1.3);
  line("(c) sorted first Load", sorted, "s", "-", true);
  line("    (c) / unsorted first Load", sorted / first, "", "<= 1.3", sorted / first <= 1.3);
  line("SplitLog of a 10 MB log after a store of one", appendSplit, "s", "-", true);
  line("(d) Append of that log to the store", append, "s", "-", true);
  line("    (d) / its SplitLog alone", append / appendSplit, "", "<= 1.2", append / appendSplit <= 1.2);
  line("(e) next/previous, mean per step", f.stepMs, "ms", "< 2 ms", f.stepMs < 2.0);
  std::printf("      message reads per step: %.2f\n", f.readsPerStep);
  line("(f) List command on the store of one log", list, "ms", "< 100 ms", list < 100);
  const double firstImporting = median(f.firstImporting), whileImporting = median(f.whileImporting);
  line("(g) first Load, library import on", firstImporting, "s", "-", true);
  line("    (g) / first Load, import off", firstImporting / first, "", "-", true);
  line("(h) replacing Load while the library imports", whileImporting, "s", "-", true);
  line("    (h) / replacing Load, import off", whileImporting / replacing, "", "-", true);
  if (f.warnings)
    std::printf("  %d warning(s) above: the figures may not compare like with like\n", f.warnings);
}

}  // namespace

int main(int argc, char** argv) {
  // Start-up starts with the process: the toolkit's start belongs to the program's start.
  auto processStart = Clock::now();
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietHandler);
  QApplication app(argc, argv);
  pelarin::gui::installFontSubstitutions();
  double toolkit = secondsSince(processStart);
  const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultPasses;
  const std::string diskArg = argc > 2 ? argv[2] : fs::temp_directory_path().string();
  const std::string memoryArg = argc > 3 ? argv[3] : "/dev/shm";

  std::vector<double> startups;
  {
    Scratch scratch(diskArg != "-" ? fs::path(diskArg) : fs::temp_directory_path());
    for (int i = 0; i < 5; ++i) {
      fs::path dir = scratch.freshDir();
      auto start = Clock::now();
      Program p(dir);
      startups.push_back(secondsSince(start));
    }
  }
  double coldStart = toolkit + startups.front();

  // Memory first: removing the disk's work directories keeps the disk and the
  // kernel busy for a while after, which would be charged to what runs next.
  std::vector<std::pair<std::string, Figures>> runs;
  if (memoryArg != "-" && fs::is_directory(memoryArg))
    runs.emplace_back("in memory, " + memoryArg, measure(memoryArg, passes));
  if (diskArg != "-") runs.emplace_back("on disk, " + diskArg, measure(diskArg, passes));
  ::sync();
  std::reverse(runs.begin(), runs.end());

  std::printf("\nPelarin desktop speed\n");
  for (const auto& [where, figures] : runs) report(where.c_str(), figures, passes);
  std::printf("\n");
  line("start-up to the shown main window (cold)", coldStart, "s", "< 0.5 s", coldStart < 0.5);
  std::printf("      of which toolkit %.3f s, windows %.3f s; warm windows median %.3f s\n", toolkit,
              startups.front(), median(std::vector<double>(startups.begin() + 1, startups.end())));

  // (f) on both directories, each load a fresh program; the worst of three.
  for (const std::string& where : {diskArg, memoryArg}) {
    std::error_code ec;
    if (where == "-" || !fs::is_directory(where, ec)) continue;
    Scratch scratch(where);
    const fs::path log = scratch.file("pause.log");
    pelarin::bench::generateLog(log, kLogBytes, 1);
    double worst = 0;
    for (int i = 0; i < 3; ++i) worst = std::max(worst, longestPause(where, log));
    const std::string what = "(f) longest event-loop pause in a Load, " + where;
    line(what.c_str(), worst, "ms", "<= 100 ms", worst <= 100.0);
  }
  return 0;
}
