#include "core/library/library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/app/appstate.h"
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

  // Captured again: message 1 with more of its body, message 2 the same length but other bytes.
  r = import(boardLog("３", {{"00001", "一", {"short", "and more"}}, {"00002", "二", {"SAME"}},
                            {"00003", "三", {"new"}}}),
             "b.log");
  EXPECT_EQ(r.added, 1);
  EXPECT_EQ(r.duplicates, 2);
  const std::vector<int64_t> all = find("");
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(library_.message(all[0]).body, "short\r\nand more\r\n");
  EXPECT_EQ(library_.message(all[1]).body, "same\r\n");  // a tie keeps the earlier
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
  EXPECT_EQ(titles("東京都"), (V{"together"}));
  EXPECT_EQ(titles("東京・京都"), (V{"split by a dot"}));
  EXPECT_EQ(titles("京都"), (V{"apart", "together", "split by a dot"}));
  EXPECT_EQ(library_.count(splitTerms("東京都"), {}), 1u);
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
