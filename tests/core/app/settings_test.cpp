#include "core/app/settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::crlf;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

struct RecordingHost : AppHost {
  std::vector<std::string> calls;
  void moveMainWindow(int top, int left) override {
    calls.push_back("move " + std::to_string(top) + "," + std::to_string(left));
  }
  void setApplicationTitle(const Bytes& t) override { calls.push_back("title " + t); }
  void setMainCaption(const Bytes& c) override { calls.push_back("caption " + c); }
  void setHelpFile(const std::filesystem::path& f) override { calls.push_back("help " + f.filename().string()); }
  void disableHelp() override { calls.push_back("no help"); }
  void setViewerFont(const Bytes& face, int size) override {
    calls.push_back("font " + face + " " + std::to_string(size));
  }
};

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaults(state, host);
    state.WorkDir = dir.text();
    host.calls.clear();
  }
  void load() { LoadSettings(state.WorkDir, state, host); }
  // A settings file whose line n (1-based) holds lines[n-1].
  void writeSettings(const std::vector<Bytes>& lines) {
    Bytes content;
    for (const auto& l : lines) content += l + "\r\n";
    writeFile(dir / "pelarin.ini", content);
  }
  std::vector<Bytes> savedLines() {
    SaveSettings(state);
    Bytes content = readFile(dir / "pelarin.ini");
    std::vector<Bytes> out;
    size_t pos = 0, crlfAt;
    while ((crlfAt = content.find("\r\n", pos)) != Bytes::npos) {
      out.push_back(content.substr(pos, crlfAt - pos));
      pos = crlfAt + 2;
    }
    EXPECT_EQ(pos, content.size()) << "every line ends in CR LF";
    return out;
  }

  TempDir dir;
  AppState state;
  RecordingHost host;
};

TEST_F(Settings, DefaultsInOrderWithTheirSideEffects) {
  AppState fresh;
  RecordingHost h;
  SetDefaults(fresh, h);
  EXPECT_EQ(h.calls, (std::vector<std::string>{"move 0,0", "title Pelarin for Windows"}));
  EXPECT_EQ(fresh.MainHeight, 400);
  EXPECT_EQ(fresh.InputListHeight, 200);
  EXPECT_EQ(fresh.ListColWidth, (std::array<int32_t, 6>{50, 50, 50, 140, 300, 300}));
  EXPECT_EQ(fresh.CurrentMes, 1);
  EXPECT_EQ(fresh.FontName, sj("ＭＳ ゴシック"));
  EXPECT_EQ(fresh.HeaderSuffix, sj("さんへのレスです"));
  EXPECT_EQ(fresh.HeaderLeft, Bytes(24, '-'));
  EXPECT_EQ(fresh.FooterLeft, Bytes(17, '-'));
  EXPECT_EQ(fresh.UpFileName, "upload.txt");
  EXPECT_EQ(fresh.ListFileName, "pelarin");
  EXPECT_EQ(fresh.AlarmLetters, 80);
  EXPECT_EQ(fresh.LetterCaution, 90);
  EXPECT_EQ(fresh.AlarmLines, 50);
  EXPECT_EQ(fresh.LineCaution, 70);
  EXPECT_EQ(fresh.SortMes, 1);
  EXPECT_EQ(fresh.UploadFile, "");
  EXPECT_EQ(fresh.UploadRewrite, 0);
}

TEST_F(Settings, SaveThenLoadGivesEveryFieldBack) {
  state.LogFileDir = sj("/ログ/") + Bytes(300, 'x');  // a long text comes back whole
  state.TextFileDir = "/up/";
  state.QuoteMark = sj("＞");
  state.MainHeight = 561;
  state.MainWidth = -3;
  state.ListColWidth = {1, 2, 3, 4, 5, 6};
  state.InputListWidth = 77;
  state.HeaderCenter = 2;
  state.FooterSuffix = "";
  state.FontName = "IPAGothic";
  state.FontSize = 12;
  state.UpFileName = "up.txt";
  state.ListFileName = "Host";
  state.QuoteStyle = 1;
  state.AlarmLetters = 72;
  state.SortMes = 0;
  state.MailLeft = INT32_MIN;
  AppState saved = state;

  auto lines = savedLines();
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[3], "561");
  EXPECT_EQ(lines[39], "up.txt");
  EXPECT_EQ(lines[50], "0");

  AppState loaded;
  SetDefaults(loaded, host);
  loaded.WorkDir = state.WorkDir;
  LoadSettings(loaded.WorkDir, loaded, host);
  auto sameSaved = [](const AppState& a) {
    return std::tuple(a.LogFileDir, a.TextFileDir, a.QuoteMark, a.MainHeight, a.MainWidth, a.ResHeight,
                      a.ResWidth, a.NewHeight, a.NewWidth, a.MailHeight, a.MailWidth, a.ListHeight,
                      a.ListWidth, a.HeaderLeft, a.HeaderCenter, a.HeaderSuffix, a.HeaderRight,
                      a.FooterLeft, a.FooterCenter, a.FooterSuffix, a.FooterRight, a.ListColWidth,
                      a.MainTop, a.MainLeft, a.ResTop, a.ResLeft, a.NewTop, a.NewLeft, a.MailTop,
                      a.MailLeft, a.ListTop, a.ListLeft, a.FontName, a.FontSize, a.UpFileName,
                      a.ListFileName, a.InputListTop, a.InputListLeft, a.InputListHeight,
                      a.InputListWidth, a.QuoteStyle, a.AlarmLetters, a.LetterCaution, a.AlarmLines,
                      a.LineCaution, a.SortMes);
  };
  EXPECT_TRUE(sameSaved(loaded) == sameSaved(saved));
  EXPECT_EQ(loaded.UploadFile, "up.txt");
  EXPECT_EQ(loaded.UploadRewrite, 1);
}

TEST_F(Settings, FollowUpStepsAfterALoad) {
  writeFile(dir / "pelarin.bod", crlf({sj("ホスト"), "B1"}));
  writeFile(dir / "pelarin.HLP", "<html/>");
  SaveSettings(state);
  load();
  Bytes caption = sj("ホスト") + " - Pelarin for Windows";
  EXPECT_EQ(host.calls, (std::vector<std::string>{"caption " + caption, "title " + caption,
                                                  "help pelarin.HLP", "font " + sj("ＭＳ ゴシック") + " 9"}));
  EXPECT_EQ(state.UploadFile, "upload.txt");
  EXPECT_EQ(state.UploadRewrite, 1);

  std::filesystem::remove(dir / "pelarin.bod");
  std::filesystem::remove(dir / "pelarin.HLP");
  state.FontName = Bytes(300, 'F');
  SaveSettings(state);
  host.calls.clear();
  load();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"no help", "font " + Bytes(255, 'F') + " 9"}));
}

TEST_F(Settings, AssociationChoosesTheUploadFileByListIgnoringCase) {
  state.ListFileName = "Host";
  SaveSettings(state);
  // Entry 2 and 4 match; the later wins, lower-cased. Entry 3 has no Upload.
  writeFile(dir / "bbs.ini", crlf({"x", "HOST", "host", "hOsT", "", "t1", "t2", "t3", "t4", "t5", "a", "First",
                                   "", "SeCoNd", "e"}));
  load();
  EXPECT_EQ(state.UploadFile, "second.txt");
  EXPECT_EQ(state.BbsTable[1].List, "HOST");
  EXPECT_EQ(state.BbsTable[3].Upload, "SeCoNd");
  EXPECT_EQ(state.BbsTable[2].Target, "t3");

  // A short file leaves the missing values empty and chooses nothing.
  writeFile(dir / "bbs.ini", crlf({"a", "b"}));
  load();
  EXPECT_EQ(state.BbsTable[1].List, "b");
  EXPECT_EQ(state.BbsTable[1].Upload, "");
  EXPECT_EQ(state.UploadFile, "upload.txt");
}

TEST_F(Settings, EmptyOptionalAndFileNameLinesKeepTheirValues) {
  std::vector<Bytes> lines = savedLines();
  lines[39] = "";  // line 40
  lines[40] = "";  // line 41
  for (int i = 46; i < 51; ++i) lines[static_cast<size_t>(i)] = "";
  state.UpFileName = "before.txt";
  writeSettings(lines);
  load();
  EXPECT_EQ(state.UpFileName, "before.txt");
  EXPECT_EQ(state.UploadFile, "before.txt");
  EXPECT_EQ(state.ListFileName, "");
  EXPECT_EQ(std::tuple(state.AlarmLetters, state.LetterCaution, state.AlarmLines, state.LineCaution,
                       state.SortMes),
            std::tuple(80, 90, 50, 70, 1));
}

TEST_F(Settings, AFileWithoutTheOptionalLinesKeepsTheInitialThresholds) {
  std::vector<Bytes> lines = savedLines();
  lines.resize(46);
  writeSettings(lines);
  state.SortMes = 1;
  load();
  EXPECT_EQ(state.SortMes, 1);
  EXPECT_EQ(state.AlarmLetters, 80);
}

TEST_F(Settings, AnEmptyIntegerLineShiftsEveryLaterLine) {
  // Texts that read as numbers, so the shifted integers still convert.
  state.HeaderSuffix = "7";
  state.FooterSuffix = "8";
  state.UpFileName = "5";
  state.FontName = "3";
  state.HeaderLeft = "4";
  std::vector<Bytes> lines = savedLines();
  lines[3] = "";     // line 4 empty
  lines[4] = "560";  // line 5
  writeSettings(lines);
  load();
  EXPECT_EQ(state.MainHeight, 560);
  EXPECT_EQ(state.MainWidth, 380);  // line 6's value, read one line late
  EXPECT_EQ(state.ListWidth, 4);
  EXPECT_EQ(state.HeaderLeft, "1");  // the text line now holds HeaderCenter
  EXPECT_EQ(state.HeaderCenter, 7);
  EXPECT_EQ(state.FontName, "9");
  EXPECT_EQ(state.FontSize, 5);
  EXPECT_EQ(state.UpFileName, "pelarin");

  // With the usual texts the shift soon meets a text where an integer belongs.
  SetDefaults(state, host);
  state.WorkDir = dir.text();
  lines = savedLines();
  lines[3] = "";
  writeSettings(lines);
  EXPECT_THROW(load(), SettingsLineError);
}

TEST_F(Settings, IntegerLineWithBlankAndWord) {
  std::vector<Bytes> lines = savedLines();
  lines[3] = " 400 word";
  writeSettings(lines);
  load();
  EXPECT_EQ(state.MainHeight, 400);
  EXPECT_EQ(state.MainWidth, 0);
}

TEST_F(Settings, LineFeedsAloneMakeOneLine) {
  std::vector<Bytes> lines = savedLines();
  Bytes content;
  for (const auto& l : lines) content += l + "\n";
  writeFile(dir / "pelarin.ini", content);
  state.MainHeight = 123;
  load();
  EXPECT_EQ(state.LogFileDir, content);
  EXPECT_EQ(state.TextFileDir, "");
  EXPECT_EQ(state.MainHeight, 0);
  EXPECT_EQ(state.FontName, "");
  EXPECT_EQ(state.UpFileName, "upload.txt");
  EXPECT_EQ(state.SortMes, 1);
}

TEST_F(Settings, ABadLineStopsTheLoadBeforeTheFollowUpSteps) {
  std::vector<Bytes> lines = savedLines();
  lines[0] = "/logs/";
  lines[3] = "";
  lines[4] = "abc";  // the integer after the empty line
  writeSettings(lines);
  writeFile(dir / "pelarin.HLP", "x");
  EXPECT_THROW(load(), SettingsLineError);
  EXPECT_EQ(state.LogFileDir, "/logs/");  // read before the bad line
  EXPECT_EQ(state.MainHeight, 400);
  EXPECT_EQ(state.UploadRewrite, 0);
  EXPECT_TRUE(host.calls.empty());

  lines = savedLines();
  lines[48] = "5 ";  // an optional line with a trailing blank
  writeSettings(lines);
  try {
    load();
    FAIL();
  } catch (const SettingsLineError& e) {
    const std::string reason = "'5 ' は整数ではありません\n";
    EXPECT_EQ(std::string(e.what()).substr(0, reason.size()), reason);
  }
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(Settings, AFailedSaveKeepsTheOldFile) {
  SaveSettings(state);
  Bytes before = readFile(dir / "pelarin.ini");
  state.LogFileDir = Bytes(100000, 'z');

  // A file-size limit makes the write fail as a full disk would.
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_THROW(SaveSettings(state), FileError);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(readFile(dir / "pelarin.ini"), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  state.WorkDir = dir.text() + "missing/";
  EXPECT_THROW(SaveSettings(state), FileError);
}

}  // namespace
}  // namespace pelarin

namespace pelarin {
namespace {

// Where the load stopped: the line that held the bad value, in the text the
// start-up box shows, with the reason first.
TEST_F(Settings, ABadLineIsNamedWithItsFileAndNumber) {
  struct Case {
    size_t index;  // 0-based line replaced
    Bytes value;
    size_t line;
    std::string reason;
  };
  for (const Case& c : std::vector<Case>{
           {4, "wide", 5, "入力値が数値ではありません"},
           {21, "x50", 22, "入力値が数値ではありません"},
           {48, "5 ", 49, "'5 ' は整数ではありません"},
           {50, "$zz", 51, "'$zz' は整数ではありません"},
       }) {
    SetDefaults(state, host);
    state.WorkDir = dir.text();
    std::vector<Bytes> lines = savedLines();
    lines[c.index] = c.value;
    writeSettings(lines);
    try {
      load();
      ADD_FAILURE() << c.line;
    } catch (const SettingsLineError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.file(), dir / "pelarin.ini");
      const std::string text = e.what();
      EXPECT_EQ(text.substr(0, c.reason.size() + 1), c.reason + "\n");
      EXPECT_NE(text.find((dir / "pelarin.ini").string()), std::string::npos);
      EXPECT_NE(text.find(" " + std::to_string(c.line) + " 行目"), std::string::npos);
      EXPECT_NE(text.find("pelarin.ini.bak"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace pelarin

#include "support/specialfiles.h"

namespace pelarin {
namespace {

TEST(SettingsFile, OnlyARegularFileIsRead) {
  for (testing::Special kind : testing::kSpecials) {
    testing::TempDir dir;
    AppHost host;
    AppState state;
    SetDefaults(state, host);
    state.WorkDir = dir.text();
    testing::plantSpecial(kind, dir / "pelarin.ini");
    const std::string error =
        testing::errorOfRead([&] { LoadSettings(state.WorkDir, state, host); }, dir / "pelarin.ini");
    EXPECT_NE(error.find("pelarin.ini"), std::string::npos) << testing::specialName(kind) << ": " << error;
  }
  // The association file beside a good settings file.
  for (testing::Special kind : testing::kSpecials) {
    testing::TempDir dir;
    AppHost host;
    AppState state;
    SetDefaults(state, host);
    state.WorkDir = dir.text();
    SaveSettings(state);
    testing::plantSpecial(kind, dir / "bbs.ini");
    const std::string error =
        testing::errorOfRead([&] { LoadSettings(state.WorkDir, state, host); }, dir / "bbs.ini");
    EXPECT_NE(error.find("bbs.ini"), std::string::npos) << testing::specialName(kind) << ": " << error;
  }
}

}  // namespace
}  // namespace pelarin
