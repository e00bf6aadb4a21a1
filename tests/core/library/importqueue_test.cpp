// The queue of logs waiting for the library, and the record that ties an
// entry's end to its log's import.
#include "core/library/importqueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/logimport/splitlog.h"
#include "core/text/linereader.h"
#include "core/text/progress.h"
#include "librarylogs.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::boardLog;
using testing::TempDir;
using testing::writeFile;

TEST(ImportQueue, KeepsLogsInOrderByTheirBytesAndSeesWhichChangedOrWent) {
  TempDir dir, logs;
  const auto a = logs / "a.log", b = logs / "\x83\x65.log";  // a name that is no UTF-8
  writeFile(a, boardLog("３", {{"00001", "題"}}));
  writeFile(b, boardLog("３", {{"00002", "題"}}));
  {
    ImportQueue queue(dir.path());
    queue.add(a, "pelnet");
    queue.add(b, "");
  }
  ImportQueue queue(dir.path());
  auto entries = queue.entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].path, a);
  EXPECT_EQ(entries[0].host, "pelnet");
  EXPECT_EQ(entries[0].size, std::filesystem::file_size(a));
  EXPECT_EQ(entries[1].path.native(), b.native());
  EXPECT_NE(entries[0].ticket, entries[1].ticket);
  for (const QueuedLog& entry : entries) EXPECT_EQ(stateOf(entry), QueuedLogState::AsQueued);

  // Of the same size, only its time tells it was written again.
  std::filesystem::last_write_time(a, std::filesystem::last_write_time(a) + std::chrono::seconds(1));
  EXPECT_EQ(stateOf(entries[0]), QueuedLogState::Changed);
  writeFile(a, boardLog("３", {{"00001", "題"}, {"00003", "題"}}));
  EXPECT_EQ(stateOf(entries[0]), QueuedLogState::Changed);
  std::filesystem::remove(b);
  EXPECT_EQ(stateOf(entries[1]), QueuedLogState::Gone);

  queue.remove(entries[0].ticket);
  entries = queue.entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].path.native(), b.native());
}

// The record of a ticket is in the library exactly when the log's import
// committed: also for a log it held already, never for one cut short.
TEST(ImportQueue, AnEntryIsRecordedTakenInTheImportsOwnTransaction) {
  TempDir dir, logs;
  writeFile(logs / "a.log", boardLog("３", {{"00001", "題"}, {"00002", "題"}}));
  Library library(dir.path());
  auto importWith = [&](int64_t ticket, Progress* progress) {
    AppState state;
    LineReader in(logs / "a.log", LineReader::Form::Guess);
    library.importLog(in, "pelnet", state, progress, [&] { recordTaken(library, ticket); });
  };
  Progress cut;
  cut.abandon = true;
  EXPECT_THROW(importWith(1, &cut), SplitStoppedError);
  EXPECT_FALSE(wasTaken(library, 1));
  importWith(2, nullptr);
  importWith(3, nullptr);  // seen before: nothing added, the record still made
  EXPECT_TRUE(wasTaken(library, 2));
  EXPECT_TRUE(wasTaken(library, 3));
  EXPECT_EQ(library.stats().messages, 2);
  forgetTaken(library, 2);
  EXPECT_FALSE(wasTaken(library, 2));
}

}  // namespace
}  // namespace pelarin
