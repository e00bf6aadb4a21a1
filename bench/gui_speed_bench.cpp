// The desktop program's speed on a generated 10 MB log, measured side by side
// in one run: start-up to the shown main window, SplitLog alone against a Load
// through the main window, next/previous steps, opening the message list, and
// the longest pause of the event loop during a load (work directories under
// DIR and under /dev/shm).
// Usage: gui_speed_bench [PASSES [DIR]]  (3 passes by default, medians; the
// work directories are made under DIR, by default the temporary directory)
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
#include "core/logimport/splitlog.h"
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
// work directory, as a first load in a fresh directory would.
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

  explicit Program(const fs::path& dir) {
    fs::current_path(dir);
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

double timeSplit(const fs::path& log, const fs::path& dir, int32_t& messages) {
  pelarin::AppHost host;
  pelarin::AppState state;
  pelarin::SetDefaults(state, host);
  state.WorkDir = pelarin::textFromPath(dir) + pelarin::kSeparator;
  pelarin::ClearBoardMap(state);
  settle();
  auto start = Clock::now();
  messages = pelarin::SplitLog(log, 1, state) - 1;
  return secondsSince(start);
}

double timeLoad(Program& p, const fs::path& log) {
  p.platform.files.push_back(QString::fromStdString(log.string()));
  settle();
  auto start = Clock::now();
  p.windows->main().Load1Click();
  flushEvents();  // the first message painted
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
  std::printf("  %-52s %9.3f %-3s  target %-10s %s\n", what, value, unit, target, ok ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  // (e) starts with the process: the toolkit's start belongs to the program's start.
  auto processStart = Clock::now();
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietHandler);
  QApplication app(argc, argv);
  pelarin::gui::installFontSubstitutions();
  double toolkit = secondsSince(processStart);
  const int kRepetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultPasses;

  Scratch scratch(argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path());
  std::vector<double> startups;
  for (int i = 0; i < 5; ++i) {
    fs::path dir = scratch.freshDir();
    auto start = Clock::now();
    Program p(dir);
    startups.push_back(secondsSince(start));
  }
  double coldStart = toolkit + startups.front();

  fs::path log = scratch.file("capture.log");
  pelarin::bench::LogStats stats = pelarin::bench::generateLog(log, kLogBytes, 1);
  std::printf("work directories under %s\n", scratch.file("").parent_path().parent_path().c_str());
  std::printf("log: %llu bytes, %llu lines, %lld messages generated\n",
              static_cast<unsigned long long>(stats.bytes), static_cast<unsigned long long>(stats.lines),
              static_cast<long long>(stats.messages));

  // (a), (b) and LoadLog alone (the split and message 1 through the window)
  // take turns in a rotating order, so a drift of the disk touches all three.
  std::vector<double> splits, loads, loadLogs;
  std::unique_ptr<Program> loaded;
  int32_t messages = 0;
  fs::path loadedDir;
  for (int r = 0; r < kRepetitions; ++r) {
    for (int k = 0; k < 3; ++k) {
      switch ((r + k) % 3) {
        case 0: {
          fs::path dir = scratch.freshDir();
          splits.push_back(timeSplit(log, dir, messages));
          fs::remove_all(dir);
          break;
        }
        case 1: {
          fs::path dir = scratch.freshDir();
          {
            Program p(dir);
            settle();
            auto start = Clock::now();
            p.windows->main().LoadLog(log);
            flushEvents();
            loadLogs.push_back(secondsSince(start));
          }
          fs::remove_all(dir);
          break;
        }
        default:
          if (loaded) {
            loaded.reset();
            fs::remove_all(loadedDir);
          }
          loadedDir = scratch.freshDir();
          loaded = std::make_unique<Program>(loadedDir);
          loads.push_back(timeLoad(*loaded, log));
          break;
      }
    }
    std::printf("  pass %d: SplitLog %.3f s, Load %.3f s (ratio %.2f), LoadLog alone %.3f s\n", r + 1,
                splits.back(), loads.back(), loads.back() / splits.back(), loadLogs.back());
  }
  if (!loaded->platform.boxes.empty())
    std::printf("warning: the load showed %zu message box(es)\n", loaded->platform.boxes.size());
  if (loaded->windows->main().state().MesCount != messages)
    std::printf("warning: the load stored %d messages, SplitLog %d\n",
                loaded->windows->main().state().MesCount, messages);

  // (c) on the store of the last load, from message 1 to kSteps + 1 and back.
  pelarin::gui::TLogview& main = loaded->windows->main();
  auto start = Clock::now();
  for (int i = 0; i < kSteps; ++i) {
    main.BtNextClick();
    flushEvents();
  }
  double forward = secondsSince(start);
  start = Clock::now();
  for (int i = 0; i < kSteps; ++i) {
    main.BtPreviousClick();
    flushEvents();
  }
  double backward = secondsSince(start);
  double stepMs = (forward + backward) * 1000 / (2 * kSteps);

  // (d) the List command on that store, until the window is painted.
  std::vector<double> lists;
  pelarin::gui::TListform& list = loaded->windows->list();
  for (int i = 0; i < kRepetitions; ++i) {
    start = Clock::now();
    list.BtListClick();
    flushEvents();
    lists.push_back(secondsSince(start));
    list.close();
    flushEvents();
  }

  double split = median(splits), load = median(loads);
  std::printf("\nPelarin desktop speed (median of %d passes where repeated; %d messages)\n", kRepetitions,
              messages);
  line("(a) SplitLog alone", split, "s", "-", true);
  line("(b) Load until message 1 shown and list built", load, "s", "<= 2 s", load <= 2.0);
  line("(b)/(a) ratio", load / split, "", "<= 1.5", load / split <= 1.5);
  std::printf("      fastest passes: SplitLog %.3f s, Load %.3f s, ratio %.2f; LoadLog alone median %.3f s\n",
              *std::min_element(splits.begin(), splits.end()), *std::min_element(loads.begin(), loads.end()),
              *std::min_element(loads.begin(), loads.end()) / *std::min_element(splits.begin(), splits.end()),
              median(loadLogs));
  line("(c) next/previous, mean per step", stepMs, "ms", "< 5 ms", stepMs < 5.0);
  line("(d) List command on that store", median(lists), "s", "< 0.5 s", median(lists) < 0.5);
  line("(e) start-up to the shown main window (cold)", coldStart, "s", "< 0.5 s", coldStart < 0.5);
  std::printf("      of which toolkit %.3f s, windows %.3f s; warm windows median %.3f s\n", toolkit,
              startups.front(), median(std::vector<double>(startups.begin() + 1, startups.end())));

  // (f) on the directory asked for and on memory, each load a fresh program.
  loaded.reset();
  const fs::path parent = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
  for (const fs::path& where : {parent, fs::path("/dev/shm")}) {
    std::error_code ec;
    if (!fs::is_directory(where, ec)) continue;
    std::vector<double> pauses;
    for (int i = 0; i < kRepetitions; ++i) pauses.push_back(longestPause(where, log));
    const double worst = *std::max_element(pauses.begin(), pauses.end());
    const std::string what = "(f) longest event-loop pause in a Load, " + where.string();
    line(what.c_str(), worst, "ms", "<= 100 ms", worst <= 100.0);
  }
  return 0;
}
