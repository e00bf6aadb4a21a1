// What the main window asks of the library at each step of Next Unread and
// at each read mark, on a large library: the unread test of a stretch of the
// store (by id, and by board and number as for a loaded log), the read mark's
// write, and the search for the next board with unread messages, near and
// when nothing after is unread. Prints each figure beside its target.
//
//   readerwalk_bench DIR    (DIR holds pelarin-library.db, as library_bench leaves it; its read
//                            marks are replaced: run it on a copy)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/library/readerwalk.h"
#include "core/library/sqlite.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(const char* what, std::vector<double> ms, double target) {
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2];
  const double worst = ms.back();
  std::printf("%-44s median %8.3f ms  max %8.3f ms  (target < %.0f ms)\n", what, median, worst, target);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !fs::exists(pelarin::Library::fileIn(argv[1]))) {
    std::fprintf(stderr, "usage: readerwalk_bench DIR (DIR holding %s)\n", pelarin::kLibraryFileName);
    return 2;
  }
  pelarin::Library library(argv[1]);
  {
    // Nothing read at the start; the first write of a process checks the whole file.
    const auto start = Clock::now();
    pelarin::Transaction t(library.database());
    library.database().exec("DELETE FROM read_messages");
    t.commit();
    std::printf("%-44s %8.1f ms (once a run)\n", "first write of a run (checks the file)", msSince(start));
  }
  const pelarin::LibraryStats stats = library.stats();
  std::printf("library: %lld messages, %zu boards\n", static_cast<long long>(stats.messages),
              stats.boards.size());
  // The largest board, as a store opened from the library.
  const auto largest = std::max_element(stats.boards.begin(), stats.boards.end(),
                                        [](const auto& a, const auto& b) { return a.messages < b.messages; });
  pelarin::ReaderWalk walk(library);
  const pelarin::BoardPlace board{largest->host, largest->boardKey};
  auto start = Clock::now();
  const std::vector<int64_t> ids = walk.boardMessages(board);
  std::printf("board %d: %zu messages, listed in %.1f ms\n", board.boardKey, ids.size(), msSince(start));

  constexpr size_t kSteps = 500, kStretch = 16;
  std::vector<double> byId, byNumber, marks;
  for (size_t i = 0; i + kStretch < ids.size() && i < kSteps; ++i) {
    const std::vector<int64_t> stretch(ids.begin() + static_cast<ptrdiff_t>(i),
                                       ids.begin() + static_cast<ptrdiff_t>(i + kStretch));
    start = Clock::now();
    walk.unread(stretch);
    byId.push_back(msSince(start));
    std::vector<int64_t> found;
    // The store's key lines give the numbers: not timed.
    std::vector<int32_t> numbers;
    for (int64_t id : stretch) numbers.push_back(library.message(id).number);
    start = Clock::now();
    for (int32_t n : numbers) found.push_back(walk.idOf(board.host, board.boardKey, n));
    walk.unread(found);
    byNumber.push_back(msSince(start));
  }
  pelarin::setFlag(library, pelarin::MessageFlag::Read, {ids.front()}, true);
  for (size_t i = 1; i < ids.size() && i <= kSteps; ++i) {
    start = Clock::now();
    pelarin::setFlag(library, pelarin::MessageFlag::Read, {ids[i]}, true);
    marks.push_back(msSince(start));
  }
  report("unread test of 16 store messages by id", byId, 2);
  report("the same by board and number (a loaded log)", byNumber, 2);
  report("read mark of the shown message", marks, 2);

  std::vector<double> near;
  for (const auto& b : stats.boards) {
    if (near.size() >= 50) break;
    start = Clock::now();
    walk.unreadBoard(pelarin::BoardPlace{b.host, b.boardKey}, true);
    near.push_back(msSince(start));
  }
  report("next board with unread messages", near, 2);
  start = Clock::now();
  walk.unread(ids);
  std::printf("%-44s %8.1f ms (once a board is opened)\n", "first unread of the largest board",
              msSince(start));
  // Every board read but the first: the search past the store's end reads the rest of the library once.
  start = Clock::now();
  {
    std::vector<int64_t> rest;
    for (size_t i = 1; i < stats.boards.size(); ++i) {
      const auto more = walk.boardMessages({stats.boards[i].host, stats.boards[i].boardKey});
      rest.insert(rest.end(), more.begin(), more.end());
    }
    pelarin::setFlag(library, pelarin::MessageFlag::Read, rest, true);
  }
  std::printf("(%.0f ms marking all boards but the first read)\n", msSince(start));
  start = Clock::now();
  walk.unreadBoard(pelarin::BoardPlace{stats.boards.front().host, stats.boards.front().boardKey}, true);
  std::printf("%-44s %8.1f ms (behind the window, with Cancel)\n", "next board when nothing after is unread",
              msSince(start));
  return 0;
}
