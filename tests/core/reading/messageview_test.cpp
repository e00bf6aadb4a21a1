#include "core/reading/messageview.h"

#include <gtest/gtest.h>

#include "core/reading/boardcode.h"
#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::crlf;
using testing::TempDir;
using testing::writeFile;

TEST(BoardCode, EveryBand) {
  struct Case {
    const char* key;
    const char* code;
  } cases[] = {{"0", "BF"}, {"12", "B12"}, {"10345", "I345"}, {"20000", "M"}, {"30003", "F3"},
               {"10000", "B10000"}, {"30000", "I20000"}, {"007", "B007"}};
  for (const auto& c : cases) EXPECT_EQ(BoardCode(c.key), c.code) << c.key;
  EXPECT_THROW(BoardCode("B1"), ConversionError);
}

TEST(MessageView, FieldsAsTheMainWindowShowsThem) {
  TempDir dir;
  writeFile(dir / "mes1.tmp", crlf({"20000", "0", "title ", "", "0", "name", "line 1", "", "line 3"}));
  writeFile(dir / "mes2.tmp", crlf({"30004", "12", "t", "11", "0", "n"}));
  MessageView mail = readMessageView(dir.path(), 1);
  EXPECT_EQ(mail.BoadNumber, "M");
  EXPECT_EQ(mail.Mesnumber, "");
  EXPECT_EQ(mail.IDnum, "");
  EXPECT_EQ(mail.Title, "title ");
  EXPECT_FALSE(mail.fileArea);
  EXPECT_EQ(mail.body, "line 1\r\n\r\nline 3\r\n");
  MessageView file = readMessageView(dir.path(), 2);
  EXPECT_EQ(file.BoadNumber, "F4");
  EXPECT_TRUE(file.fileArea);
  EXPECT_EQ(file.ResTitle, "11");
  EXPECT_EQ(file.body, "");
  EXPECT_EQ(listRow(readMessageKeys(messagePath(dir.path(), 1))),
            (ListRow{"M", "", "", "name", "title ", ""}));
  EXPECT_THROW(readMessageView(dir.path(), 3), FileError);
}

}  // namespace
}  // namespace pelarin

namespace pelarin {
namespace {

TEST(MessageView, LongLinesAreCutForTheViewerWithAMark) {
  testing::TempDir dir;
  const Bytes wide = testing::sj("あ");  // two bytes
  struct Row {
    Bytes line;
    size_t cap;
    Bytes shown;
  } rows[] = {
      {"abcdef", 6, "abcdef"},  // at the cap: whole, no mark
      {"abcdefg", 6, "abcdef" + lineCutMark(1)},
      {"abcde" + wide + "xyz", 6, "abcde" + lineCutMark(5)},  // not inside a double-byte character
      {Bytes(10 << 20, 'z'), kViewerLineCap, Bytes(kViewerLineCap, 'z') + lineCutMark((10 << 20) - kViewerLineCap)},
  };
  for (const Row& row : rows) {
    const Bytes file = crlf({"3", "1", "t", "", "0", "n", "before", row.line, "after"});
    testing::writeFile(dir / "mes1.tmp", file);
    EXPECT_EQ(readMessageView(dir.path(), 1, row.cap).body, crlf({"before", row.shown, "after"}))
        << row.line.substr(0, 20);
    EXPECT_EQ(readMessageView(dir.path(), 1).body, crlf({"before", row.line, "after"}));  // no cap
    // The same rule for a body held in memory (the Library window's preview).
    EXPECT_EQ(capBodyLines(crlf({"before", row.line, "after"}), row.cap),
              crlf({"before", row.shown, "after"}));
    EXPECT_EQ(testing::readFile(dir / "mes1.tmp"), file);
  }
  EXPECT_EQ(lineCutMark(12), testing::sj("…（以下 12 バイト省略）"));
  // A cap on the whole body: the line that reaches it is the last, then the mark of the rest.
  EXPECT_EQ(capBodyLines(crlf({"abcd", "e", "f"}), 3, 6), crlf({"abc" + lineCutMark(1), lineCutMark(6)}));
  EXPECT_EQ(capBodyLines(crlf({"ab", "c"}), 3, 4), crlf({"ab", lineCutMark(3)}));
  EXPECT_EQ(capBodyLines(crlf({"ab", "c"}), 3, 7), crlf({"ab", "c"}));
}

}  // namespace
}  // namespace pelarin
