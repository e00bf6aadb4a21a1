#include "core/logimport/splitlog.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/app/appstate.h"
#include "core/logimport/messagefile.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/paths.h"
#include "support/specialfiles.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::crlf;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

Bytes pad(ByteView text, size_t width) {
  Bytes out(text);
  if (out.size() < width) out.resize(width, ' ');
  return out;
}

// Blanks with each text put at its 1-based byte position.
Bytes placed(std::initializer_list<std::pair<int, Bytes>> pieces) {
  Bytes line;
  for (const auto& [pos, text] : pieces) {
    size_t end = static_cast<size_t>(pos) - 1 + text.size();
    if (line.size() < end) line.resize(end, ' ');
    line.replace(static_cast<size_t>(pos) - 1, text.size(), text);
  }
  return line;
}

const Bytes kBlack = sj("●");
const Bytes kMarkedLead = "  " + kBlack;
const Bytes kClosing = sj("●１● 次のメッセージ");
const Bytes kReceipt = sj("● 受け取り確認メッセージ を送りました");
const Bytes kTitle = sj("ＯＦＦ会のお知らせ");
const Bytes kName = sj("山田太郎");

// A marked header; shift -1 for mail.
Bytes marked(ByteView number, ByteView title = kTitle, ByteView id = " 456", ByteView name = kName,
             int shift = 0) {
  return placed({{1, kMarkedLead},
                 {5, Bytes(number)},
                 {15 + shift, pad(title, 32)},
                 {48 + shift, Bytes(id)},
                 {53 + shift, pad(name, 16)}});
}

Bytes counted(ByteView number, ByteView count, ByteView id = "  77") {
  return placed({{1, "#Fc."},
                 {5, Bytes(number)},
                 {15, pad(kTitle, 32)},
                 {48, Bytes(id)},
                 {53, pad(kName, 16)},
                 {75, Bytes(count)}});
}

// A file area's counted header: name 14-25, title 38-77.
Bytes fileAreaCounted(ByteView number) {
  return placed({{1, "#Fc."}, {5, Bytes(number)}, {14, pad(kName, 12)}, {38, pad(kTitle, 40)}});
}

// The two lines of a response header; lead is "#Fc." or the marked lead.
Bytes responseFirst(ByteView lead, ByteView number, ByteView reply, int shift = 0) {
  return placed({{1, Bytes(lead)}, {5, Bytes(number)}, {11 + shift, "res"}, {52, Bytes(reply)}});
}
Bytes responseSecond(ByteView id, ByteView count = "", int shift = 0) {
  Bytes line = placed({{15 + shift, pad(kTitle, 32)}, {48 + shift, Bytes(id)}, {53 + shift, pad(kName, 16)}});
  if (!count.empty()) line = placed({{1, line}, {75, Bytes(count)}});
  return line;
}

Bytes messageFile(int32_t board, int32_t number, ByteView title, ByteView reply, int32_t id, ByteView name,
                  const std::vector<Bytes>& body = {}) {
  Bytes out = crlf({std::to_string(board), std::to_string(number), title, reply, std::to_string(id), name});
  for (const Bytes& line : body) out += line + "\r\n";
  return out;
}

// The usual message: worked-example fields under a board, with a body.
Bytes usual(int32_t board, int32_t number, const std::vector<Bytes>& body = {}) {
  return messageFile(board, number, pad(kTitle, 32), "", 456, pad(kName, 16), body);
}

Bytes join(std::initializer_list<Bytes> pieces) {
  Bytes out;
  for (const Bytes& p : pieces) out += p;
  return out;
}

class SplitLogTest : public ::testing::Test {
 protected:
  int32_t split(ByteView log, int32_t first = 1) {
    writeFile(dir_ / "in.log", log);
    state_.WorkDir = dir_.text();
    return SplitLog(dir_ / "in.log", first, state_);
  }
  Bytes message(int32_t n) { return readFile(messagePath(dir_.path(), n)); }
  bool exists(int32_t n) { return fileExists(messagePath(dir_.path(), n)); }

  TempDir dir_;
  AppState state_;
};

TEST_F(SplitLogTest, WorkedMarkedExample) {
  const Bytes header = marked("00123");
  ASSERT_EQ(header.size(), 68u);
  const Bytes log =
      crlf({sj("[ Ｂbs１２ ]"), header, "", sj("本文一行目"), "", sj("本文三行目"), kClosing, "tail"});
  EXPECT_EQ(split(log), 2);
  EXPECT_EQ(message(1), crlf({"12", "123", pad(kTitle, 32), "", "456", pad(kName, 16), sj("本文一行目"), "",
                              sj("本文三行目")}));
  EXPECT_FALSE(exists(2));
}

TEST_F(SplitLogTest, MarkedResponseTakesFieldsFromSecondLine) {
  const Bytes log = crlf({sj("[ Ｂbs１２ ]"), responseFirst(kMarkedLead, "00124", "00120"),
                          responseSecond(" 456"), "", "body", kClosing});
  EXPECT_EQ(split(log), 2);
  EXPECT_EQ(message(1), messageFile(12, 124, pad(kTitle, 32), "120", 456, pad(kName, 16), {"body"}));
}

TEST_F(SplitLogTest, WhiteMarkAndHalfCharacterColumns) {
  // The title column ends inside a double-byte character: the half is kept.
  const Bytes title = Bytes(31, 'T') + sj("字");
  Bytes header = marked("00001", title);
  header.replace(2, 2, sj("○"));
  EXPECT_EQ(split(crlf({header, "", "b", kClosing})), 2);
  EXPECT_EQ(message(1), messageFile(0, 1, title.substr(0, 32), "", 456, pad(kName, 16), {"b"}));
}

TEST_F(SplitLogTest, CountedHeader) {
  const Bytes log = crlf({sj("● [ BBS3 雑談"), counted("00042", "   2"), "skipped", "body1",
                          sj("  ●本文だが見出しではない"), "after"});
  EXPECT_EQ(split(log), 2);
  EXPECT_EQ(message(1), messageFile(3, 42, pad(kTitle, 32), "", 77, pad(kName, 16),
                                    {"body1", sj("  ●本文だが見出しではない")}));
}

TEST_F(SplitLogTest, CountedResponse) {
  const Bytes log =
      crlf({responseFirst("#Fc.", "00043", "00040"), responseSecond("  77", "   1"), "skipped", "body"});
  EXPECT_EQ(split(log), 2);
  EXPECT_EQ(message(1), messageFile(0, 43, pad(kTitle, 32), "40", 77, pad(kName, 16), {"body"}));
}

TEST_F(SplitLogTest, FileAreaBodyRunsToMarkerWhichIsTakenAgain) {
  const Bytes prompt = sj("[ Ｆsw ３ ] コマンド?");
  const Bytes log = crlf({sj("● [ FSW3 ファイル"), fileAreaCounted("00007"), "skipped", "list 1", prompt,
                          "list 2", fileAreaCounted("00008"), "skipped", "x", sj("● [ FSW4 別"),
                          fileAreaCounted("00009"), "skipped", "y", "[ AUTO ] off", "z"});
  EXPECT_EQ(split(log), 4);
  auto file = [](int32_t board, int32_t number, std::vector<Bytes> body) {
    return messageFile(board, number, pad(kTitle, 40), "", 0, pad(kName, 12), body);
  };
  EXPECT_EQ(message(1), file(30003, 7, {"list 1", prompt, "list 2"}));
  EXPECT_EQ(message(2), file(30003, 8, {"x"}));
  EXPECT_EQ(message(3), file(30004, 9, {"y"}));
}

TEST_F(SplitLogTest, FileAreaFormsByKeyBand) {
  // Key 30000: counted headers use the normal columns, marked ones the file area's.
  const Bytes markedArea =
      placed({{1, kMarkedLead}, {5, "00002"}, {14, pad(kName, 12)}, {38, pad(kTitle, 38)}});
  const Bytes log = crlf({sj("● [ FSW0 "), counted("00001", "   0"), "", markedArea, "", "b", kClosing});
  EXPECT_EQ(split(log), 3);
  EXPECT_EQ(message(1), messageFile(30000, 1, pad(kTitle, 32), "", 77, pad(kName, 16)));
  EXPECT_EQ(message(2), messageFile(30000, 2, pad(kTitle, 38), "", 0, pad(kName, 12), {"b"}));
}

TEST_F(SplitLogTest, CountedLastLineIsExaminedForMarkedHeader) {
  // Count 0: the skipped line itself; count 1: the body line.
  const Bytes log = crlf({counted("00001", "   0"), marked("00002"), "", "b2", kClosing,
                          counted("00003", "   1"), "skipped", marked("00004"), "", "b4", kClosing});
  EXPECT_EQ(split(log), 5);
  EXPECT_EQ(message(1), messageFile(0, 1, pad(kTitle, 32), "", 77, pad(kName, 16)));
  EXPECT_EQ(message(2), usual(0, 2, {"b2"}));
  EXPECT_EQ(message(3), messageFile(0, 3, pad(kTitle, 32), "", 77, pad(kName, 16), {marked("00004")}));
  EXPECT_EQ(message(4), usual(0, 4, {"b4"}));
}

TEST_F(SplitLogTest, CountedLinesMissingAtEndAreWrittenEmpty) {
  EXPECT_EQ(split(crlf({counted("00001", "   3"), "skipped", "only"})), 2);
  EXPECT_EQ(message(1), messageFile(0, 1, pad(kTitle, 32), "", 77, pad(kName, 16), {"only", "", ""}));
}

TEST_F(SplitLogTest, MailIsShiftedLeftAndUnnumbered) {
  const Bytes log = crlf({sj("[ Ｍail ]"), marked("ABCDE", kTitle, " 456", kName, -1), "", "m1", kClosing,
                          responseFirst(kMarkedLead, "ABCDE", "00088", -1), responseSecond(" 321", "", -1),
                          "", "m2", kClosing});
  EXPECT_EQ(split(log), 3);
  EXPECT_EQ(message(1), usual(20000, 0, {"m1"}));
  EXPECT_EQ(message(2), messageFile(20000, 0, pad(kTitle, 32), "88", 321, pad(kName, 16), {"m2"}));
}

TEST_F(SplitLogTest, BodyEndsAtClosingOrReceiptLine) {
  struct Row {
    Bytes line;
    bool ends;
  };
  const Row rows[] = {
      {sj("●１●"), true},
      {sj("●５●"), true},
      {sj("●３● 続き"), true},
      {sj("●５●●"), true},
      {sj("●２"), true},
      {sj("●５○"), true},
      {sj("●１"), false},
      {sj("●６●"), false},
      {sj("●０●"), false},
      {sj(" ●１●"), false},
      {kReceipt, true},
      {sj("● 受け取り確認"), false},
      {sj("○ 受け取り確認メッセージ"), false},
  };
  for (const Row& row : rows) {
    TempDir dir;
    state_.WorkDir = dir.text();
    writeFile(dir / "in.log", crlf({marked("00001"), "", "first", row.line, "next", kClosing}));
    EXPECT_EQ(SplitLog(dir / "in.log", 1, state_), 2);
    std::vector<Bytes> body = {"first"};
    if (!row.ends) body.insert(body.end(), {row.line, "next"});
    EXPECT_EQ(readFile(messagePath(dir.path(), 1)), usual(0, 1, body)) << cp932ToUtf8(row.line);
  }
}

// The five places where the log's own lines used to be lost.

TEST_F(SplitLogTest, MarkedBodyKeepsTheLogsLastLine) {
  struct Row {
    Bytes ending;
    std::vector<Bytes> body;
  };
  const Row rows[] = {
      {"last", {"first", "last"}},
      {"last\r\n", {"first", "last"}},
      {"last\r\n\x1a", {"first", "last"}},
      {"last\x1a"
       "after",
       {"first", "last"}},
      {kClosing + "\r\n", {"first"}},
      {kReceipt, {"first"}},
  };
  for (const Row& row : rows) {
    TempDir dir;
    state_.WorkDir = dir.text();
    writeFile(dir / "in.log", crlf({marked("00001"), "", "first"}) + row.ending);
    EXPECT_EQ(SplitLog(dir / "in.log", 1, state_), 2);
    EXPECT_EQ(readFile(messagePath(dir.path(), 1)), usual(0, 1, row.body)) << row.ending;
  }
}

TEST_F(SplitLogTest, ReceiptAsFirstBodyLineEndsTheBody) {
  const Bytes log = crlf({marked("00001"), "", kReceipt, marked("00002"), "", "b2", kClosing});
  EXPECT_EQ(split(log), 3);
  EXPECT_EQ(message(1), usual(0, 1));
  EXPECT_EQ(message(2), usual(0, 2, {"b2"}));
}

TEST_F(SplitLogTest, LinesThatDropAMarkedHeaderAreScannedAgain) {
  const Bytes log = crlf({sj("[ Ｂbs１２ ]"), marked("00001"),
                          sj("● [ BBS7 タイトル行"),  // not empty: dropped, sets board 7
                          marked("00002"), "", "b2", kClosing, marked("00003"), "",
                          sj("[ Ｍail ]"),  // prompt: dropped, sets mail
                          marked("ABCDE", kTitle, " 456", kName, -1), "", "m", kClosing, marked("00004"),
                          counted("00005", "   1"), "skipped", "c"});
  EXPECT_EQ(split(log), 4);
  EXPECT_EQ(message(1), usual(7, 2, {"b2"}));
  EXPECT_EQ(message(2), usual(20000, 0, {"m"}));
  EXPECT_EQ(message(3), messageFile(20000, 5, pad(kTitle, 32), "", 77, pad(kName, 16), {"c"}));
}

TEST_F(SplitLogTest, PendingLineAtEndIsExamined) {
  // A file area's body ended by the log's last line, and a marked header dropped by it.
  EXPECT_EQ(
      split(crlf({sj("● [ FSW3 "), fileAreaCounted("00007"), "skipped", "x", fileAreaCounted("00008")})), 3);
  EXPECT_EQ(message(2), messageFile(30003, 8, pad(kTitle, 40), "", 0, pad(kName, 12), {}));
  EXPECT_EQ(split(crlf({marked("00001"), counted("00002", "   0")})), 2);
  EXPECT_EQ(message(1), messageFile(0, 2, pad(kTitle, 32), "", 77, pad(kName, 16)));
}

TEST_F(SplitLogTest, BoardPromptAfterHeaderDropsIt) {
  const std::pair<const char*, int32_t> rows[] = {
      {"[ Ｂbs", 1}, {"[ Ｉbbs１ ]", 1}, {"[ Ｆsw", 1},       {"[ Ｍai", 1},
      {"[ Ｂb", 2},  {" [ Ｍail", 2},    {"[ ＡＵＴＯ ]", 2},
  };
  for (const auto& [prompt, next] : rows) {
    TempDir dir;
    state_.WorkDir = dir.text();
    writeFile(dir / "in.log", crlf({marked("00001"), "", sj(prompt)}));
    EXPECT_EQ(SplitLog(dir / "in.log", 1, state_), next) << prompt;
  }
}

TEST_F(SplitLogTest, DroppedDecorativeHeaderIsNeverConverted) {
  const Bytes log = crlf({sj("  ●━━━━ 本日のお知らせ ━━━━"), sj("ようこそ"), sj("  ○ ＡＢＣ 案内"), "",
                          sj("[ Ｂbs１ ]"), marked("00001"), "", "b", kClosing});
  EXPECT_EQ(split(log), 2);
  EXPECT_EQ(message(1), usual(1, 1, {"b"}));
}

TEST_F(SplitLogTest, NonIntegerFieldStopsAndEarlierFilesStay) {
  struct Row {
    Bytes header;  // lines after a good message, from line 5
    Bytes bytes;   // named by the error
    size_t line;   // where the field stands
  };
  const Row rows[] = {
      {crlf({marked("00a12"), "", "b"}), "00a12", 5},
      {crlf({marked("00002", kTitle, " 4x6"), "", "b"}), " 4x6", 5},
      {crlf({responseFirst(kMarkedLead, "00002", "0012 "), responseSecond(" 456"), "", "b"}), "0012 ", 5},
      {crlf({responseFirst(kMarkedLead, "00002", "00012"), responseSecond(" 4y6"), "", "b"}), " 4y6", 6},
      {crlf({marked("     "), "", "b"}), "     ", 5},
      // Counted headers convert before looking further.
      {crlf({counted("00002", "  x1")}), "  x1", 5},
      {crlf({"#Fc.00002"}), "", 5},
  };
  for (const Row& row : rows) {
    TempDir dir;
    state_.WorkDir = dir.text();
    writeFile(dir / "in.log", crlf({marked("00001"), "", "b1", kClosing}) + row.header);
    try {
      SplitLog(dir / "in.log", 1, state_);
      ADD_FAILURE() << "no error for " << row.bytes;
    } catch (const SplitStoppedError& e) {
      EXPECT_EQ(e.reason(), "'" + row.bytes + "' は整数ではありません");
      EXPECT_EQ(e.line(), row.line) << row.bytes;
      EXPECT_EQ(e.next(), 2);
      EXPECT_EQ(Bytes(e.what()), e.reason() + "\nin.log の " + std::to_string(row.line) +
                                     " 行目で読み込みを止めました。");
    }
    EXPECT_EQ(readFile(messagePath(dir.path(), 1)), usual(0, 1, {"b1"}));
    EXPECT_FALSE(fileExists(messagePath(dir.path(), 2)));
  }
}

TEST_F(SplitLogTest, LogWithoutHeaderReturnsFirst) {
  EXPECT_EQ(split(crlf({sj("[ Ｂbs１２ ]"), "hello", ""}), 7), 7);
  EXPECT_EQ(split(""), 1);
  EXPECT_FALSE(exists(7));
  EXPECT_FALSE(exists(1));
}

TEST_F(SplitLogTest, NumbersFromFirstAndOverwrites) {
  writeFile(messagePath(dir_.path(), 5), "old contents\r\n");
  EXPECT_EQ(split(crlf({marked("00001"), "", "b", kClosing}), 5), 6);
  EXPECT_EQ(message(5), usual(0, 1, {"b"}));
}

TEST_F(SplitLogTest, LineFeedAloneDoesNotEndALine) {
  // An LF-only log is one line; an LF inside a CR LF log stays in its line.
  EXPECT_EQ(split(join({sj("[ Ｂbs１２ ]\n"), marked("00001"), "\n\nbody\n", kClosing, "\n"})), 1);
  EXPECT_EQ(split(crlf({marked("00001"), "", "a\nb", kClosing})), 2);
  EXPECT_EQ(message(1), usual(0, 1, {"a\nb"}));
}

TEST_F(SplitLogTest, CtrlZEndsTheLog) {
  EXPECT_EQ(
      split(join({crlf({marked("00001"), "", "body"}), "\x1a", crlf({marked("00002"), "", "x", kClosing})})),
      2);
  EXPECT_EQ(message(1), usual(0, 1, {"body"}));
  EXPECT_FALSE(exists(2));
}

TEST_F(SplitLogTest, BoardKeyRestartsPerLogButMapStays) {
  EXPECT_EQ(split(crlf({sj("● [ BBS12(IBBS345)"), marked("00001"), "", "b", kClosing})), 2);
  EXPECT_EQ(message(1), usual(10345, 1, {"b"}));
  EXPECT_EQ(
      split(crlf({marked("00002"), "", "b", kClosing, sj("[ Ｂbs１２ ]"), marked("00003"), "", "c"}), 2), 4);
  EXPECT_EQ(message(2), usual(0, 2, {"b"}));
  EXPECT_EQ(message(3), usual(10345, 3, {"c"}));
  EXPECT_EQ(state_.BoardMapCount, 1);
}

TEST_F(SplitLogTest, FileErrors) {
  state_.WorkDir = dir_.text();
  EXPECT_THROW(SplitLog(dir_ / "missing.log", 1, state_), FileError);
  writeFile(dir_ / "in.log", crlf({marked("00001"), "", "b"}));
  state_.WorkDir = dir_.text() + "absent" + kSeparator;
  // A message file that cannot be created stops the split where it stood.
  EXPECT_THROW(SplitLog(dir_ / "in.log", 1, state_), SplitStoppedError);
}

TEST_F(SplitLogTest, OnlyARegularFileIsSplit) {
  for (testing::Special kind : testing::kSpecials) {
    TempDir dir;
    state_.WorkDir = dir.text();
    testing::plantSpecial(kind, dir / "in.log");
    const std::string error =
        testing::errorOfRead([&] { SplitLog(dir / "in.log", 1, state_); }, dir / "in.log");
    EXPECT_NE(error.find("in.log"), std::string::npos) << testing::specialName(kind);
    EXPECT_FALSE(fileExists(messagePath(dir.path(), 1)));
  }
}

// Body lines of several megabytes, as a log captured with LF line ends gives,
// reach the message file byte for byte, and the lines after them still split.
TEST_F(SplitLogTest, LongLinesAreCopiedWhole) {
  const Bytes body = Bytes(5 << 20, 'x') + "\n" + kTitle + Bytes(1000, 'y');
  const Bytes noise = kBlack + Bytes(3 << 20, 'z');  // a long line that is no header
  struct Row {
    const char* form;
    Bytes log;
    std::vector<Bytes> bodies;
  } rows[] = {
      {"marked", crlf({noise, marked("00001"), "", body, kClosing, marked("00002"), "", "b2", kClosing}),
       {body, "b2"}},
      {"counted", crlf({counted("00001", "   2"), "-", body, "short", noise, counted("00002", "   1"), "-", body}),
       {body + "\r\nshort", body}},
  };
  for (const Row& row : rows) {
    TempDir dir;
    state_.WorkDir = dir.text();
    writeFile(dir / "in.log", row.log);
    ASSERT_EQ(SplitLog(dir / "in.log", 1, state_), 1 + static_cast<int32_t>(row.bodies.size())) << row.form;
    for (size_t i = 0; i < row.bodies.size(); ++i) {
      const Bytes file = readFile(messagePath(dir.path(), static_cast<int32_t>(i + 1)));
      ASSERT_GE(file.size(), row.bodies[i].size() + 2) << row.form;
      EXPECT_TRUE(file.compare(file.size() - row.bodies[i].size() - 2, Bytes::npos, row.bodies[i] + "\r\n") == 0)
          << row.form << " message " << i + 1;
    }
  }
}

TEST_F(SplitLogTest, AMessageFileNameTakenByALinkOrADirectoryStopsTheSplit) {
  TempDir outside;
  const Bytes victim = "outside\r\n";
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> plant;
  } cases[] = {
      {"link to a file", [&](const auto& p) { std::filesystem::create_symlink(outside / "victim", p); }},
      {"dangling link", [&](const auto& p) { std::filesystem::create_symlink(outside / "made", p); }},
      {"directory", [](const auto& p) { std::filesystem::create_directory(p); }},
  };
  for (const auto& c : cases) {
    TempDir dir;
    writeFile(outside / "victim", victim);
    writeFile(dir / "in.log", crlf({marked("00001"), "", "b", kClosing, marked("00002"), "", "c"}));
    c.plant(messagePath(dir.path(), 2));
    state_.WorkDir = dir.text();
    try {
      SplitLog(dir / "in.log", 1, state_);
      ADD_FAILURE() << c.name;
    } catch (const SplitStoppedError& e) {
      EXPECT_NE(std::string(e.what()).find("mes2.tmp\": "), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(outside / "victim"), victim) << c.name;
    EXPECT_FALSE(std::filesystem::exists(outside / "made")) << c.name;
  }
}

}  // namespace
}  // namespace pelarin
