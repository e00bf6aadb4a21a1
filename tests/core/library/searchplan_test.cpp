#include "core/library/searchplan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/linereader.h"
#include "librarylogs.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::boardLog;
using testing::LogMessage;
using testing::TempDir;
using testing::writeFile;

// Numbers counted down within a log, boards and hosts imported out of their
// order: ids and the library's order disagree everywhere.
std::vector<LogMessage> messages(int first, int n, int salt) {
  std::vector<LogMessage> out;
  for (int i = 0; i < n; ++i) {
    const int k = (i * 7 + salt) % 11;
    char number[6];
    std::snprintf(number, sizeof number, "%05d", first + n - i);
    std::string body = k % 2 ? "猫がいる" : "犬がいる";
    if (k == 3) body += "東京都庁";
    if (k % 5 == 0) body += "ｶﾅ";
    out.push_back({number, "t" + std::to_string(k), {body}, {}, k % 3 ? "0001" : "0002"});
  }
  return out;
}

class SearchPlanTest : public ::testing::Test {
 protected:
  void import(Library& library, const std::string& board, int first, int n, int salt, const std::string& host) {
    const std::string name = host + board + std::to_string(first) + ".log";
    writeFile(logs_ / name, boardLog(board, messages(first, n, salt)));
    LineReader in(logs_ / name, LineReader::Form::Guess);
    library.importLog(in, host, state_);
  }
  // Ids in the library's order, as SQL sorts them: what both paths must give.
  std::vector<int64_t> ordered(const std::vector<int64_t>& ids) {
    std::vector<int64_t> out;
    Statement s(library_.database(), "SELECT id FROM messages ORDER BY host, board_key, number, id");
    while (s.step())
      if (std::find(ids.begin(), ids.end(), s.integer(0)) != ids.end()) out.push_back(s.integer(0));
    return out;
  }

  TempDir dir_, logs_;
  AppState state_;
  Library library_{dir_.path()};
};

TEST_F(SearchPlanTest, WalkAndGatherGiveTheSameIdsInTheLibrarysOrder) {
  import(library_, "５", 100, 60, 1, "zeta");
  import(library_, "３", 200, 60, 2, "zeta");
  import(library_, "５", 1, 60, 3, "alpha");
  import(library_, "３", 50, 60, 4, "alpha");

  struct Case {
    const char* terms;
    LibraryFilter filter;
    const char* exclude;  // a term whose hits are left out
    const char* where;    // a row condition, with one value
    int64_t value;
  };
  const Case cases[] = {
      {"猫", {}, "", "", 0},
      {"犬 いる", {}, "", "", 0},
      {"東京都庁", {}, "", "", 0},           // three characters and more: the index's pairs
      {"カナ", {}, "", "", 0},               // confirmed against the folded text
      {"猫", {"alpha", {}, {}}, "", "", 0},  // one host
      {"いる", {{}, 3, {}}, "", "", 0},      // one board key over two hosts
      {"猫", {"zeta", 5, {}}, "", "", 0},
      {"いる", {{}, {}, 2}, "", "", 0},      // writer ID
      {"いる", {}, "東京", "", 0},
      {"猫", {"zeta", {}, {}}, "", "m.number > ?", 150},
      {"いる", {}, "猫", "m.number < ?", 120},
      // Terms of one character: the table of characters, alone and with words.
      {"い", {}, "", "", 0},
      {"猫 t", {}, "", "", 0},
      {"い -猫", {"zeta", {}, {}}, "", "", 0},
      {"title:3 東", {}, "", "", 0},
      {"る", {}, "東京", "m.number > ?", 120},
  };
  for (const Case& c : cases) {
    SearchQuery q = searchQueryOf(splitTerms(c.terms), c.filter);
    if (*c.exclude) q.exclude = termQuery(c.exclude).expression;
    if (*c.where) {
      q.where = c.where;
      q.values = {c.value};
    }
    const std::vector<int64_t> all = library_.search(q, 0, SearchPath::Walk);
    ASSERT_FALSE(all.empty()) << c.terms;
    EXPECT_EQ(all, ordered(all)) << c.terms;
    EXPECT_EQ(library_.search(q, 0, SearchPath::Gather), all) << c.terms;
    EXPECT_EQ(library_.count(q), all.size()) << c.terms;
    for (size_t limit : {size_t{1}, size_t{7}, all.size() + 1}) {
      const std::vector<int64_t> first(all.begin(), all.begin() + std::min(limit, all.size()));
      EXPECT_EQ(library_.search(q, limit, SearchPath::Walk), first) << c.terms << " " << limit;
      EXPECT_EQ(library_.search(q, limit, SearchPath::Gather), first) << c.terms << " " << limit;
      EXPECT_EQ(library_.search(q, limit, SearchPath::ByCost), first) << c.terms << " " << limit;
    }
  }
}

// What the table of characters answers is what the word index finds for the
// same term read as the start of a token, also after a longer capture
// replaced a message's text (its old characters taken out again).
TEST_F(SearchPlanTest, OneCharacterTermsFindWhatTheWordIndexFinds) {
  import(library_, "５", 100, 40, 1, "zeta");
  std::vector<LogMessage> longer = messages(100, 40, 1);
  for (LogMessage& m : longer) m.body.push_back(m.body[0] + "ｱ追記");
  writeFile(logs_ / "again.log", boardLog("５", longer));
  LineReader in(logs_ / "again.log", LineReader::Form::Guess);
  ASSERT_EQ(library_.importLog(in, "zeta", state_).added, 0);

  const struct {
    const char* term;
    const char* words;  // the same term in the word index, an FTS5 expression
  } cases[] = {{"猫", "\"猫\" *"}, {"ｶ", "\"か\" *"}, {"追", "\"追\" *"}, {"t", "\"t\" *"}, {"3", "\"3\" *"},
               {"title:t", "{title} : (\"t\" *)"}, {"name:a", "{writer} : (\"a\" *)"}, {"東", "\"東\" *"}};
  for (const auto& c : cases) {
    std::vector<int64_t> expected;
    Statement s(library_.database(), "SELECT rowid FROM fts WHERE fts MATCH ?1");
    s.bind(1, c.words);
    while (s.step()) expected.push_back(s.integer(0));
    ASSERT_FALSE(expected.empty()) << c.term;
    const SearchQuery q = searchQueryOf({c.term}, {});
    ASSERT_EQ(q.characterTerms.size(), 1u) << c.term;
    EXPECT_EQ(library_.search(q, 0, SearchPath::Gather), ordered(expected)) << c.term;
    EXPECT_EQ(library_.count(q), expected.size()) << c.term;
  }
}

// A rare word with a common character and the other way round: the word
// index's and the table of characters' hits meet across long runs of ids.
TEST_F(SearchPlanTest, ARareAndACommonTermMeetWhereverTheyAreApart) {
  std::vector<LogMessage> many;
  for (int i = 1; i <= 300; ++i) {
    char number[6];
    std::snprintf(number, sizeof number, "%05d", i);
    many.push_back({number, "t", {i == 7 || i == 180 || i == 181 ? "稀語がいる" : "猫がいる"}});
  }
  writeFile(logs_ / "many.log", boardLog("５", many));
  LineReader in(logs_ / "many.log", LineReader::Form::Guess);
  library_.importLog(in, "h", state_);
  for (const char* terms : {"稀語 る", "稀 いる", "る 稀語", "稀 る"}) {
    const SearchQuery q = searchQueryOf(splitTerms(terms), {});
    const std::vector<int64_t> found = library_.search(q, 0, SearchPath::Gather);
    EXPECT_EQ(found.size(), 3u) << terms;
    EXPECT_EQ(library_.count(q), 3u) << terms;
    EXPECT_EQ(library_.search(q, 0, SearchPath::Walk), found) << terms;
  }
}

TEST_F(SearchPlanTest, TheOrderHeldInMemoryFollowsImportsOfThisAndOtherConnections) {
  import(library_, "５", 100, 20, 1, "mid");
  SearchQuery q = searchQueryOf(splitTerms("猫"), {});
  const size_t before = library_.search(q, 0, SearchPath::Gather).size();
  // Messages ahead of all the others in the order, from this connection, then from another.
  import(library_, "３", 1, 20, 1, "mid");
  std::vector<int64_t> now = library_.search(q, 0, SearchPath::Gather);
  EXPECT_EQ(now.size(), 2 * before);
  EXPECT_EQ(library_.search(q, 3, SearchPath::Gather), library_.search(q, 3, SearchPath::Walk));
  {
    Library other(dir_.path());
    import(other, "３", 1, 20, 1, "any");
  }
  now = library_.search(q, 0, SearchPath::Gather);
  EXPECT_EQ(now.size(), 3 * before);
  EXPECT_EQ(library_.search(q, 5, SearchPath::Gather), library_.search(q, 5, SearchPath::Walk));
}

}  // namespace
}  // namespace pelarin
