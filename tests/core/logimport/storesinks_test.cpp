// A sorted load writes each message once, in its place: the files are those
// of a load in the log's order followed by the sort, also for a log too large
// to hold, a load stopped part-way, and a write that fails while placing.
#include "core/logimport/storesinks.h"

#include <gtest/gtest.h>

#include <map>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/logimport/logloading.h"
#include "core/logimport/sortstore.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::filesIn;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

const fs::path kSamples = PELARIN_SAMPLES;

struct Store {
  TempDir dir;
  AppState state;
  AppHost host;
  Store() {
    SetDefaults(state, host);
    state.WorkDir = dir.text();
    state.SortMes = 0;
  }
};

// The old way: every message to its file in the log's order, then the renames.
std::map<std::string, Bytes> splitThenSorted(const fs::path& log, int32_t* count) {
  Store s;
  try {
    s.state.MesCount = SplitLog(log, 1, s.state) - 1;
  } catch (const SplitStoppedError& e) {
    s.state.MesCount = e.next() - 1;
  }
  SortStore(s.dir.path(), s.state.MesCount, &s.state.Index);
  *count = s.state.MesCount;
  return filesIn(s.dir.path());
}

Bytes stoppingLog() {
  Bytes log = readFile(kSamples / "pelnet-0402.log");
  return log + "#Fc.00~31\r\nmore\r\n";
}

TEST(SortedStoreSink, WritesTheFilesOfASplitAndASort) {
  TempDir logs;
  writeFile(logs / "stops.log", stoppingLog());
  for (const fs::path& log : {kSamples / "sample.log", kSamples / "pelnet-0402.log", logs / "stops.log"})
    for (size_t hold : {SortedStoreSink::kHoldBytes, size_t{0}, size_t{2000}}) {
      int32_t expectedCount = 0;
      const auto expected = splitThenSorted(log, &expectedCount);
      ASSERT_GT(expectedCount, 3);
      Store s;
      SortedStoreSink sink(s.state, 1, hold);
      LineReader in(log);
      try {
        s.state.MesCount = SplitLog(in, 1, s.state, sink) - 1;
      } catch (const SplitStoppedError& e) {
        s.state.MesCount = e.next() - 1;
      }
      int32_t placed = 0;
      const bool held = sink.place(nullptr, &placed);
      EXPECT_EQ(held, hold > 2000) << log << " holding " << hold;
      if (!held) SortStore(s.dir.path(), s.state.MesCount, &s.state.Index);
      EXPECT_EQ(s.state.MesCount, expectedCount);
      EXPECT_EQ(filesIn(s.dir.path()), expected) << log << " holding " << hold;
      EXPECT_TRUE(s.state.Index.covers(expectedCount));
    }
}

// A message that cannot be written where it belongs: those before it stay,
// in order, and nothing of it or after it is left.
TEST(SortedStoreSink, AFailedWriteKeepsTheMessagesPlacedBeforeIt) {
  const fs::path log = kSamples / "pelnet-0402.log";
  int32_t count = 0;
  auto expected = splitThenSorted(log, &count);
  Store s;
  fs::create_directory(s.dir / "mes3.tmp");
  EXPECT_THROW(loadLogIntoStore(log, s.state, s.host), FileError);
  EXPECT_EQ(s.state.MesCount, 2);
  EXPECT_TRUE(s.state.Index.covers(2));
  std::map<std::string, Bytes> firstTwo;
  for (const char* name : {"mes1.tmp", "mes2.tmp"}) firstTwo[name] = expected[name];
  EXPECT_EQ(filesIn(s.dir.path()), firstTwo);
  EXPECT_TRUE(fs::is_directory(s.dir / "mes3.tmp")) << "not the store's to delete";
}

}  // namespace
}  // namespace pelarin
