// What the reader keeps (read, marks, mutes, saved searches): by message
// identity across captures and recovers, in searches and counts, and in a
// library of the schema before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <thread>

#include "core/app/appstate.h"
#include "core/library/boardtally.h"
#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/library/libraryrecover.h"
#include "core/library/librarystate.h"
#include "core/library/exportmbox.h"
#include "core/library/exportquery.h"
#include "core/library/savedsearch.h"
#include "core/library/statefile.h"
#include "core/library/searchplan.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/cp932.h"
#include "core/text/linereader.h"
#include "librarylogs.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::boardLog;
using testing::LogMessage;
using testing::TempDir;
using testing::writeFile;

using Titles = std::vector<std::string>;

class ReaderState : public ::testing::Test {
 protected:
  void import(Library& library, const std::string& name, const std::vector<LogMessage>& messages) {
    writeFile(logs_ / name, boardLog("３", messages));
    LineReader in(logs_ / name, LineReader::Form::Guess);
    AppState state;
    library.importLog(in, "pelnet", state);
  }
  static std::string titleOf(Library& library, int64_t id) {
    std::string t = cp932ToUtf8(library.message(id).keys.Title);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
  }
  static Titles titles(Library& library, const std::vector<int64_t>& ids) {
    Titles out;
    for (int64_t id : ids) out.push_back(titleOf(library, id));
    return out;
  }
  static int64_t idOf(Library& library, const std::string& title) {
    LibraryFilter all;
    all.muted = true;
    for (int64_t id : library.search({}, all))
      if (titleOf(library, id) == title) return id;
    ADD_FAILURE() << title;
    return 0;
  }
  // "read marked muted" as 0/1 each, by title, of every message.
  static std::map<std::string, std::string> states(Library& library) {
    LibraryFilter all;
    all.muted = true;
    std::map<std::string, std::string> out;
    for (int64_t id : library.search({}, all)) {
      const MessageState s = stateOf(library, id);
      out[titleOf(library, id)] =
          std::string(s.read ? "1" : "0") + (s.marked ? "1" : "0") + (s.muted ? "1" : "0");
    }
    return out;
  }
  // A thread root > reply > deeper, another message, a thread to mute, and a writer to mute.
  static std::vector<LogMessage> deskMessages() {
    return {{"00001", "root", {"本文"}},
            {"00002", "reply", {"返事"}, "00001"},
            {"00003", "deeper", {"さらに"}, "00002"},
            {"00004", "other", {"別の話"}, "", "0002"},
            {"00007", "noisy", {"騒がしい"}},
            {"00008", "noisy reply", {"騒がしい返事"}, "00007"},
            {"00010", "quiet", {"静か"}, "", "0009"}};
  }
  void setUpDesk(Library& library) {
    import(library, "a.log", deskMessages());
    setFlag(library, MessageFlag::Read, {idOf(library, "root"), idOf(library, "other")}, true);
    setFlag(library, MessageFlag::Marked, {idOf(library, "other"), idOf(library, "root")}, true);
    setFlag(library, MessageFlag::Marked, {idOf(library, "root")}, false);
    muteThread(library, idOf(library, "noisy reply"));  // the thread by its root
    muteWriter(library, "pelnet", 9);
  }
  // Searches sieve by the flags kept by row id: they must say what the
  // identities say, messages imported later and recovered ones too.
  static void expectSearchesAgree(Library& library) {
    for (const char* query : {"", "is:unread", "is:marked", "-is:unread"}) {
      Titles bySearch = titles(library, library.search(splitTerms(query), {})), byState;
      for (const auto& [title, s] : states(library))
        if (s[2] == '0' && (std::string(query) != "is:unread" || s[0] == '0') &&
            (std::string(query) != "-is:unread" || s[0] == '1') &&
            (std::string(query) != "is:marked" || s[1] == '1'))
          byState.push_back(title);
      std::sort(bySearch.begin(), bySearch.end());
      EXPECT_EQ(bySearch, byState) << query;
    }
  }
  TempDir dir_, logs_;
};

TEST_F(ReaderState, StateStaysWithTheMessageAcrossCapturesRepliesAndARecover) {
  const std::map<std::string, std::string> expected = {
      {"root", "100"},       {"reply", "000"}, {"deeper", "000"},
      {"other", "110"},      {"noisy", "101"}, {"noisy reply", "101"},
      {"late reply", "101"}, {"quiet", "101"}, {"quiet later", "101"},
  };
  {
    Library library(dir_.path());
    setUpDesk(library);
    const int64_t other = idOf(library, "other");
    // An unknown id changes nothing, not even the ids before it.
    EXPECT_THROW(setFlag(library, MessageFlag::Read, {idOf(library, "reply"), 999}, true), LibraryError);
    EXPECT_THROW(muteThread(library, 999), LibraryError);
    // "other" captured again with more text; a reply to the muted thread and
    // the muted writer's next message come later.
    import(library, "b.log",
           {{"00004", "other", {"別の話", "続き"}, "", "0002"},
            {"00009", "late reply", {"遅れた返事"}, "00008"},
            { "00011",
              "quiet later",
              {"まだ静か"},
              "",
              "0009" }});
    EXPECT_EQ(idOf(library, "other"), other);
    EXPECT_EQ(states(library), expected);
    expectSearchesAgree(library);
  }
  TempDir out;
  recoverLibrary(dir_.path(), out.path());
  Library recovered(out.path());
  EXPECT_EQ(states(recovered), expected);
  expectSearchesAgree(recovered);
  EXPECT_EQ(mutedList(recovered).writers.size(), 1u);
  // Unmuting by any message of the thread finds its root.
  EXPECT_TRUE(unmuteThread(recovered, idOf(recovered, "late reply")));
  EXPECT_FALSE(unmuteThread(recovered, idOf(recovered, "noisy")));
  EXPECT_EQ(states(recovered)["late reply"], "000");
}

TEST_F(ReaderState, UnreadMarkedAndMutedInSearchesAndCounts) {
  Library library(dir_.path());
  setUpDesk(library);
  const struct {
    const char* query;
    bool muted;  // muted messages too
    Titles found;
  } cases[] = {
      {"", false, {"root", "reply", "deeper", "other"}},
      {"", true, {"root", "reply", "deeper", "other", "noisy", "noisy reply", "quiet"}},
      {"is:unread", false, {"reply", "deeper"}},
      {"is:unread", true, {"reply", "deeper"}},  // muted counts as read
      {"-is:unread", false, {"root", "other"}},
      {"-is:unread", true, {"root", "other", "noisy", "noisy reply", "quiet"}},
      {"is:marked", false, {"other"}},
      {"is:marked OR title:deeper", false, {"deeper", "other"}},
      {"is:unread 返事", false, {"reply"}},
      {"騒がしい", false, {}},
      {"騒がしい", true, {"noisy", "noisy reply"}},
      {"-is:marked 話", false, {}},
      {"is:marked 話", false, {"other"}},
      {"-is:unread 本文", true, {"root"}},
      {"is:marked -is:unread", true, {"other"}},
      {"is:unread -is:unread", true, {}},
      {"id:9", true, {"quiet"}},
  };
  for (const auto& c : cases)
    for (const bool byHost : {false, true}) {  // a host filter counts by the order
      LibraryFilter filter;
      filter.muted = c.muted;
      if (byHost) filter.host = "pelnet";
      const std::vector<std::string> terms = splitTerms(c.query);
      EXPECT_EQ(titles(library, library.search(terms, filter)), c.found) << c.query << " " << c.muted;
      EXPECT_EQ(library.count(terms, filter), c.found.size()) << c.query << " " << c.muted;
      for (const SearchPath path : {SearchPath::Walk, SearchPath::Gather, SearchPath::Listed})
        EXPECT_EQ(titles(library, library.search(searchQueryOf(terms, filter), 100, path)), c.found) << c.query;
      Titles ranked = titles(library, library.searchByRelevance(terms, filter));
      Titles expected = c.found;
      std::sort(ranked.begin(), ranked.end());
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(ranked, expected) << c.query << " " << c.muted;
    }
}

// The tree's counts of every board at once agree with the search's count of
// each board, muted left out or counted, before and after more is read.
TEST_F(ReaderState, BoardTalliesAgreeWithTheCountOfEachBoard) {
  Library library(dir_.path());
  setUpDesk(library);
  writeFile(logs_ / "m.log",
            boardLog("５", {{"00001", "five", {"五"}}, {"00002", "five reply", {"五"}, "00001"}}));
  LineReader in(logs_ / "m.log", LineReader::Form::Guess);
  AppState state;
  library.importLog(in, "other", state);
  BoardTallier tallier;  // its muted counts kept from round to round while they hold
  for (int round = 0; round < 3; ++round) {
    for (bool withMuted : {false, true}) {
      const std::vector<BoardTally> tallies = tallier.tally(library, withMuted);
      ASSERT_EQ(tallies.size(), 2u);
      for (const BoardTally& t : tallies) {
        LibraryFilter f{t.host, t.boardKey, {}, withMuted};
        EXPECT_EQ(t.messages, static_cast<int64_t>(library.count({}, f))) << t.host << withMuted << round;
        EXPECT_EQ(t.unread, static_cast<int64_t>(library.count({"is:unread"}, f)))
            << t.host << withMuted << round;
      }
    }
    if (round == 0)  // read: a muted message, a plain one, and the other board's first
      setFlag(library, MessageFlag::Read,
              {idOf(library, "noisy"), idOf(library, "reply"), idOf(library, "five")}, true);
    if (round == 1) {
      unmuteWriter(library, "pelnet", 9);
      muteThread(library, idOf(library, "five reply"));
    }
  }
}

TEST_F(ReaderState, SavedSearchesKeepQueryBoardAndOrderAndGoThroughTheParser) {
  Library library(dir_.path());
  setUpDesk(library);
  addSavedSearch(library, {"未読の返事", "is:unread title:reply", "pelnet", 3, true});
  addSavedSearch(library, {"all", "", {}, {}, false});
  const std::vector<SavedSearch> saved = savedSearches(library);
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].name, "all");
  const SavedSearch s = savedSearch(library, "未読の返事");
  EXPECT_EQ(s.query, "is:unread title:reply");
  EXPECT_EQ(s.host, "pelnet");
  EXPECT_EQ(s.boardKey, 3);
  EXPECT_TRUE(s.byRelevance);
  EXPECT_FALSE(saved[0].host || saved[0].boardKey || saved[0].byRelevance);
  EXPECT_EQ(titles(library, library.search({s.query}, {s.host, s.boardKey, {}})), (Titles{"reply"}));

  EXPECT_THROW(addSavedSearch(library, {"all", "x", {}, {}, false}), LibraryError);   // the name is taken
  EXPECT_THROW(addSavedSearch(library, {"", "x", {}, {}, false}), LibraryError);      // no name
  EXPECT_THROW(addSavedSearch(library, {"a\tb", "x", {}, {}, false}), LibraryError);  // not one field
  EXPECT_THROW(addSavedSearch(library, {"long", std::string(300, 'a'), {}, {}, false}), SearchTermError);
  EXPECT_THROW(savedSearch(library, "none"), LibraryError);
  EXPECT_THROW(removeSavedSearch(library, "none"), LibraryError);
  EXPECT_THROW(renameSavedSearch(library, "all", "未読の返事"), LibraryError);  // taken
  EXPECT_THROW(renameSavedSearch(library, "all", "a\nb"), LibraryError);
  EXPECT_THROW(renameSavedSearch(library, "none", "x"), LibraryError);
  renameSavedSearch(library, "未読の返事", "返事");
  EXPECT_EQ(savedSearch(library, "返事").query, "is:unread title:reply");
  EXPECT_THROW(savedSearch(library, "未読の返事"), LibraryError);
  removeSavedSearch(library, "all");
  EXPECT_EQ(savedSearches(library).size(), 1u);
}

// The state carried by a file to a library holding the same messages under
// other ids, and by an mbox to mail readers; a file with a line it cannot
// read adds nothing.
TEST_F(ReaderState, AStateFileAndAnMboxCarryTheState) {
  Library from(dir_.path());
  setUpDesk(from);
  addSavedSearch(from, {"未読 \\ でない", "is:unread", "pelnet", 3, true});  // a backslash escaped
  std::ostringstream text;
  writeReaderState(from, text);

  TempDir other;
  Library to(other.path());
  import(to, "z.log", {{"00010", "quiet", {"静か"}, "", "0009"}});  // first: the ids differ
  import(to, "a.log", deskMessages());
  for (const auto& [name, bad] : std::vector<std::pair<std::string, std::string>>{
           {"no first line", "read\tpelnet\t3\t1\t\n"},
           {"unknown kind", "pelarin-reader-state 1\nread\tpelnet\t3\t1\t\nseen\tx\n"},
           {"a board not a number", "pelarin-reader-state 1\nread\tpelnet\tB3\t1\t\n"},
           {"a digest not hexadecimal", "pelarin-reader-state 1\nread\tpelnet\t3\t0\tZZ\n"},
           {"a bad escape", "pelarin-reader-state 1\nwriter\tpel\\qnet\t9\n"}}) {
    std::istringstream in(bad);
    EXPECT_THROW(readReaderState(to, in), LibraryError) << name;
  }
  EXPECT_EQ(to.search({}, {}).size(), 7u) << "a refused file mutes nothing";
  std::istringstream in(text.str());
  EXPECT_EQ(readReaderState(to, in), 6u);
  std::istringstream again(text.str());
  readReaderState(to, again);  // twice adds nothing twice
  EXPECT_EQ(states(to), states(from));
  expectSearchesAgree(to);
  EXPECT_EQ(savedSearch(to, "未読 \\ でない").boardKey, 3);

  std::string mbox;
  LibraryFilter all;
  all.muted = true;
  for (const ExportMessage& m : exportMessages(to, to.search({}, all), other.path(), nullptr))
    appendMboxMessage(mbox += "\n", m);
  // root read; other read and flagged; reply unread; the muted read.
  for (const auto& [title, status] : std::vector<std::pair<std::string, std::string>>{
           {"root", "Status: RO\n"}, {"other", "Status: RO\nX-Status: F\n"}, {"reply", ""}, {"quiet", "Status: RO\n"}}) {
    const size_t at = mbox.find("Subject: " + title + "\n");
    ASSERT_NE(at, std::string::npos) << title;
    const std::string header = mbox.substr(at, mbox.find("\n\n", at) - at);
    EXPECT_EQ(header.find("Status:") != std::string::npos, !status.empty()) << title;
    if (!status.empty()) {
      EXPECT_NE(header.find(status), std::string::npos) << title;
    }
  }
}

// The schema before this state, made by this code less the state's step:
// read as it is it holds no state, and its opening adds the tables (also on
// a thread that leaves index rebuilds to another) without a rebuild.
TEST_F(ReaderState, ALibraryOfTheSchemaBeforeGainsTheStateInPlace) {
  {
    Library library(dir_.path());
    import(library, "a.log", {{"00001", "root", { "本文" }}, { "00002", "reply", {"返事"}, "00001" }});
    setPreference(library, kImportOnLoad, "0");
  }
  {
    Database raw(Library::fileIn(dir_.path()));
    raw.exec(
        "DROP TABLE read_messages; DROP TABLE marked_messages; DROP TABLE muted_threads; "
        "DROP TABLE muted_writers; DROP TABLE saved_searches; DROP TABLE message_flags; PRAGMA user_version=4");
  }
  {
    Library inspected(dir_.path(), Library::Use::Inspect);
    EXPECT_FALSE(inspected.keepsState());
    EXPECT_EQ(inspected.count(splitTerms("is:unread"), {}), 2u);
    EXPECT_EQ(inspected.count(splitTerms("is:marked"), {}), 0u);
    EXPECT_TRUE(savedSearches(inspected).empty());
  }
  std::thread window([&] {
    deferIndexRebuildOnThisThread();
    Library library(dir_.path());
    EXPECT_FALSE(library.indexIsOld());
    EXPECT_TRUE(library.keepsState());
    setFlag(library, MessageFlag::Marked, {1}, true);
  });
  window.join();
  Library library(dir_.path());
  Statement version(library.database(), "PRAGMA user_version");
  ASSERT_TRUE(version.step());
  EXPECT_EQ(version.integer(0), kLibrarySchema);
  EXPECT_EQ(titles(library, library.search(splitTerms("is:marked"), {})), (Titles{"root"}));
  EXPECT_EQ(titles(library, library.search(splitTerms("返事"), {})), (Titles{"reply"}));
  EXPECT_FALSE(importsOnLoad(library));
}

}  // namespace
}  // namespace pelarin
