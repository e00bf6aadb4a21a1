// Posting times: read from the header's bytes after the writer's name, the
// date: ranges, and their way through import, upgrade, search and mbox.
#include "core/library/posteddate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "core/app/appstate.h"
#include "core/library/exportmbox.h"
#include "core/library/exportquery.h"
#include "core/library/library.h"
#include "core/library/librarydates.h"
#include "core/library/searchplan.h"
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

// The machine's zone for the test's length: capture months and mbox offsets are local.
class InTokyo {
 public:
  InTokyo() {
    if (const char* tz = std::getenv("TZ")) old_ = tz;
    had_ = std::getenv("TZ") != nullptr;
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
  }
  ~InTokyo() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

int64_t localSeconds(int y, int m, int d) { return postedAsLocalSeconds(postedMinutes(y, m, d, 12, 0)); }

std::string shown(std::optional<int64_t> minutes) { return minutes ? postedText(*minutes) : "none"; }

TEST(PostedDate, FromTheBytesAfterTheWritersName) {
  InTokyo zone;
  const int64_t april96 = localSeconds(1996, 4, 3);
  const struct {
    const char* after;
    int64_t captured;
    const char* posted;
  } cases[] = {
      {" 04/02 21:14", april96, "1996-04-02 21:14"},
      {"   04/02 21:14 (Tue)", april96, "1996-04-02 21:14"},
      // A month after the capture's is the year before's.
      {" 12/31 23:59", localSeconds(1996, 1, 5), "1995-12-31 23:59"},
      {" 01/05 00:00", localSeconds(1996, 1, 5), "1996-01-05 00:00"},
      {" 02/29 12:00", localSeconds(1996, 3, 1), "1996-02-29 12:00"},
      {" 02/29 12:00", localSeconds(1997, 3, 1), "none"},
      {" 96/04/02 09:05", 0, "1996-04-02 09:05"},
      {" 80/01/01 00:00", 0, "1980-01-01 00:00"},
      {" 79/12/31 23:59", 0, "2079-12-31 23:59"},
      {" 05/04/02 21:14", 0, "2005-04-02 21:14"},
      {" 1996/04/02 21:14", 0, "1996-04-02 21:14"},
      {" 13/01 10:00", april96, "none"},
      {" 00/10 10:00", april96, "none"},
      {" 04/31 10:00", april96, "none"},
      {" 96/02/30 10:00", 0, "none"},
      {" 04/02 24:00", april96, "none"},
      {" 04/02 21:60", april96, "none"},
      {" 04/02   2", april96, "none"},  // a counted header: the day and the line count
      {" 04/02", april96, "none"},
      {" 4/2 21:14", april96, "none"},
      {" 04/02 21:14:05", april96, "none"},
      {" 04/02/21:14", april96, "none"},
      {" 1996-04-02 21:14", 0, "none"},
      {" 123/04/02 21:14", 0, "none"},
      {"04/02 21:14", april96, "none"},  // glued to the name
      {" 04/02 21:14x", april96, "none"},
      {"", april96, "none"},
      {"                ", april96, "none"},
  };
  for (const auto& c : cases) EXPECT_EQ(shown(postedFromHeader(c.after, c.captured)), c.posted) << c.after;
}

TEST(PostedDate, DateRangesAndRefusals) {
  const struct {
    const char* value;
    const char* range;  // "first..end", an open end empty; "refused"
  } cases[] = {
      {"1994", "1994-01-01 00:00..1995-01-01 00:00"},
      {"1994-04", "1994-04-01 00:00..1994-05-01 00:00"},
      {"1994-12", "1994-12-01 00:00..1995-01-01 00:00"},
      {"1996-02-29", "1996-02-29 00:00..1996-03-01 00:00"},
      {"1994-04-01..1994-06-30", "1994-04-01 00:00..1994-07-01 00:00"},
      {"1994..1995-03", "1994-01-01 00:00..1995-04-01 00:00"},
      {"..1994-06-30", "..1994-07-01 00:00"},
      {"1994-04..", "1994-04-01 00:00.."},
      {"1995-02-29", "refused"},
      {"1994-13", "refused"},
      {"1994-4", "refused"},
      {"94", "refused"},
      {"1994/04", "refused"},
      {"1994-06..1994-04", "refused"},
      {"..", "refused"},
      {"1994-04-01...1994-05", "refused"},
      {"april", "refused"},
  };
  for (const auto& c : cases) {
    const auto r = postedRange(c.value);
    std::string got = "refused";
    if (r)
      got = (r->first == INT64_MIN ? "" : postedText(r->first)) + ".." +
            (r->second == INT64_MAX ? "" : postedText(r->second));
    EXPECT_EQ(got, c.range) << c.value;
  }
  try {
    searchQueryOf({"猫 date:1994-13"}, {});
    ADD_FAILURE() << "a malformed date: was taken";
  } catch (const SearchTermError& e) {
    EXPECT_NE(std::string(e.what()).find("日付 '1994-13' は読めません。"), std::string::npos) << e.what();
  }
}

class PostedInLibrary : public ::testing::Test {
 protected:
  // A log captured on capturedOn (local noon), board 3.
  ImportResult import(Library& library, const std::string& name, const std::vector<LogMessage>& messages,
                      int64_t capturedOn) {
    const auto file = dir_.path() / name;
    writeFile(file, boardLog("３", messages));
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::from_sys(
                                               std::chrono::system_clock::from_time_t(capturedOn)));
    LineReader in(file, LineReader::Form::Guess);
    AppState state;
    return library.importLog(in, "pelnet", state);
  }
  static size_t count(Library& library, const std::string& query) {
    return library.count(splitTerms(query), {});
  }
  static std::vector<std::string> dates(Library& library) {
    std::vector<std::string> out;
    for (int64_t id : library.search({}, {})) out.push_back(shown(library.message(id).posted));
    return out;
  }
  InTokyo zone_;
  TempDir dir_;
  const std::vector<LogMessage> kLog = {
      {"00001", "new year", {"本文"}, {}, "0001", "A", "12/31 23:59"},
      {"00002", "undated", {"本文"}},
      {"00003", "reply", {"返事"}, "00001", "0002", "B", "01/02 08:00"},
  };
};

TEST_F(PostedInLibrary, SearchedByDateAndTheMboxDateIsThePostingTime) {
  Library library(dir_.path());
  import(library, "a.log", kLog, localSeconds(1996, 1, 3));
  EXPECT_EQ(dates(library), (std::vector<std::string>{"1995-12-31 23:59", "none", "1996-01-02 08:00"}));
  EXPECT_EQ(count(library, "date:1995"), 1u);
  EXPECT_EQ(count(library, "date:1995-12-31..1996-01-02"), 2u);
  EXPECT_EQ(count(library, "date:1996-01-02.."), 1u);
  EXPECT_EQ(count(library, "date:..1995"), 1u);
  EXPECT_EQ(count(library, "-date:1995"), 2u);  // the undated one stays
  EXPECT_EQ(count(library, "date:1995 OR date:1996"), 2u);
  EXPECT_EQ(count(library, "本文 date:1994"), 0u);

  std::string mbox;
  for (const ExportMessage& m : exportMessages(library, library.search({}, {}), dir_.path()))
    appendMboxMessage(mbox, m);
  EXPECT_NE(mbox.find("\nDate: Sun, 31 Dec 1995 23:59:00 +0900\n"), std::string::npos) << mbox;
  EXPECT_NE(mbox.find("\nDate: Tue, 2 Jan 1996 08:00:00 +0900\n"), std::string::npos) << mbox;
  EXPECT_NE(mbox.find("\nDate: Wed, 3 Jan 1996 03:00:00 +0000\n"), std::string::npos) << mbox;  // captured
}

// A library of the schema before, made by this code less the column: it held
// no header bytes after the name, so its messages stay undated (read as it
// is, too) until a log holding them is added again: the same bytes are read
// for their dates alone, once, and a longer capture brings its own.
TEST_F(PostedInLibrary, ALibraryOfTheSchemaBeforeGainsTheColumnInPlace) {
  {
    Library library(dir_.path());
    import(library, "a.log", kLog, localSeconds(1996, 1, 3));
  }
  {
    Database raw(Library::fileIn(dir_.path()));
    raw.exec(
        "DROP INDEX messages_posted; ALTER TABLE messages DROP COLUMN posted; DROP TABLE undated_sources; "
        "PRAGMA user_version=4");
  }
  {
    Library inspected(dir_.path(), Library::Use::Inspect);
    EXPECT_FALSE(keepsDates(inspected.database()));
    EXPECT_EQ(count(inspected, "date:1995"), 0u);
    EXPECT_EQ(count(inspected, "-date:1995"), 3u);
    EXPECT_EQ(dates(inspected), (std::vector<std::string>{"none", "none", "none"}));
  }
  Library library(dir_.path());
  EXPECT_TRUE(keepsDates(library.database()));
  EXPECT_EQ(dates(library), (std::vector<std::string>{"none", "none", "none"}));
  EXPECT_EQ(count(library, "本文"), 2u);
  // Touched since: the year comes from the capture time recorded then.
  const ImportResult same = import(library, "a.log", kLog, localSeconds(1997, 6, 1));
  EXPECT_TRUE(same.seenBefore);
  EXPECT_EQ(same.added, 0);
  const std::vector<std::string> filled{"1995-12-31 23:59", "none", "1996-01-02 08:00"};
  EXPECT_EQ(dates(library), filled);
  EXPECT_FALSE(awaitsDates(library.database(), 1));
  std::vector<LogMessage> again = kLog;
  again.push_back({"00004", "later", {"後"}, {}, "0001", "A", "01/04 10:00"});
  import(library, "b.log", again, localSeconds(1996, 1, 5));
  EXPECT_EQ(dates(library),
            (std::vector<std::string>{"1995-12-31 23:59", "none", "1996-01-02 08:00", "1996-01-04 10:00"}));
}

}  // namespace
}  // namespace pelarin
