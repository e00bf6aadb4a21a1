// Runs the built pelarin-cli on small logs in a temporary directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/app/settings.h"
#include "core/compose/uploadrecords.h"
#include "core/logimport/messagefile.h"
#include "core/text/cp932.h"
#include "core/text/paths.h"
#include "support/specialfiles.h"
#include "support/tempdir.h"

namespace pelarin::testing {
namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// cp932 text padded with blanks to a column width.
Bytes pad(std::string_view utf8, size_t width) {
  Bytes b = sj(utf8);
  b.resize(std::max(b.size(), width), ' ');
  return b;
}

// A header line by its columns: 1-4 lead, then the number (5 bytes; 4 in
// mail, whose columns sit one byte to the left), 5 bytes with the "res" tag,
// the 32-byte title, blank, 4-byte ID, blank, 16-byte name, 6 blanks, count.
Bytes header(std::string_view lead, std::string_view number, std::string_view tag, std::string_view title,
             std::string_view id, std::string_view name, std::string_view count = "") {
  Bytes line =
      sj(lead) + Bytes(number) + pad(tag, 5) + pad(title, 32) + " " + Bytes(id) + " " + pad(name, 16);
  if (!count.empty()) line += "      " + Bytes(count);
  return line;
}

// The first line of a response header: the number answered at 52-56.
Bytes resLine(std::string_view lead, std::string_view number, std::string_view answered) {
  return sj(lead) + Bytes(number) + " res " + Bytes(37, ' ') + Bytes(answered);
}

const std::string kMarked = "  ●";
const std::string kClosing = "●１●次　●２●前　●３●返信";

// Four boards out of the sort's order.
Bytes unsortedLog() {
  return crlf({
      sj("[ Ｂbs５ ]"),
      header(kMarked, "00003", "", "五の三", "0001", "A"),
      "",
      sj(kClosing),
      sj("[ Ｂbs２ ]"),
      header(kMarked, "00007", "", "二の七", "0002", "B"),
      "",
      sj(kClosing),
      sj("[ ＢbsＦ ]"),
      header(kMarked, "00004", "", "F の四", "0003", "C"),
      "",
      sj(kClosing),
      sj("[ Ｍail ]"),
      header(kMarked, "0009", "", "手紙", "0004", "D"),
      "",
      sj(kClosing),
  });
}

class Cli : public ::testing::Test {
 protected:
  Result run(const std::vector<std::string>& args) {
    std::string cmd = "cd " + quoted(work_.path().string()) + " && " + quoted(PELARIN_CLI);
    for (const auto& a : args) cmd += " " + quoted(a);
    cmd += " >" + quoted((io_ / "out").string()) + " 2>" + quoted((io_ / "err").string());
    int rc = std::system(cmd.c_str());
    Result r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = readFile(io_ / "out");
    r.err = readFile(io_ / "err");
    return r;
  }

  std::string log(const std::string& name, ByteView bytes) {
    writeFile(logs_ / name, bytes);
    return (logs_ / name).string();
  }

  TempDir work_, io_, logs_;
};

TEST_F(Cli, SplitsListsAndShowsBoardsMailResponsesAndFiles) {
  Bytes text = crlf({
      sj("ようこそ　ホストへ"),
      sj("● [ BBS3 ] 雑談ボード"),
      header(kMarked, "00010", "", "はじめまして", "0012", "山田太郎"),
      "",
      sj("こんにちは。"),
      sj("よろしく。"),
      sj(kClosing),
      sj("[ Ｍail ] コマンド？"),
      header(kMarked, "0001", "", "お知らせ", "0345", "鈴木"),
      "",
      sj("メールの本文"),
      sj("● 受け取り確認メッセージを送りました"),
      sj("[ ＢbsＦ ] コマンド？"),
      resLine("#Fc.", "00007", "00005"),
      header("#Fc.", "00000", "", "Re: 質問", "0789", "佐藤", "0002"),
      "---",
      sj("返事です。"),
      "  end",
      sj("● [ FSW2 ] フリーソフト"),
      "#Fc.00003    " + pad("tool.lzh", 12) + Bytes(12, ' ') + pad("便利な道具", 40),
      "",
      sj("使い方：展開するだけ"),
      "[ AUTO ]",
  });
  std::string path = log("small.log", text);

  Result split = run({"split", path});
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(split.out, "4\n");
  EXPECT_EQ(split.err, "");

  Result list = run({"list", "4"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "B3\t10\t12\t" + cp932ToUtf8(pad("山田太郎", 16)) + "\t" +
                          cp932ToUtf8(pad("はじめまして", 32)) +
                          "\t\n"
                          "M\t\t345\t" +
                          cp932ToUtf8(pad("鈴木", 16)) + "\t" + cp932ToUtf8(pad("お知らせ", 32)) +
                          "\t\n"
                          "BF\t7\t789\t" +
                          cp932ToUtf8(pad("佐藤", 16)) + "\t" + cp932ToUtf8(pad("Re: 質問", 32)) +
                          "\t5\n"
                          "F2\t3\t\ttool.lzh    \t" +
                          cp932ToUtf8(pad("便利な道具", 40)) + "\t\n");

  Result board = run({"show", "1"});
  ASSERT_EQ(board.status, 0) << board.err;
  EXPECT_EQ(board.out, "B.Number\tB3\nMes. Number\t10\nWriter\t12\t" + cp932ToUtf8(pad("山田太郎", 16)) +
                           "\nRes. No.\t\nTitle\t" + cp932ToUtf8(pad("はじめまして", 32)) +
                           "\n\nこんにちは。\nよろしく。\n");

  Result mail = run({"show", "2"});
  ASSERT_EQ(mail.status, 0) << mail.err;
  EXPECT_EQ(mail.out, "B.Number\tM\nMes. Number\t\nWriter\t345\t" + cp932ToUtf8(pad("鈴木", 16)) +
                          "\nRes. No.\t\nTitle\t" + cp932ToUtf8(pad("お知らせ", 32)) + "\n\nメールの本文\n");

  Result response = run({"show", "3"});
  ASSERT_EQ(response.status, 0) << response.err;
  EXPECT_NE(response.out.find("\nRes. No.\t5\n"), std::string::npos) << response.out;
  EXPECT_NE(response.out.find("\n\n返事です。\n  end\n"), std::string::npos) << response.out;

  Result file = run({"show", "-C", work_.path().string(), "4"});
  ASSERT_EQ(file.status, 0) << file.err;
  EXPECT_EQ(file.out, "B.Number\tF2\nMes. Number\t3\nFile\t\ttool.lzh    \nRes. No.\t\nTitle\t" +
                          cp932ToUtf8(pad("便利な道具", 40)) + "\n\n使い方：展開するだけ\n");
}

TEST_F(Cli, NumbersFromFirstAndKeepsBoardLinksAcrossLogs) {
  std::string first = log("a.log", crlf({
                                       sj("● [ BBS12(IBBS345) ] 全国ネット"),
                                       header(kMarked, "00001", "", "一通目", "0001", "甲"),
                                       "",
                                       sj("本文"),
                                       sj(kClosing),
                                   }));
  // Before any marker the key starts again at BF; the prompt then uses the link.
  std::string second = log("b.log", crlf({
                                        header(kMarked, "00002", "", "二通目", "0002", "乙"),
                                        "",
                                        sj("本文"),
                                        sj(kClosing),
                                        sj("[ Ｂbs１２ ] コマンド？"),
                                        header(kMarked, "00003", "", "三通目", "0003", "丙"),
                                        "",
                                        sj("本文"),
                                        sj(kClosing),
                                    }));

  Result split = run({"split", "-C", work_.path().string(), "--first", "5", first, second});
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(split.out, "7\n");
  EXPECT_FALSE(fileExists(messagePath(work_.path(), 4)));
  EXPECT_EQ(readFile(messagePath(work_.path(), 5)).substr(0, 7), "10345\r\n");
  EXPECT_EQ(readFile(messagePath(work_.path(), 6)).substr(0, 3), "0\r\n");
  EXPECT_EQ(readFile(messagePath(work_.path(), 7)).substr(0, 7), "10345\r\n");

  // The second log alone knows no link.
  Result alone = run({"split", "--first=1", second});
  ASSERT_EQ(alone.status, 0) << alone.err;
  EXPECT_EQ(alone.out, "2\n");
  Result show = run({"show", "2"});
  EXPECT_EQ(show.out.substr(0, 13), "B.Number\tB12\n");
}

// A log converted to UTF-8 with LF line ends splits as its capture did; --raw reads it as it is.
TEST_F(Cli, SplitsAConvertedLogUnlessRaw) {
  Bytes converted = cp932ToUtf8(unsortedLog());
  std::erase(converted, '\r');
  std::string path = log("u.log", converted);
  Result split = run({"split", path});
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(split.out, "4\n");
  EXPECT_EQ(split.err, "u.log: ［UTF-8 から変換・LF 改行］\n");
  Result raw = run({"split", "--raw", path});
  ASSERT_EQ(raw.status, 0) << raw.err;
  EXPECT_EQ(raw.out, "0\n");
  EXPECT_EQ(raw.err, "");
}

TEST_F(Cli, SortsTheWrittenMessages) {
  std::string path = log("s.log", unsortedLog());
  Result split = run({"split", "--sort", path});
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(split.out, "4\n");
  Result list = run({"list", "4"});
  ASSERT_EQ(list.status, 0) << list.err;
  std::vector<std::string> codes;
  for (size_t pos = 0; pos < list.out.size(); pos = list.out.find('\n', pos) + 1)
    codes.push_back(list.out.substr(pos, list.out.find('\t', pos) - pos));
  EXPECT_EQ(codes, (std::vector<std::string>{"M", "BF", "B2", "B5"}));
}

// A directory whose name has no code page 932 form still takes the messages, and the warning says how.
TEST_F(Cli, SplitsIntoADirectoryWithoutACodePage932Name) {
  std::string path = log("s.log", unsortedLog());
  std::filesystem::create_directory(work_ / "보관");
  Result split = run({"split", "--sort", "-C", "보관", path});
  ASSERT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(split.out, "4\n");
  EXPECT_NE(split.err.find("作業ディレクトリ '보관' の名前には Shift-JIS で表せない文字があります"),
            std::string::npos)
      << split.err;
  EXPECT_TRUE(std::filesystem::exists(work_ / "보관" / "mes4.tmp"));
  EXPECT_FALSE(std::filesystem::exists(work_ / "mes1.tmp"));
}

TEST_F(Cli, StopsAtANonNumericFieldAndKeepsEarlierFiles) {
  std::string path = log("bad.log", crlf({
                                        sj("[ Ｂbs１ ]"),
                                        header(kMarked, "00001", "", "良い", "0001", "A"),
                                        "",
                                        sj("本文"),
                                        sj(kClosing),
                                        header("#Fc.", "0x0y2", "", "悪い", "0002", "B", "0001"),
                                        "",
                                        "body",
                                    }));
  Result split = run({"split", path});
  EXPECT_EQ(split.status, 1);
  EXPECT_EQ(split.out, "");
  EXPECT_EQ(split.err,
            "pelarin-cli: '0x0y2' は整数ではありません\nbad.log の 6 行目で読み込みを止めました。\n");
  EXPECT_TRUE(fileExists(messagePath(work_.path(), 1)));
  EXPECT_FALSE(fileExists(messagePath(work_.path(), 2)));
}

TEST_F(Cli, RefusesALogThatIsNoRegularFileAtOnce) {
  for (testing::Special kind : testing::kSpecials) {
    const std::string path = log(std::string(testing::specialName(kind)) + ".log", "");
    std::filesystem::remove(path);
    testing::plantSpecial(kind, path);
    Result split;
    testing::errorOfRead([&] { split = run({"split", path}); }, path);
    EXPECT_EQ(split.status, 1) << testing::specialName(kind);
    EXPECT_NE(split.err.find(path), std::string::npos) << split.err;
    EXPECT_FALSE(fileExists(messagePath(work_.path(), 1)));
  }
}

TEST_F(Cli, ReportsFileErrors) {
  std::string empty = log("empty.log", "");
  struct Case {
    std::vector<std::string> args;
  };
  for (const auto& c : std::vector<Case>{
           {{"split", "no-such.log"}},
           {{"split", "--", "--help"}},
           {{"split", "-C", "no-such-dir", empty}},
           {{"show", "1"}},
           {{"list", "1"}},
       }) {
    Result r = run(c.args);
    EXPECT_EQ(r.status, 1) << c.args[0] << " " << c.args[1];
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
  Result none = run({"split", "--first", "3", empty});
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(none.out, "2\n");
  Result nothing = run({"list", "0"});
  EXPECT_EQ(nothing.status, 0);
  EXPECT_EQ(nothing.out, "");
}

// The sample log with the host's greeting, board table and member table.
TEST_F(Cli, BuildsBoardAndNameListsFromTheSampleLog) {
  const std::string sample = std::string(PELARIN_SAMPLES) + "/pelnet-lists.log";
  Result boards = run({"boards", sample});
  ASSERT_EQ(boards.status, 0) << boards.err;
  EXPECT_EQ(boards.out, "7\n");
  const Bytes bod = readFile(work_ / "pelarin.bod");
  EXPECT_TRUE(bod.starts_with(sj("ペラリン・ネット\r\nBF    ")));
  EXPECT_NE(bod.find("\r\nI120  "), Bytes::npos);

  Result names = run({"names", "-C", io_.path().string(), "--list", "host1", sample});
  ASSERT_EQ(names.status, 0) << names.err;
  EXPECT_EQ(names.out, "9\n");
  EXPECT_TRUE(readFile(io_ / "host1.nam").starts_with(sj("ペラリン・ネット\r\nID0001 シスオペ")));

  // A failed build leaves the list it would have replaced.
  std::string bad = log("bad.log", crlf({"[x 12][BBS     ][ " + Bytes(21, 'n') + "](  12)"}));
  Result failed = run({"boards", bad});
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find(cp932ToUtf8(sj("'x 12' は整数ではありません"))), std::string::npos) << failed.err;
  EXPECT_EQ(readFile(work_ / "pelarin.bod"), bod);
}

TEST_F(Cli, RejectsBadCommandLines) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"merge", "a.log"},
           {"-x"},
           {"split"},
           {"split", "--sort"},
           {"split", "--first", "x1", "a.log"},
           {"split", "--first", "0", "a.log"},
           {"split", "--first"},
           {"split", "--verbose", "a.log"},
           {"split", "-C"},
           {"list"},
           {"list", "abc"},
           {"list", "-1"},
           {"list", "1", "2"},
           {"list", "--sort", "1"},
           {"show", "0"},
           {"show", "1x"},
           {"show", "99999999999"},
           {"boards"},
           {"boards", "a.log", "b.log"},
           {"names", "--list"},
           {"names", "--sort", "a.log"},
           {"outbox", "a.txt", "b.txt"},
           {"outbox", "check", "a.txt", "b.txt"},
           {"outbox", "--sort"},
       }) {
    Result r = run(args);
    std::string line;
    for (const auto& a : args) line += a + " ";
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_EQ(r.out, "") << line;
    EXPECT_NE(r.err.find("pelarin-cli: "), std::string::npos) << line;
  }
}

// --help: the whole usage; COMMAND --help: that command's usage and text only;
// --version: the project's version.
TEST_F(Cli, PrintsHelpPerCommandAndTheVersion) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> holds, lacks;
  };
  const std::string split = "pelarin-cli split [-C DIR] [--first N] [--sort] [--raw] LOG...";
  for (const Case& c : std::vector<Case>{
           {{"--help"}, {split, "pelarin-cli show [-C DIR] N", "Exit status:"}, {}},
           {{"show", "--help"},
            {"pelarin-cli show [-C DIR] N", "Mes. Number", "Exit status:"},
            {split, "boards"}},
           {{"outbox", "-C", "x", "-h"},
            {"outbox check", "index<TAB>line<TAB>problem"},
            {split, "pelarin-cli list"}},
           {{"library", "search", "--help"}, {"pelarin-cli library", "recover OUT", "--count"}, {split}},
           {{"split", "--version", "a.log"}, {"pelarin-cli " PELARIN_VERSION "\n"}, {"Usage"}},
       }) {
    Result r = run(c.args);
    EXPECT_EQ(r.status, 0) << c.args[0];
    EXPECT_EQ(r.err, "") << c.args[0];
    for (const std::string& text : c.holds)
      EXPECT_NE(r.out.find(text), std::string::npos) << c.args[0] << ": " << text;
    for (const std::string& text : c.lacks)
      EXPECT_EQ(r.out.find(text), std::string::npos) << c.args[0] << ": " << text;
  }
  Result unknown = run({"merge", "--help"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("unknown command 'merge'"), std::string::npos);
}

Bytes script(std::initializer_list<Lines> records) {
  Bytes bytes;
  for (const Lines& record : records)
    for (const Bytes& line : record) bytes += line + "\r\n";
  return bytes;
}

TEST_F(Cli, ListsAndChecksTheUploadScript) {
  writeFile(work_.path() / "upload.txt", script({responseRecord("B5", "123", sj("花見"), {"a", "b"}),
                                                 {"G 5"},
                                                 newMessageRecord("BF", "T", {}),
                                                 mailRecord(MailIds{"77", "12"}, sj("手紙"), {"x"})}));
  Result list = run({"outbox"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "1\tresponse\tB5\t花見\t8\n2\ttext\t\t\t1\n3\tnew\tBF\tT\t5\n4\tmail\t77\t手紙\t9\n");
  Result clean = run({"outbox", "check"});
  EXPECT_EQ(clean.status, 0) << clean.err;
  EXPECT_EQ(clean.out, "");

  // Another FILE, damaged by hand: every problem with its block and line, and status 1.
  writeFile(io_.path() / "bad.txt", script({{"b5", "W", Bytes(33, 'x'), "body"}}) + "M\r\nW\r\nab\r\n");
  Result bad = run({"outbox", "check", (io_.path() / "bad.txt").string()});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out,
            "1\t1\tボード番号 'b5' が正しくありません\n"
            "1\t3\tタイトルが 32 バイトを超えています (33 バイト)\n"
            "1\t4\t\"/es\" で終わっていません\n"
            "2\t7\tID 'ab' が正しくありません\n"
            "2\t7\tタイトルがありません\n"
            "2\t7\t\"/es\" で終わっていません\n");
  Result listed = run({"outbox", "-C", work_.path().string(), (io_.path() / "bad.txt").string()});
  EXPECT_EQ(listed.out, "1\tnew\tb5\t" + Bytes(33, 'x') + "\t4\n2\tmail\tab\t\t3\n");
}

TEST_F(Cli, OutboxFindsTheScriptTheSettingsName) {
  AppHost host;
  AppState state;
  SetDefaults(state, host);
  state.WorkDir = work_.path().string() + "/";
  state.TextFileDir = "out/";
  state.UpFileName = "nifty.txt";
  SaveSettings(state);
  std::filesystem::create_directory(work_.path() / "out");
  writeFile(work_.path() / "out" / "nifty.txt", script({newMessageRecord("B1", "T", {})}));
  Result r = run({"outbox", "-C", work_.path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1\tnew\tB1\tT\t5\n");
  // No script yet: nothing to list, no error.
  Result none = run({"outbox", "-C", io_.path().string()});
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(none.out, "");
}

}  // namespace
}  // namespace pelarin::testing
