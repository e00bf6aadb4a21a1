#include "core/lists/boardlistuse.h"

#include <gtest/gtest.h>

#include "core/app/appstate.h"
#include "core/compose/uploadscript.h"
#include "core/logimport/logloading.h"
#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::crlf;
using testing::TempDir;
using testing::writeFile;

AppState withTable(std::initializer_list<BbsEntry> entries) {
  AppState s;
  s.UpFileName = "upload.txt";
  s.UploadFile = "before.txt";
  size_t i = 0;
  for (const BbsEntry& e : entries) s.BbsTable[i++] = e;
  return s;
}

// The four places the table is used, side by side: loading a log matches
// Target in the log's name, Load BBS File matches List in the list's name
// (both keep Upload's case), start-up and the composers compare List with
// ListFileName (and write Upload in lower case).
TEST(Associations, TheFourMatchingRulesSideBySide) {
  const AppState table = withTable({{"Host1", "abc", "Night"}, {"", "", "Empty"}, {"host2", "ABC", ""}});

  AppState load = table;
  associateLog(load, "xABCx.log");  // entries 1 and 3 match; the later wins
  EXPECT_EQ(load.ListFileName, "host2");
  EXPECT_EQ(load.UploadFile, "upload.txt");

  AppState bbs = table;
  associateListFile(bbs, "HOST1.bod");
  EXPECT_EQ(bbs.UploadFile, "Night.txt");
  AppState none = table;
  associateListFile(none, "other.bod");  // an empty List matches nothing
  EXPECT_EQ(none.UploadFile, "before.txt");
  AppState both = withTable({{"host", "", "First"}, {"host1", "", "Second"}});
  associateListFile(both, "host1.bod");
  EXPECT_EQ(both.UploadFile, "Second.txt");

  AppState composer = table;
  composer.ListFileName = "host1";
  ChooseUploadFile(composer);
  EXPECT_EQ(composer.UploadFile, "night.txt");
  composer.ListFileName = "";  // an empty List equals an empty ListFileName
  ChooseUploadFile(composer);
  EXPECT_EQ(composer.UploadFile, "empty.txt");
}

TEST(LoadBbsFile, ListNameCaptionAndUploadFromTheChosenFile) {
  TempDir dir;
  writeFile(dir / "Host1.bod", crlf({"Pelican Net", "B1    board"}));
  AppState s = withTable({{"host1", "", "Night"}});
  EXPECT_EQ(useBoardList(s, dir / "Host1.bod"), "Pelican Net - Pelarin for Windows");
  EXPECT_EQ(s.ListFileName, "Host1");
  EXPECT_EQ(s.UploadFile, "Night.txt");

  AppState unread = withTable({{"host1", "", "Night"}});
  EXPECT_THROW(useBoardList(unread, dir / "missing1.bod"), FileError);
  EXPECT_EQ(unread.UploadFile, "before.txt");  // nothing changes when the file cannot be read
  EXPECT_EQ(unread.ListFileName, "");

  // The list's name is kept as code page 932 text: one without that form is named, and nothing changes.
  writeFile(dir / "호스트.bod", crlf({"Hangul Net"}));
  AppState hangul = withTable({{"", "", "Night"}});
  try {
    useBoardList(hangul, dir / "호스트.bod");
    ADD_FAILURE() << "no error";
  } catch (const NameError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("リストファイル '" + (dir / "호스트.bod").string() + "'"), std::string::npos) << text;
    EXPECT_NE(text.find("\"호\" (U+D638)"), std::string::npos) << text;
    EXPECT_NE(text.find("\nリストは読み込んでいません。"), std::string::npos) << text;
    EXPECT_EQ(text.find("cannot be sent"), std::string::npos) << text;
  }
  EXPECT_EQ(hangul.UploadFile, "before.txt");
  EXPECT_EQ(hangul.ListFileName, "");
}

TEST(LoadBbsFile, StemsOfTheListAndScriptFiles) {
  TempDir dir;
  for (const char* name : {"b.bod", "a.bod", "C.BOD", "x.bod.txt", "up.txt", ".bod"})
    writeFile(dir / name, "");
  std::filesystem::create_directory(dir / "dir.bod");
  EXPECT_EQ(fileStems(dir.path(), ".bod"), (std::vector<Bytes>{"", "C", "a", "b"}));
  EXPECT_EQ(fileStems(dir.path(), ".txt"), (std::vector<Bytes>{"up", "x.bod"}));
  EXPECT_TRUE(fileStems(dir / "missing", ".bod").empty());
}

}  // namespace
}  // namespace pelarin
