#include "core/lists/bbsini.h"

#include <gtest/gtest.h>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::crlf;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

TEST(BbsIni, ColumnByColumnRoundTrip) {
  TempDir dir;
  BbsTableType table{};
  for (int i = 0; i < kBbsEntries; ++i) {
    auto n = std::to_string(i + 1);
    table[static_cast<size_t>(i)] = {sj("リスト") + n, "t" + n, i == 2 ? "" : "up" + n};
  }
  writeBbsIni(dir / "bbs.ini", table);
  Bytes content = readFile(dir / "bbs.ini");
  EXPECT_EQ(content, crlf({sj("リスト1"), sj("リスト2"), sj("リスト3"), sj("リスト4"), sj("リスト5"), "t1", "t2",
                           "t3", "t4", "t5", "up1", "up2", "", "up4", "up5"}));
  auto back = readBbsIni(dir / "bbs.ini");
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(back[i].List, table[i].List);
    EXPECT_EQ(back[i].Target, table[i].Target);
    EXPECT_EQ(back[i].Upload, table[i].Upload);
  }
}

TEST(BbsIni, ShortAndLongFiles) {
  TempDir dir;
  writeFile(dir / "bbs.ini", crlf({"a", "b", "c", "d", "e", "f", "g"}));
  auto shortTable = readBbsIni(dir / "bbs.ini");
  EXPECT_EQ(shortTable[4].List, "e");
  EXPECT_EQ(shortTable[1].Target, "g");
  EXPECT_EQ(shortTable[2].Target, "");
  EXPECT_EQ(shortTable[0].Upload, "");

  Bytes longFile;
  for (int i = 1; i <= 20; ++i) longFile += std::to_string(i) + "\r\n";
  writeFile(dir / "bbs.ini", longFile);
  auto longTable = readBbsIni(dir / "bbs.ini");
  EXPECT_EQ(longTable[4].Upload, "15");
}

TEST(BbsIni, MissingDirectoryOrFileIsAFileError) {
  TempDir dir;
  EXPECT_THROW(writeBbsIni(dir / "missing" / "bbs.ini", {}), FileError);
  EXPECT_THROW(readBbsIni(dir / "none.ini"), FileError);
}

}  // namespace
}  // namespace pelarin
