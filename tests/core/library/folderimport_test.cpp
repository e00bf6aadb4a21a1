#include "core/library/folderimport.h"

#include <gtest/gtest.h>

#include "core/library/library.h"
#include "core/library/sqlite.h"
#include "core/text/progress.h"
#include "librarylogs.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::boardLog;
using testing::TempDir;
using testing::writeFile;

std::vector<std::string> shownNames(const FolderLogs& found) {
  std::vector<std::string> out;
  for (const FolderLog& log : found.logs) out.push_back(log.shown);
  return out;
}

class FolderImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(logs_ / "2024" / "03");
    writeFile(logs_ / "b.log", boardLog("３", {{"00001", "一", {"a"}}, {"00002", "二", {"b"}}}));
    writeFile(logs_ / "2024" / "10.log", boardLog("３", {{"00003", "三", {"c"}}}));
    writeFile(logs_ / "2024" / "9.log", boardLog("３", {{"00004", "四", {"d"}}}));
    writeFile(logs_ / "2024" / "03" / "x.txt", boardLog("５", {{"00001", "五", {"e"}}}));
  }
  // The order the logs went in, by the names the library files them under.
  std::vector<std::string> sourceNames() {
    Statement s(library_.database(), "SELECT name FROM sources ORDER BY id");
    std::vector<std::string> out;
    while (s.step()) out.push_back(s.text(0));
    return out;
  }

  TempDir outside_;
  TempDir dir_;
  fs::path logs_ = dir_.path() / "logs";
  Library library_{dir_.path()};
  BbsTableType table_{};
};

TEST_F(FolderImportTest, SubfoldersInNameOrderWithoutLinksOrTheProgramsOwnFiles) {
  // Added from the work directory itself: the library's and the store's files are there too.
  writeFile(dir_ / "mes1.tmp", "0\r\n1\r\n");
  writeFile(dir_ / "bbs.ini", "\r\n");
  writeFile(dir_ / ".hidden.log", boardLog("３", {{"00009", "隠", {"h"}}}));
  writeFile(outside_ / "out.log", boardLog("３", {{"00008", "外", {"o"}}}));
  fs::create_symlink(outside_ / "out.log", logs_ / "a-link.log");
  fs::create_directory_symlink(dir_.path(), logs_ / "2024" / "loop");
  fs::create_directory_symlink(outside_.path(), logs_ / "c-outside");

  const FolderLogs found = findLogs({dir_.path()});
  const std::string work = dir_.path().filename().string() + "/";
  EXPECT_EQ(shownNames(found),
            (std::vector<std::string>{work + "logs/2024/03/x.txt", work + "logs/2024/10.log",
                                      work + "logs/2024/9.log", work + "logs/b.log"}));
  EXPECT_TRUE(found.errors.empty());

  const FolderImportSummary s = importLogs(library_, found, table_);
  EXPECT_EQ(s.logs, 4);
  EXPECT_EQ(s.added, 5);
  EXPECT_FALSE(s.cancelled);
  EXPECT_TRUE(s.errors.empty());
  EXPECT_EQ(sourceNames(), (std::vector<std::string>{"x.txt", "10.log", "9.log", "b.log"}));
  // A named file is taken even where a walk would pass it by.
  EXPECT_EQ(shownNames(findLogs({logs_ / "a-link.log"})), std::vector<std::string>{"a-link.log"});
}

TEST_F(FolderImportTest, AFaultyLogIsNamedTheRestGoInAndTheSecondTimeAllWereSeen) {
  writeFile(logs_ / "2024" / "bad.log",
            boardLog("３", {{"00005", "五", {"e"}}}) + boardLog("３", {{"00006", "六", {"f"}, "", "0x01"}}));
  writeFile(logs_ / "2024" / "gone.log", boardLog("３", {{"00007", "七", {"g"}}}));
  const FolderLogs found = findLogs({logs_});
  ASSERT_EQ(found.logs.size(), 6u);
  fs::remove(logs_ / "2024" / "gone.log");

  FolderImportSummary s = importLogs(library_, found, table_);
  ASSERT_EQ(s.errors.size(), 2u);
  EXPECT_EQ(s.errors[0].file, "logs/2024/bad.log");
  EXPECT_NE(s.errors[0].text.find("bad.log の "), std::string::npos) << s.errors[0].text;
  EXPECT_EQ(s.errors[1].file, "logs/2024/gone.log");
  EXPECT_NE(s.errors[1].text.find("gone.log"), std::string::npos) << s.errors[1].text;
  EXPECT_EQ(s.logs, 5);  // the stopped one kept what came before the stop
  EXPECT_EQ(s.added, 6);
  EXPECT_EQ(library_.stats().messages, 6);

  writeFile(logs_ / "2024" / "gone.log", boardLog("３", {{"00007", "七", {"g"}}}));
  s = importLogs(library_, findLogs({logs_}), table_);
  EXPECT_EQ(s.seenBefore, 4);
  EXPECT_EQ(s.logs, 2);  // the stopped log is read again, the new one for the first time
  EXPECT_EQ(s.added, 1);
  EXPECT_EQ(s.duplicates, 6);
}

TEST_F(FolderImportTest, ACancelInsideALogLeavesOnlyTheLogsBeforeIt) {
  writeFile(logs_ / "2024" / "9.log", boardLog("３", {{"00004", "四", {"d"}}, {"00005", "五", {"e"}}}));
  const FolderLogs found = findLogs({logs_});
  Progress progress;
  std::vector<uint64_t> bytesSeen;
  progress.onStep = [&](const Progress& p) {
    bytesSeen.push_back(p.bytes.load());
    // The third log has begun its second message.
    if (p.done.load() >= 3) progress.cancel = true;
  };
  const FolderImportSummary s = importLogs(library_, found, table_, &progress);
  EXPECT_TRUE(s.cancelled);
  EXPECT_EQ(s.logs, 2);
  EXPECT_EQ(library_.stats().messages, 2);
  EXPECT_EQ(library_.stats().logs, 2);
  EXPECT_TRUE(std::is_sorted(bytesSeen.begin(), bytesSeen.end()));
  EXPECT_GT(bytesSeen.back(), found.logs[0].size + found.logs[1].size);
  EXPECT_LT(bytesSeen.back(), found.bytes);
}

}  // namespace
}  // namespace pelarin
