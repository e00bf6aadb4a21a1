// The progress and cancel hook of the load: what a cancel keeps, the sort
// after it, a second cancel in that sort, and the end of the program.
#include "core/text/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/lists/listbuilders.h"
#include "core/logimport/logloading.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/splitlog.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::crlf;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

// Counted messages on board 3 numbered from first downward, so the sort reverses them.
Bytes descendingLog(int first, int count) {
  Bytes log = crlf({sj("● [ BBS3 x")});
  for (int i = 0; i < count; ++i) {
    char num[8];
    std::snprintf(num, sizeof num, "%05d", first - i);
    log += crlf({"#Fc." + Bytes(num) + Bytes(5, ' ') + Bytes(32, 'T') + "    1 " + Bytes(16, 'N') +
                     Bytes(6, ' ') + "   1",
                 "-", "body"});
  }
  return log;
}

Bytes mesNumberOf(const std::filesystem::path& dir, int n) {
  return readMessageKeys(messagePath(dir, n)).MesNumber;
}

struct Case {
  const char* name;
  int sortMes;
  bool abandon;     // the program ends instead of the user's Cancel
  bool cancelSort;  // a second cancel once the sort runs
  int32_t kept;
  std::vector<const char*> numbers;  // of messages 1..kept afterwards
  bool cancelledError;               // CancelledError rather than the split's stop
};

class LoadCancel : public ::testing::TestWithParam<Case> {};

TEST_P(LoadCancel, KeepsTheCompletedMessages) {
  const Case& c = GetParam();
  TempDir dir;
  writeFile(dir / "a.log", descendingLog(20, 6));
  AppHost host;
  AppState state;
  SetDefaults(state, host);
  state.WorkDir = dir.text();
  state.SortMes = c.sortMes;
  Progress progress;
  uint64_t lastBytes = 0;
  progress.onStep = [&](const Progress& p) {
    EXPECT_GE(p.bytes.load(), lastBytes);
    lastBytes = p.bytes.load();
    auto& mutableProgress = const_cast<Progress&>(p);
    if (p.phase.load() == static_cast<int>(Progress::Phase::Reading) && p.done.load() == 3) {
      (c.abandon ? mutableProgress.abandon : mutableProgress.cancel) = true;
    }
    if (c.cancelSort && p.phase.load() == static_cast<int>(Progress::Phase::Sorting))
      mutableProgress.cancel = true;
  };
  bool stopped = false, cancelled = false;
  try {
    loadLogIntoStore(dir / "a.log", state, host, &progress);
  } catch (const SplitStoppedError& e) {
    stopped = e.cancelled();
  } catch (const CancelledError&) {
    cancelled = true;
  }
  EXPECT_EQ(cancelled, c.cancelledError);
  EXPECT_EQ(stopped, !c.cancelledError);
  EXPECT_EQ(state.MesCount, c.kept);
  std::vector<Bytes> numbers;
  for (int n = 1; n <= c.kept; ++n) numbers.push_back(mesNumberOf(dir.path(), n));
  EXPECT_EQ(numbers, std::vector<Bytes>(c.numbers.begin(), c.numbers.end()));
  EXPECT_FALSE(std::filesystem::exists(messagePath(dir.path(), c.kept + 1)));
  EXPECT_FALSE(std::filesystem::exists(dir / kSortTempName));
  EXPECT_GT(lastBytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Progress, LoadCancel,
    ::testing::Values(Case{"LogOrder", 1, false, false, 3, {"20", "19", "18"}, false},
                      Case{"SortedAfterTheCancel", 0, false, false, 3, {"18", "19", "20"}, false},
                      // The sort stops before it moves a file: log order, every file whole.
                      Case{"SecondCancelStopsTheSort", 0, false, true, 3, {"20", "19", "18"}, true},
                      Case{"ProgramEndSkipsTheSort", 0, true, false, 3, {"20", "19", "18"}, true}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(ProgressHook, WithoutCancelTheLoadCountsEveryMessageAndByte) {
  TempDir dir;
  const Bytes log = descendingLog(9, 4);
  writeFile(dir / "a.log", log);
  AppHost host;
  AppState state;
  SetDefaults(state, host);
  state.WorkDir = dir.text();
  state.SortMes = 1;
  Progress progress;
  int64_t most = 0;
  progress.onStep = [&](const Progress& p) { most = std::max(most, p.done.load()); };
  loadLogIntoStore(dir / "a.log", state, host, &progress);
  EXPECT_EQ(state.MesCount, 4);
  EXPECT_EQ(most, 3);  // the last step comes before the last message's last line
  EXPECT_LE(progress.bytes.load(), log.size());
  EXPECT_GT(progress.bytes.load(), log.size() / 2);
}

TEST(ProgressHook, ACancelledListBuildKeepsThePreviousList) {
  TempDir dir;
  writeFile(dir / "a.log", crlf({sj("Ｔhank you for accessing to ") + "HOST" + Bytes(20, ' '),
                                 sj("  Ｆ ][BBS     ][ ") + Bytes(20, 'n') + " ]("}));
  writeFile(dir / "x.bod", "old\r\n");
  writeFile(dir / "x.nam", "old\r\n");
  Progress progress;
  progress.cancel = true;
  EXPECT_THROW(MakeBoardList(dir / "a.log", dir / "x.bod", &progress), CancelledError);
  EXPECT_THROW(MakeNameList(dir / "a.log", dir / "x.nam", &progress), CancelledError);
  EXPECT_EQ(readFile(dir / "x.bod"), "old\r\n");
  EXPECT_EQ(readFile(dir / "x.nam"), "old\r\n");
  Progress fine;
  EXPECT_EQ(MakeBoardList(dir / "a.log", dir / "x.bod", &fine), 1u);
  EXPECT_GT(fine.bytes.load(), 0u);
}

}  // namespace
}  // namespace pelarin
