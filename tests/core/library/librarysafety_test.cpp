// The library's file under faults: damage, a newer schema, a writer killed
// in the middle of a log, a reader beside a writer.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/linereader.h"
#include "librarylogs.h"
#include "support/tempdir.h"

extern char** environ;

namespace pelarin {
namespace {

using testing::boardLog;
using testing::LogMessage;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

std::vector<LogMessage> manyMessages(int count, int first = 1) {
  std::vector<LogMessage> out;
  for (int i = 0; i < count; ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%05d", (first + i) % 100000);
    out.push_back({number, "題名" + std::to_string(i),
                   {"東京都の天気は晴れ、京都は雨でした。", "モデムの設定を変えたら速くなりました。",
                    "Thanks for the info " + std::to_string(i), "以上、よろしくお願いします。"}});
  }
  return out;
}

void importFile(Library& library, const std::filesystem::path& log) {
  AppState state;
  LineReader in(log, LineReader::Form::Guess);
  library.importLog(in, "pelnet", state);
}

// Everything a command might do with the file, so damage anywhere shows.
void useFully(const std::filesystem::path& dir) {
  Library library(dir);
  for (int64_t id : library.search({}, {})) library.message(id);
  library.count(splitTerms("東京"), {});
  library.stats();
}

std::string damagedText() { return "ライブラリのファイルが壊れているか、ライブラリのファイルではありません。"; }

TEST(LibraryFile, GarbageTruncatedForeignAndNewerFilesAreRefused) {
  {
    TempDir dir;
    writeFile(Library::fileIn(dir.path()), Bytes(16384, 'x'));
    try {
      Library library(dir.path());
      FAIL() << "a file of garbage was opened";
    } catch (const LibraryError& e) {
      EXPECT_NE(std::string(e.what()).find(damagedText()), std::string::npos) << e.what();
    }
  }
  {
    TempDir dir, logs;
    writeFile(logs / "big.log", boardLog("３", manyMessages(3000)));
    {
      Library library(dir.path());
      importFile(library, logs / "big.log");
    }
    const auto file = Library::fileIn(dir.path());
    ASSERT_FALSE(std::filesystem::exists(file.string() + "-wal"));
    const Bytes whole = readFile(file);
    for (size_t keep : {whole.size() / 2, whole.size() / 10, size_t{4096}, size_t{100}}) {
      writeFile(file, whole.substr(0, keep));
      EXPECT_THROW(useFully(dir.path()), LibraryError) << keep;
    }
    // Pages overwritten in the middle: SQLite cannot tell all of it from
    // data, but what it finds is an error of the library, never a crash.
    Bytes scribbled = whole;
    for (size_t i = whole.size() / 3; i < whole.size() / 3 + 20000 && i < whole.size(); ++i)
      scribbled[i] = static_cast<char>(i * 7);
    writeFile(file, scribbled);
    try {
      useFully(dir.path());
    } catch (const LibraryError&) {
    }
  }
  {
    TempDir dir;
    {
      Database other(Library::fileIn(dir.path()));
      other.exec("CREATE TABLE notes(text)");
    }
    EXPECT_THROW(Library library(dir.path()), LibraryError);
  }
  {
    TempDir dir;
    { Library library(dir.path()); }
    {
      Database raw(Library::fileIn(dir.path()));
      raw.exec(("PRAGMA user_version=" + std::to_string(kLibrarySchema + 1)).c_str());
    }
    try {
      Library library(dir.path());
      FAIL() << "a newer schema was opened";
    } catch (const LibraryError& e) {
      EXPECT_NE(std::string(e.what()).find("より新しい版"), std::string::npos) << e.what();
    }
  }
}

// A library of the first version (the second only added a table) is
// upgraded where it lies, once, and keeps everything it held.
TEST(LibraryFile, AFirstVersionLibraryIsUpgradedInPlaceKeepingAllItHolds) {
  TempDir dir, logs;
  writeFile(logs / "a.log", boardLog("３", manyMessages(30)));
  {
    Library library(dir.path());
    importFile(library, logs / "a.log");
  }
  {
    Database raw(Library::fileIn(dir.path()));
    raw.exec("DROP TABLE queue_taken; PRAGMA user_version=1");
  }
  for (int open = 0; open < 2; ++open) {
    Library library(dir.path());
    Statement version(library.database(), "PRAGMA user_version");
    ASSERT_TRUE(version.step());
    EXPECT_EQ(version.integer(0), kLibrarySchema);
    EXPECT_EQ(library.count(splitTerms("モデム"), {}), 30u);
    EXPECT_EQ(library.stats().logs, 1);
    Statement taken(library.database(), "SELECT count(*) FROM queue_taken");
    ASSERT_TRUE(taken.step());
    EXPECT_EQ(taken.integer(0), 0);
  }
  Library library(dir.path());
  writeFile(logs / "b.log", boardLog("３", manyMessages(5, 31)));
  importFile(library, logs / "b.log");
  EXPECT_EQ(library.count({}, {}), 35u);
}

// pelarin-cli importing a large log is read beside, then killed in the middle:
// the library is as it was before that log, and goes on working.
TEST(LibraryFile, AKillDuringAnImportLeavesTheLibraryAsBeforeThatLog) {
  TempDir dir, logs;
  writeFile(logs / "first.log", boardLog("３", manyMessages(50)));
  writeFile(logs / "big.log", boardLog("４", manyMessages(60000)));
  writeFile(logs / "after.log", boardLog("５", manyMessages(10)));
  {
    Library library(dir.path());
    importFile(library, logs / "first.log");
  }

  const std::string cli = PELARIN_CLI, dirArg = dir.path().string(), log = (logs / "big.log").string();
  const char* argv[] = {cli.c_str(), "library", "-C", dirArg.c_str(), "add", log.c_str(), nullptr};
  pid_t child = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ASSERT_EQ(posix_spawn(&child, cli.c_str(), &actions, nullptr, const_cast<char**>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // The writer's transaction is open once its log's source is written; a
  // reader meanwhile sees the library before it, without waiting.
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  {
    Library reader(dir.path());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(reader.count({}, {}), 50u);
    EXPECT_EQ(reader.search(splitTerms("東京都"), {}).size(), 50u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, WNOHANG), 0) << "the import ended before the kill: make the log larger";
  kill(child, SIGKILL);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));

  Library library(dir.path());
  EXPECT_EQ(library.count({}, {}), 50u);
  EXPECT_EQ(library.count(splitTerms("モデム"), {}), 50u);
  EXPECT_EQ(library.stats().logs, 1);
  Statement check(library.database(), "PRAGMA integrity_check");
  ASSERT_TRUE(check.step());
  EXPECT_EQ(check.text(0), "ok");
  check.reset();
  importFile(library, logs / "after.log");
  EXPECT_EQ(library.count({}, {}), 60u);
}

}  // namespace
}  // namespace pelarin
