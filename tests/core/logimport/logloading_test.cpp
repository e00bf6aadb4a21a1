#include "core/logimport/logloading.h"

#include <gtest/gtest.h>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "support/specialfiles.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::crlf;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

struct TitleHost : AppHost {
  Bytes caption, title;
  void setMainCaption(const Bytes& c) override { caption = c; }
  void setApplicationTitle(const Bytes& t) override { title = t; }
};

class LogLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaults(state, host);
    state.WorkDir = dir.text();
  }
  // A log of one counted message on board `board`.
  void writeLog(const std::string& name, int board, int number) {
    char num[8];
    std::snprintf(num, sizeof num, "%05d", number);
    Bytes header = "#Fc." + Bytes(num) + Bytes(5, ' ') + Bytes(32, 'T') + "    1 " + Bytes(16, 'N') +
                   Bytes(6, ' ') + "   1";
    writeFile(logs / name, crlf({sj("● [ BBS") + std::to_string(board) + " x", header, "-", "body"}));
  }

  TempDir dir;
  TempDir logs;
  AppState state;
  TitleHost host;
};

TEST_F(LogLoading, AssociationByTargetInTheFileName) {
  state.UpFileName = "up.txt";
  state.BbsTable[0] = {"one", "NIFTY", "Script1"};
  state.BbsTable[1] = {"two", "", "nothing"};  // an empty Target matches nothing
  state.BbsTable[2] = {"three", "FTY_2.", ""};  // no Upload: the configured name
  struct Case {
    const char* file;
    const char* list;
    const char* upload;
  } cases[] = {
      {"nifty.log", "one", "Script1.txt"},
      {"Nifty_2026.LOG", "one", "Script1.txt"},
      {"xnifty_2.log", "three", "up.txt"},  // two matches: the later wins
      {"other.log", "", "up.txt"},
  };
  for (const auto& c : cases) {
    state.ListFileName.clear();
    state.UploadFile = state.UpFileName;
    associateLog(state, c.file);
    EXPECT_EQ(state.ListFileName, c.list) << c.file;
    EXPECT_EQ(state.UploadFile, c.upload) << c.file;
  }
}

TEST_F(LogLoading, TargetInTheDirectoryOnlyDoesNotMatch) {
  state.BbsTable[0] = {"one", "nifty", ""};
  std::filesystem::create_directory(logs / "nifty");
  writeLog("nifty/plain.log", 3, 7);
  loadLogIntoStore(logs / "nifty" / "plain.log", state, host);
  EXPECT_EQ(state.ListFileName, "");
  EXPECT_EQ(host.caption, "Pelarin for Windows");
}

TEST_F(LogLoading, TitleFromTheBoardList) {
  state.BbsTable[0] = {"host", "cap", "Up"};
  writeFile(dir / "host.bod", crlf({sj("ネット"), "B1"}));
  writeLog("cap.log", 3, 7);
  loadLogIntoStore(logs / "cap.log", state, host);
  EXPECT_EQ(host.caption, sj("ネット") + " - Pelarin for Windows");
  EXPECT_EQ(host.title, host.caption);
  EXPECT_EQ(state.UploadFile, "Up.txt");  // kept in its case
  EXPECT_EQ(state.UploadRewrite, 1);
}

TEST_F(LogLoading, ReplaceAppendAndTheCountAfterAnError) {
  writeLog("a.log", 3, 7);
  writeLog("b.log", 5, 2);
  loadLogIntoStore(logs / "a.log", state, host);
  EXPECT_EQ(state.MesCount, 1);
  state.AppendMode = 1;
  loadLogIntoStore(logs / "b.log", state, host);
  EXPECT_EQ(state.MesCount, 2);
  EXPECT_EQ(state.CurrentMes, 1);

  state.SortMes = 0;  // "Yes": the store is sorted after the split
  loadLogIntoStore(logs / "a.log", state, host);
  EXPECT_EQ(state.MesCount, 3);
  EXPECT_EQ(testing::readFile(dir / "mes1.tmp").substr(0, 3), "3\r\n");
  EXPECT_EQ(testing::readFile(dir / "mes3.tmp").substr(0, 3), "5\r\n");

  writeFile(logs / "bad.log", crlf({"#Fc.00x01"}));
  state.AppendMode = 0;
  EXPECT_THROW(loadLogIntoStore(logs / "bad.log", state, host), SplitStoppedError);
  EXPECT_EQ(state.MesCount, 0);  // the replacing load had cleared the store
  EXPECT_FALSE(std::filesystem::exists(dir / "mes1.tmp"));
}

TEST_F(LogLoading, ALogThatCannotBeOpenedChangesNothing) {
  state.SortMes = 1;
  writeLog("a.log", 3, 7);
  loadLogIntoStore(logs / "a.log", state, host);
  const Bytes stored = testing::readFile(dir / "mes1.tmp");
  const Bytes upload = state.UploadFile;
  for (testing::Special kind : testing::kSpecials) {
    const auto log = logs / (std::string(testing::specialName(kind)) + ".log");
    testing::plantSpecial(kind, log);
    for (int append : {0, 1}) {
      state.AppendMode = append;
      state.UploadFile = "kept.txt";
      const std::string error = testing::errorOfRead([&] { loadLogIntoStore(log, state, host); }, log);
      EXPECT_NE(error.find(log.string()), std::string::npos) << error;
      EXPECT_EQ(state.MesCount, 1) << testing::specialName(kind);
      EXPECT_EQ(state.UploadFile, "kept.txt");
      EXPECT_EQ(testing::readFile(dir / "mes1.tmp"), stored);
    }
  }
  (void)upload;
}

TEST_F(LogLoading, AStopKeepsTheMessagesReadBeforeIt) {
  state.SortMes = 0;  // sorted as after a normal load
  writeLog("old.log", 1, 1);
  loadLogIntoStore(logs / "old.log", state, host);
  Bytes good = testing::readFile(logs / "old.log");
  auto message = [](int board, int number) {
    char num[8];
    std::snprintf(num, sizeof num, "%05d", number);
    return sj("● [ BBS") + std::to_string(board) + " x\r\n" + "#Fc." + num + Bytes(5, ' ') + Bytes(32, 'T') +
           "    1 " + Bytes(16, 'N') + Bytes(6, ' ') + "   1\r\n-\r\nbody\r\n";
  };
  // Lines 1-4 and 5-8 are messages; line 9 has noise in its number.
  writeFile(logs / "noisy.log", message(9, 5) + message(4, 6) + "#Fc.00~31\r\nmore\r\n");
  for (int append : {0, 1}) {
    state.AppendMode = append;
    const int32_t before = append ? state.MesCount : 0;
    try {
      loadLogIntoStore(logs / "noisy.log", state, host);
      ADD_FAILURE() << "no stop";
    } catch (const SplitStoppedError& e) {
      EXPECT_EQ(Bytes(e.what()), "'00~31' は整数ではありません\nnoisy.log の 9 行目で読み込みを止めました。");
    }
    EXPECT_EQ(state.MesCount, before + 2);
    EXPECT_EQ(state.CurrentMes, 1);
    // The sort ran: board 4 before board 9.
    EXPECT_EQ(testing::readFile(dir / ("mes" + std::to_string(state.MesCount) + ".tmp")).substr(0, 3), "9\r\n");
  }
  (void)good;
}

}  // namespace
}  // namespace pelarin
