#include "core/library/library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "core/app/appstate.h"
#include "core/library/exportmbox.h"
#include "core/library/exportquery.h"
#include "core/library/librarystore.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/logimport/splitlog.h"
#include "core/text/cp932.h"
#include "core/text/linereader.h"
#include "core/text/paths.h"
#include "core/text/progress.h"
#include "librarylogs.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::boardLog;
using testing::LogMessage;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

class LibraryTest : public ::testing::Test {
 protected:
  ImportResult import(ByteView bytes, const std::string& name, const std::string& host = "pelnet") {
    writeFile(logs_ / name, bytes);
    LineReader in(logs_ / name, LineReader::Form::Guess);
    return library_.importLog(in, host, state_);
  }
  std::vector<int64_t> find(const std::string& query, const LibraryFilter& filter = {}) {
    return library_.search(splitTerms(query), filter);
  }
  std::string titleOf(int64_t id) {
    std::string t = cp932ToUtf8(library_.message(id).keys.Title);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
  }
  std::vector<std::string> titles(const std::string& query) {
    std::vector<std::string> out;
    for (int64_t id : find(query)) out.push_back(titleOf(id));
    return out;
  }
  int64_t copiesOf(int64_t id) {
    Statement s(library_.database(), "SELECT count(*) FROM copies WHERE message = ?1");
    s.bind(1, id);
    s.step();
    return s.integer(0);
  }

  TempDir dir_, logs_;
  AppState state_;
  Library library_{dir_.path()};
};

TEST_F(LibraryTest, SameLogTwiceAddsNothingAndCopiesKeepTheLongerBody) {
  const Bytes first = boardLog("３", {{"00001", "一", {"short"}}, {"00002", "二", {"same"}}});
  ImportResult r = import(first, "a.log");
  EXPECT_EQ(r.added, 2);
  EXPECT_EQ(r.duplicates, 0);
  r = import(first, "again.log");
  EXPECT_TRUE(r.seenBefore);
  EXPECT_EQ(r.added, 0);

  // Captured again: message 1 with more of its body, message 2 as it was.
  r = import(
      boardLog("３",
               {{"00001", "一", {"short", "and more"}}, {"00002", "二", {"same"}}, {"00003", "三", {"new"}}}),
      "b.log");
  EXPECT_EQ(r.added, 1);
  EXPECT_EQ(r.duplicates, 2);
  const std::vector<int64_t> all = find("");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(library_.message(all[0]).body, "short\r\nand more\r\n");
  EXPECT_EQ(copiesOf(all[0]), 2);
  EXPECT_EQ(copiesOf(all[2]), 1);
  // The index follows the kept copy: the old text is gone from it.
  EXPECT_EQ(find("more"), std::vector<int64_t>{all[0]});

  // Another host keeps its own messages of the same numbers.
  r = import(first, "c.log", "other");
  EXPECT_EQ(r.added, 2);
  LibraryFilter other;
  other.host = "other";
  EXPECT_EQ(find("", other).size(), 2u);
}

// A second capture under a number is that message only when writer ID and
// title agree and one body begins the other; anything else is kept apart.
TEST_F(LibraryTest, ASecondCaptureIsTheMessageOnlyWhenWriterTitleAndTextAgree) {
  struct Case {
    const char* what;
    LogMessage held, again;
    const char* kept;  // the body kept of the one message, or nullptr: two messages
  };
  const Case cases[] = {
      {"cut short", {"00001", "t", {"a", "b"}}, {"00001", "t", {"a", "b", "c"}}, "a\r\nb\r\nc\r\n"},
      {"the shorter later", {"00001", "t", {"a", "b"}}, {"00001", "t", {"a"}}, "a\r\nb\r\n"},
      {"cut inside a line", {"00001", "t", {"hel"}}, {"00001", "t", {"hello", "x"}}, "hello\r\nx\r\n"},
      {"padding aside", {"00001", "t", {"a  ", "", ""}}, {"00001", "t", {"a", "b"}}, "a\r\nb\r\n"},
      {"padding is not more", {"00001", "t", {"a"}}, {"00001", "t", {"a   ", "", ""}}, "a\r\n"},
      {"another writer", {"00001", "t", {"a"}}, {"00001", "t", {"a"}, "", "0002"}, nullptr},
      {"another title", {"00001", "t", {"a"}}, {"00001", "u", {"a", "b"}}, nullptr},
      {"another text", {"00001", "t", {"same"}}, {"00001", "t", {"SAME"}}, nullptr},
      {"another line", {"00001", "t", {"a", "b"}}, {"00001", "t", {"a", "c", "d"}}, nullptr},
  };
  for (const Case& c : cases) {
    LibraryFilter host;
    host.host = c.what;
    import(boardLog("３", {c.held}), "held.log", c.what);
    const ImportResult r = import(boardLog("３", {c.again}), "again.log", c.what);
    const std::vector<int64_t> ids = find("", host);
    std::vector<Bytes> bodies;
    for (int64_t id : ids) bodies.push_back(library_.message(id).body);
    if (c.kept) {
      EXPECT_EQ(r.duplicates, 1) << c.what;
      EXPECT_EQ(bodies, std::vector<Bytes>{c.kept}) << c.what;
      continue;
    }
    EXPECT_EQ(r.added, 1) << c.what;
    std::vector<Bytes> both(2);
    for (const std::string& line : c.held.body) both[0] += sj(line) + "\r\n";
    for (const std::string& line : c.again.body) both[1] += sj(line) + "\r\n";
    EXPECT_EQ(bodies, both) << c.what;
  }
}

// Two messages of one number, two hosts' logs filed under "" or a board numbered
// anew: each in its own thread, a reply under the one its log holds.
TEST_F(LibraryTest, MessagesOfOneNumberAreSiblingsEachInItsThread) {
  import(boardLog("３", {{"00005",
                          "first host",
                          { "x" }},
                         { "00006",
                           "re first",
                           {"y"},
                           "00005",
                           "0002" }}),
         "a.log", "");
  import(boardLog("３", {{"00005", "second host", {"z"}, "", "0003"},
                         {"00006", "re second", {"w"}, "00005", "0004"},
                         { "00007",
                           "re re second",
                           {"v"},
                           "00006",
                           "0005" }}),
         "b.log", "");
  import(boardLog("４", {{"00010",
                          "root",
                          { "r" }},
                         { "00011",
                           "old answer",
                           {"o"},
                           "00010" }}),
         "c.log", "");
  import(boardLog("４", {{ "00011", "new answer", {"n"}, "00010", "0009" }}), "d.log", "");
  auto thread = [&](const std::string& title) {
    std::vector<std::string> out;
    for (int64_t id : find(""))
      if (titleOf(id) == title)
        for (const ThreadLine& t : library_.thread(id))
          out.push_back(std::to_string(t.depth) + " " + titleOf(t.id));
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(thread("re first"), (V{"0 first host", "1 re first"}));
  EXPECT_EQ(thread("re re second"), (V{"0 second host", "1 re second", "2 re re second"}));
  EXPECT_EQ(thread("new answer"), (V{"0 root", "1 old answer", "1 new answer"}));
  EXPECT_EQ(titles("answer"), (V{"old answer", "new answer"}));
  // Each keeps a Message-ID of its own, and a reply names its own parent's: a mail reader drops none.
  const std::vector<ExportMessage> all = exportMessages(library_, find(""), dir_.path());
  std::map<std::string, std::string> idOf;
  const auto trimmed = [](std::string t) { return t.erase(t.find_last_not_of(' ') + 1); };
  for (const ExportMessage& m : all) idOf[trimmed(m.title)] = messageIdOf(m);
  EXPECT_EQ(idOf.size(), all.size());
  std::set<std::string> distinct;
  for (const auto& [title, id] : idOf) distinct.insert(id);
  EXPECT_EQ(distinct.size(), all.size());
  for (const ExportMessage& m : all) {
    if (trimmed(m.title) == "re second") {
      EXPECT_EQ(referencesOf(m).back(), idOf["second host"]);
    }
  }
}

TEST_F(LibraryTest, ALogTheSplitStopsInKeepsWhatCameBeforeAndIsReadAgainNextTime) {
  const Bytes log = boardLog("３", {{"00001", "一", {"a"}}, {"00002", "二", {"b"}}}) +
                    boardLog("３", {{"00003", "三", {"c"}, "", "0x01"}});
  ImportResult r = import(log, "stops.log");
  EXPECT_EQ(r.added, 2);
  EXPECT_NE(r.stopped.find("stops.log の"), std::string::npos) << r.stopped;
  r = import(log, "stops.log");
  EXPECT_FALSE(r.seenBefore);
  EXPECT_EQ(r.added, 0);
  EXPECT_EQ(r.duplicates, 2);
  EXPECT_FALSE(r.stopped.empty());
  EXPECT_EQ(library_.stats().logs, 1);

  // An older library recorded each try apart: the next try makes them one.
  library_.database().exec(
      "INSERT INTO sources(host, name, size, mtime, sha256, messages, imported, complete) "
      "SELECT host, name, size, mtime, sha256, messages, imported, complete FROM sources");
  library_.database().exec("INSERT INTO copies SELECT message, 2, position, line FROM copies");
  import(log, "stops.log");
  EXPECT_EQ(library_.stats().logs, 1);
  EXPECT_EQ(copiesOf(find("")[0]), 1);
}

// A number that reads as none or below one (line noise) leaves the text to know a message by.
TEST_F(LibraryTest, ARecaptureAddsNothingWhateverItsNumberReadsAs) {
  for (const std::string number : {"-0003", "00000", "00007"}) {
    const LogMessage m{number, "noise", {"text"}};
    EXPECT_EQ(import(boardLog("３", {m}), "a.log", number).added, 1) << number;
    const ImportResult again = import(boardLog("３", {m, {"00100", "next", {"n"}}}), "b.log", number);
    EXPECT_EQ(again.added, 1) << number;
    EXPECT_EQ(again.duplicates, 1) << number;
  }
}

// A log that changes while it is read (still being written, a copy begun
// again) is read again on the next add, and stays one log.
TEST_F(LibraryTest, ALogChangedWhileReadIsReadAgainAndStaysOneLog) {
  std::vector<LogMessage> messages;
  for (int i = 1; i <= 3000; ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%05d", i);
    messages.push_back({number, "title " + std::to_string(i), {"body " + std::to_string(i)}});
  }
  const Bytes whole = boardLog("３", messages);
  const size_t half = whole.size() / 2;
  ASSERT_GT(half, size_t{1} << 17);  // the reading takes several pieces
  const std::filesystem::path log = logs_ / "capture.log";
  struct Case {
    const char* what;
    Bytes start;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"still being written", whole.substr(0, half),
       [&] { std::ofstream(log, std::ios::binary | std::ios::app) << whole.substr(half); }},
      {"a copy begun again", whole, [&] { std::filesystem::resize_file(log, half); }},
  };
  for (const Case& c : cases) {
    LibraryFilter host;
    host.host = c.what;
    writeFile(log, c.start);
    Progress progress;
    progress.onStep = [&, changed = false](const Progress& p) mutable {
      if (!changed && p.bytes.load() > 0) c.change();
      changed = changed || p.bytes.load() > 0;
    };
    LineReader first(log, LineReader::Form::Guess);
    EXPECT_TRUE(library_.importLog(first, c.what, state_, &progress).unfinished) << c.what;
    writeFile(log, whole);
    LineReader finished(log, LineReader::Form::Guess);
    const ImportResult r = library_.importLog(finished, c.what, state_);
    EXPECT_FALSE(r.seenBefore) << c.what;
    EXPECT_FALSE(r.unfinished) << c.what;
    EXPECT_EQ(library_.count({}, host), 3000u) << c.what;
    LineReader again(log, LineReader::Form::Guess);
    EXPECT_TRUE(library_.importLog(again, c.what, state_).seenBefore) << c.what;
  }
  EXPECT_EQ(library_.stats().logs, 2);
}

TEST_F(LibraryTest, AMessageOverTheLimitIsRefusedByItsLineAndTheRestGoesIn) {
  library_.setMessageLimit(1000);
  const Bytes log = boardLog("３", {{"00001", "small", {"a"}},
                                    {"00002", "huge", std::vector<std::string>(30, std::string(40, 'x'))},
                                    {"00003", "after", {"b"}}});
  const ImportResult r = import(log, "big.log");
  EXPECT_EQ(r.added, 2);
  EXPECT_EQ(titles(""), (std::vector<std::string>{"small", "after"}));
  EXPECT_NE(r.stopped.find("を超えるメッセージは取り込めません。\nbig.log の 6 行目"), std::string::npos)
      << r.stopped;
  // Reading it again would refuse the same message: the log is done with.
  EXPECT_TRUE(import(log, "big.log").seenBefore);
}

// A body too large to hand to the index whole goes in, and out again when a
// longer capture replaces it, with the very tokens a small one would.
TEST_F(LibraryTest, ALargeBodyIsIndexedAndReplacedAsASmallOneIs) {
  std::vector<std::string> lines;
  for (size_t i = 0, bytes = 0; bytes < (size_t{9} << 19); ++i) {
    lines.push_back("東京都の天気 line " + std::to_string(i) + " ｶﾀｶﾅ　ＰＣ word" + std::to_string(i % 977));
    bytes += sj(lines.back()).size() + 2;
  }
  const auto vocabulary = [](Library& library) {
    library.database().exec(
        "CREATE VIRTUAL TABLE IF NOT EXISTS temp.vocab USING fts5vocab(main, fts, 'row')");
    Statement s(library.database(), "SELECT term, doc, cnt FROM temp.vocab ORDER BY term");
    std::vector<std::string> rows;
    while (s.step())
      rows.push_back(s.text(0) + " " + std::to_string(s.integer(1)) + " " + std::to_string(s.integer(2)));
    return rows;
  };
  const LogMessage whole{"00001", "big", lines};
  LogMessage head = whole;
  head.body.resize(lines.size() * 9 / 10);
  import(boardLog("３", {head}), "cut.log");
  EXPECT_EQ(import(boardLog("３", {whole}), "whole.log").duplicates, 1);
  TempDir other;
  Library fresh(other.path());
  writeFile(logs_ / "fresh.log", boardLog("３", {whole}));
  LineReader in(logs_ / "fresh.log", LineReader::Form::Guess);
  fresh.importLog(in, "pelnet", state_);
  const std::vector<std::string> words = vocabulary(library_);
  EXPECT_EQ(words, vocabulary(fresh));
  const std::vector<int64_t> found = find("line " + std::to_string(lines.size() - 1));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_GT(library_.message(found[0]).body.size(), size_t{4} << 20);  // over what is indexed whole
}

TEST_F(LibraryTest, MailIsOneMessageByWriterTitleAndBody) {
  const Bytes sample = readFile(std::filesystem::path(PELARIN_SAMPLES) / "sample.log");
  const ImportResult r = import(sample, "sample.log");
  ASSERT_GT(r.added, 0);
  // The same session with a line more: a new log, every message a copy, mail included.
  const ImportResult again = import(sample + "\r\n", "sample2.log");
  EXPECT_FALSE(again.seenBefore);
  EXPECT_EQ(again.added, 0);
  EXPECT_EQ(again.duplicates, r.added);
  LibraryFilter mail;
  mail.boardKey = 20000;
  EXPECT_FALSE(find("", mail).empty());
}

TEST_F(LibraryTest, FoldingMeetsWidthsAndCase) {
  import(boardLog("３", {{"00001", "ＰＣの話", {"ｶﾀｶﾅで書いた"}},
                        {"00002", "pc again", {"カタカナ", "Ｔｏｋｙｏ　２０２６"}},
                        {"00003", "other", {"nothing"}}}),
         "a.log");
  using V = std::vector<std::string>;
  EXPECT_EQ(titles("PC"), (V{"ＰＣの話", "pc again"}));
  EXPECT_EQ(titles("ｐｃ"), (V{"ＰＣの話", "pc again"}));
  EXPECT_EQ(titles("カタカナ"), (V{"ＰＣの話", "pc again"}));
  EXPECT_EQ(titles("ｶﾀｶﾅ"), (V{"ＰＣの話", "pc again"}));
  EXPECT_EQ(titles("tokyo 2026"), (V{"pc again"}));
  EXPECT_EQ(titles("tok"), (V{"pc again"}));  // a word's start
  EXPECT_EQ(titles("PC\xE3\x80\x80話"), (V{"ＰＣの話"}));  // terms apart, by the ideographic space
}

// Both sides folded alike: kana of either kind, the long-vowel mark as it
// is typed, a line the capture wrapped, digits apart from letters.
TEST_F(LibraryTest, TermsMatchWhatAJapaneseReaderMeans) {
  import(boardLog("３", {{"00001", "kana", {"ヒラガナで書く"}},
                        {"00002", "long vowel", {"コンピュ－タ－を買った"}},
                        {"00003", "beer", {"ビール"}},
                        {"00004", "building", {"ビル"}},
                        {"00005", "wrapped", {"あれは東京", "都庁です"}},
                        {"00006", "paragraph", {"東京", "", "都庁"}},
                        {"00007", "first half", {"東京"}},
                        {"00008", "second half", {"都庁"}},
                        {"00009", "pc98", {"PC98を使う"}},
                        {"00010", "pc-98", {"PC-98"}},
                        {"00011", "fullwidth", {"ＰＣ９８"}},
                        {"00012", "x68k", {"X68000 と PC9801"}},
                        {"00013", "ascii lines", {"hello", "world"}},
                        {"00014", "blank", {"東京 都庁"}}}),
         "a.log");
  using V = std::vector<std::string>;
  const struct {
    const char* query;
    V titles;
  } cases[] = {
      {"ひらがな", {"kana"}},
      {"ヒラガナ", {"kana"}},
      {"ｺﾝﾋﾟｭｰﾀｰ", {"long vowel"}},
      {"コンピューター", {"long vowel"}},
      {"こんぴゅ―た─", {"long vowel"}},
      {"ビール", {"beer"}},
      {"ビル", {"building"}},
      {"東京都庁", {"wrapped"}},
      {"東京 都庁", {"wrapped", "paragraph", "blank"}},
      {"98", {"pc98", "pc-98", "fullwidth", "x68k"}},  // 9801 begins with it
      {"PC98", {"pc98", "pc-98", "fullwidth", "x68k"}},
      {"68000", {"x68k"}},
      {"x68000", {"x68k"}},
      {"8000", {}},
      {"helloworld", {}},
      {"hello world", {"ascii lines"}},
  };
  for (const auto& c : cases) EXPECT_EQ(titles(c.query), c.titles) << c.query;
  EXPECT_TRUE(termQuery("PC98").exact);
  EXPECT_TRUE(termQuery("東京都庁").exact);
}

// One query string as the window and the command line pass it.
TEST_F(LibraryTest, FieldsExclusionsAlternativesAndPhrases) {
  import(boardLog("３", {{"00001", "猫", {"東京 都庁へ"}, "", "1234", "太郎"},
                        {"00002", "犬", {"猫と犬", "C++ で書く"}, "", "0001", "花子"},
                        {"00003", "鳥", {"東京と都庁"}, "00001", "0001", "太郎"}}),
         "a.log");
  using V = std::vector<std::string>;
  const struct {
    const char* query;
    V titles;
  } cases[] = {
      {"title:猫", {"猫"}},
      {"猫", {"猫", "犬"}},
      {"name:太郎", {"猫", "鳥"}},
      {"id:1234", {"猫"}},
      {"no:2", {"犬"}},
      {"re:1", {"鳥"}},
      {"is:response", {"鳥"}},
      {"board:B3 host:pelnet", {"猫", "犬", "鳥"}},
      {"board:B4", {}},
      {"host:other", {}},
      {"猫 -犬", {"猫"}},
      {"-猫", {"鳥"}},
      {"猫 OR 鳥", {"猫", "犬", "鳥"}},
      {"title:猫 OR title:鳥", {"猫", "鳥"}},
      {"\"東京 都庁\"", {"猫"}},
      {"東京 都庁", {"猫", "鳥"}},
      {"C++", {"犬"}},
      {"-\"東京 都庁\"", {"犬", "鳥"}},
      {"is:response OR id:1234", {"猫", "鳥"}},
      {"title:猫 OR -id:0001", {"猫"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> got;
    for (int64_t id : library_.search({c.query}, {})) got.push_back(titleOf(id));
    EXPECT_EQ(got, c.titles) << c.query;
    EXPECT_EQ(library_.count({c.query}, {}), c.titles.size()) << c.query;
  }
  // Best first: a title holding a term above a body holding it.
  std::vector<std::string> ranked;
  for (int64_t id : library_.searchByRelevance({"猫 OR 鳥"}, {})) ranked.push_back(titleOf(id));
  EXPECT_EQ(ranked, (V{"鳥", "猫", "犬"}));  // the rarer term first
}

TEST_F(LibraryTest, ShortTermsAreAnsweredByTheIndexAlone) {
  // One character: every token starting with it; two: the bigram itself.
  TermQuery one = termQuery("猫");
  EXPECT_TRUE(one.exact);
  EXPECT_EQ(one.expression, "\"猫\" *");
  TermQuery two = termQuery("花見");
  EXPECT_TRUE(two.exact);
  EXPECT_EQ(two.expression, "\"花見\"");
  TermQuery three = termQuery("東京都");
  EXPECT_TRUE(three.exact);
  EXPECT_EQ(three.expression, "\"東京\" + \"京都\"");
  EXPECT_FALSE(termQuery("東京・京都").exact);

  import(boardLog("３", {{"00001", "猫", {"花見に猫"}}, {"00002", "見花", {"猫花"}}, {"00003", "x", {"見"}}}),
         "a.log");
  using V = std::vector<std::string>;
  EXPECT_EQ(titles("猫"), (V{"猫", "見花"}));
  EXPECT_EQ(titles("花見"), (V{"猫"}));
  EXPECT_EQ(titles("見"), (V{"猫", "見花", "x"}));  // at a run's end, start and alone
  EXPECT_EQ(library_.count(splitTerms("猫"), {}), 2u);

  // The count of a short term comes from the index without reading a message.
  Statement plan(library_.database(), "EXPLAIN QUERY PLAN SELECT count(*) FROM fts WHERE fts MATCH ?1");
  plan.bind(1, one.expression);
  ASSERT_TRUE(plan.step());
  EXPECT_NE(plan.text(3).find("VIRTUAL TABLE INDEX"), std::string::npos) << plan.text(3);
}

TEST_F(LibraryTest, LongerTermsAreOnePlaceNeverTwo) {
  import(boardLog("３", {{"00001", "apart", {"東京に行って京都へ"}},
                        {"00002", "together", {"東京都の話"}},
                        {"00003", "split by a dot", {"東京・京都"}},
                        {"00004", "across lines", {"東京", "都"}},
                        {"00005", "long word", {std::string(128, 'a') + "bc"}},
                        {"00006", "same head", {std::string(128, 'a') + "bd"}}}),
         "a.log");
  using V = std::vector<std::string>;
  // The index cuts long words, so their tails are checked.
  EXPECT_EQ(titles(std::string(128, 'a') + "bc"), (V{"long word"}));
  EXPECT_EQ(titles("東京都"), (V{"together", "across lines"}));  // the capture wrapped it
  EXPECT_EQ(titles("東京・京都"), (V{"split by a dot"}));
  EXPECT_EQ(titles("京都"), (V{"apart", "together", "split by a dot", "across lines"}));
  EXPECT_EQ(library_.count(splitTerms("東京都"), {}), 2u);
}

// A long term asks the index for a bounded part of itself and checks each hit
// whole; a term too long or not UTF-8 is refused, never dropped.
TEST_F(LibraryTest, LongTermsCostABoundedPhraseAndBadTermsAreRefused) {
  const std::string run = "春夏秋冬東西南北上下左右前後内外天地山川草木";
  std::string comma20, comma10;
  for (int i = 0; i < 20; ++i) comma20 += i ? ",it" : "it";
  for (int i = 0; i < 10; ++i) comma10 += i ? ",it" : "it";
  import(boardLog("３", {{"00001",
                          "whole",
                          { "xx" + run + "yy" }},
                         {"00002",
                          "one changed",
                          { "春夏秋冬東西南北上下左右前後内外天地山川草花" }},
                         {"00003",
                          "twenty",
                          { comma20 }},
                         { "00004",
                           "ten",
                           { comma10 } }}),
         "a.log");
  using V = std::vector<std::string>;
  const struct {
    std::string query;
    V titles;
  } cases[] = {
      {run, {"whole"}},
      {"春夏秋冬東西南北上下左右前後内外天地山川草花", {"one changed"}},
      {"夏秋冬東西南北上下左右前後内外天地山川草木y", {"whole"}},
      {comma20, {"twenty"}},
      {comma10, {"twenty", "ten"}},
      {"it it it it it it it it it it it", {"twenty", "ten"}},  // the same term once
  };
  for (const auto& c : cases) EXPECT_EQ(titles(c.query), c.titles) << c.query;
  const TermQuery q = termQuery(run);
  EXPECT_FALSE(q.exact);
  EXPECT_EQ(std::count(q.expression.begin(), q.expression.end(), '"'), 16) << q.expression;

  std::string longest;
  for (size_t i = 0; i < kMostTermCharacters; ++i) longest += "あ";
  EXPECT_NO_THROW(find(longest));
  for (const std::string& bad : {longest + "a", std::string("\xE3\x81"), std::string("ok\xFFok")})
    EXPECT_THROW(find("ok " + bad), SearchTermError) << bad;
  EXPECT_THROW(library_.count({longest + "a"}, {}), SearchTermError);
}

TEST_F(LibraryTest, ThreadsFollowReplyNumbersAndAMissingParentMakesARoot) {
  import(boardLog("３", {{"00010", "root", {"r"}},
                        {"00011", "re root", {"a"}, "00010"},
                        {"00012", "re re", {"b"}, "00011"},
                        {"00013", "re root 2", {"c"}, "00010"},
                        {"00020", "orphan", {"d"}, "00005"},
                        {"00021", "re orphan", {"e"}, "00020"}}),
         "a.log");
  import(boardLog("４", {{"00011", "other board", {"x"}, "00010"}}), "b.log");
  auto line = [&](const ThreadLine& t) { return std::to_string(t.depth) + " " + titleOf(t.id); };
  auto thread = [&](const std::string& title) {
    std::vector<std::string> out;
    for (int64_t id : find(""))
      if (titleOf(id) == title)
        for (const ThreadLine& t : library_.thread(id)) out.push_back(line(t));
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(thread("re re"), (V{"0 root", "1 re root", "2 re re", "1 re root 2"}));
  EXPECT_EQ(thread("re orphan"), (V{"0 orphan", "1 re orphan"}));
  EXPECT_EQ(thread("other board"), (V{"0 other board"}));
  EXPECT_THROW(library_.thread(999), LibraryError);
}

TEST_F(LibraryTest, ExportSelectionDecodesAndGivesAncestorsRootFirst) {
  import(boardLog("３", {{"00010", "root", {"本文", ""}}, {"00011", "re", {"a"}, "00010"},
                        {"00012", "re re", {"b"}, "00011"}}),
         "a.log");
  writeFile(dir_ / "pelnet.bod", testing::crlf({sj("ぺるねっと"), sj("B3    雑談ボード          ")}));
  const std::vector<int64_t> ids = find("");
  const std::vector<ExportMessage> m = exportMessages(library_, ids, dir_.path());
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].body, "本文\n\n");
  EXPECT_EQ(m[0].boardCode, "B3");
  EXPECT_EQ(m[0].boardName, "雑談ボード");
  EXPECT_EQ(m[0].host, "pelnet");
  EXPECT_TRUE(m[0].ancestors.empty());
  EXPECT_EQ(m[2].replyTo, 11);
  EXPECT_EQ(m[2].ancestors, (std::vector<int64_t>{ids[0], ids[1]}));
  EXPECT_GT(m[2].logTime, 0);
}

TEST_F(LibraryTest, ThreadAndBoardSelectionsAndTheirCountedDecoding) {
  import(boardLog("３", {{"00010", "root", {"r"}}, {"00012", "re later", {"b"}, "00010"},
                        {"00011", "re first", {"a"}, "00010"}, {"00013", "alone", {"c"}}}),
         "a.log");
  import(boardLog("４", {{"00011", "other board", {"x"}, "00010"}}), "b.log");
  import(boardLog("３", {{"00010", "other host", {"y"}}}), "c.log", "elsewhere");
  LibraryFilter pelnet;
  pelnet.host = "pelnet";
  const std::vector<int64_t> all = find("", pelnet);
  ASSERT_EQ(all.size(), 5u);
  auto titlesOf = [&](const std::vector<int64_t>& ids) {
    std::vector<std::string> out;
    for (int64_t id : ids) out.push_back(titleOf(id));
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(titlesOf(threadIds(library_, all[1])), (V{"root", "re first", "re later"}));
  EXPECT_EQ(titlesOf(boardIds(library_, "pelnet", 3)), (V{"root", "re first", "re later", "alone"}));
  EXPECT_EQ(titlesOf(boardIds(library_, "elsewhere", 3)), (V{"other host"}));
  EXPECT_TRUE(boardIds(library_, "pelnet", 5).empty());

  Progress progress;
  std::vector<int64_t> steps;
  progress.onStep = [&](const Progress& p) {
    EXPECT_EQ(p.total.load(), 5);
    steps.push_back(p.done.load());
  };
  EXPECT_EQ(exportMessages(library_, all, dir_.path(), &progress).size(), 5u);
  EXPECT_EQ(steps, (std::vector<int64_t>{1, 2, 3, 4, 5}));
  progress.onStep = [&](const Progress& p) {
    if (p.done.load() == 2) progress.cancel = true;
  };
  EXPECT_THROW(exportMessages(library_, all, dir_.path(), &progress), CancelledError);
}

// Export Thread of a reply chain: SQLite's own count of the work it does grows
// with the chain, not with its square or cube (no timing: VM steps).
TEST_F(LibraryTest, AChainTwiceAsDeepCostsTheLibraryTwiceTheWork) {
  auto chain = [](int depth) {
    std::vector<LogMessage> messages;
    for (int n = 1; n <= depth; ++n)
      messages.push_back(
          {std::to_string(10000 + n), "re", {"b"}, n > 1 ? std::to_string(10000 + n - 1) : ""});
    return messages;
  };
  import(boardLog("３", chain(100)), "a.log");
  import(boardLog("４", chain(200)), "b.log");
  auto stepsOf = [&](int32_t boardKey) {
    const int64_t deepest = boardIds(library_, "pelnet", boardKey).back();
    int64_t steps = 0;
    sqlite3_trace_v2(
        library_.database().handle(), SQLITE_TRACE_PROFILE,
        [](unsigned, void* total, void* statement, void*) {
          *static_cast<int64_t*>(total) +=
              sqlite3_stmt_status(static_cast<sqlite3_stmt*>(statement), SQLITE_STMTSTATUS_VM_STEP, 0);
          return 0;
        },
        &steps);
    const std::vector<ExportMessage> m = exportMessages(library_, threadIds(library_, deepest), dir_.path());
    sqlite3_trace_v2(library_.database().handle(), 0, nullptr, nullptr);
    EXPECT_EQ(m.back().ancestors.size(), m.size() - 1);
    return steps;
  };
  const int64_t shallow = stepsOf(3), deep = stepsOf(4);
  EXPECT_LT(deep, 3 * shallow) << shallow << " steps for 100 deep, " << deep << " for 200";
}

// The store written from the library holds the very files the splitter writes.
TEST_F(LibraryTest, OpenWritesTheSplittersFilesAndClearsTheRest) {
  const auto sample = std::filesystem::path(PELARIN_SAMPLES) / "sample.log";
  TempDir split;
  AppState s;
  s.WorkDir = split.text();
  const int32_t count = SplitLog(sample, 1, s) - 1;
  std::multiset<Bytes> expected;
  for (int32_t n = 1; n <= count; ++n) expected.insert(readFile(messagePath(split.path(), n)));

  import(readFile(sample), "sample.log");
  writeFile(messagePath(dir_.path(), 40), "old");
  const int32_t written = writeStoreFrom(library_, find(""), dir_.path());
  ASSERT_EQ(written, count);
  std::multiset<Bytes> got;
  for (int32_t n = 1; n <= written; ++n) got.insert(readFile(messagePath(dir_.path(), n)));
  EXPECT_EQ(got, expected);
  EXPECT_FALSE(fileExists(messagePath(dir_.path(), 40)));
  EXPECT_FALSE(fileExists(messagePath(dir_.path(), written + 1)));
}

}  // namespace
}  // namespace pelarin
