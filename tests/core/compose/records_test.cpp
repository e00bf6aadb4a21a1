#include <gtest/gtest.h>

#include "core/compose/uploadrecords.h"
#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::sj;

TEST(UploadRecords, NewMessageAndResponseLines) {
  const Lines body{"first", "", sj("本文")};
  EXPECT_EQ(newMessageRecord("B12", "Title", body),
            (Lines{"B12", "W", "Title", "first", "", sj("本文"), "/es", "E"}));
  EXPECT_EQ(responseRecord("B5", "123", "Re", body),
            (Lines{"B5", "J123", "W1", "Re", "first", "", sj("本文"), "/es", "E"}));
}

TEST(UploadRecords, EmptyEditorPutsEndMarkersRightAfterTheTitle) {
  const Lines none = editorLines("");
  EXPECT_EQ(newMessageRecord("BF", "T", none), (Lines{"BF", "W", "T", "/es", "E"}));
  EXPECT_EQ(responseRecord("I3", "7", "T", none), (Lines{"I3", "J7", "W1", "T", "/es", "E"}));
  MailIds ids{"12"};
  EXPECT_EQ(mailRecord(ids, "T", none), (Lines{"M", "W", "12", "", "T", "/es", "E"}));
}

TEST(UploadRecords, MailRecipientList) {
  struct Case {
    const char* name;
    MailIds ids;
    Lines head;  // the lines before the title
  } cases[] = {
      {"only ID0", {"1"}, {"M", "W", "1", ""}},
      {"ID1 empty ends the list", {"1", "", "3"}, {"M", "W", "1", ""}},
      {"three", {"1", "2", "3"}, {"M", "W", "1", "2", "3", ""}},
      {"all ten",
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
       {"M", "W", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
  };
  for (const auto& c : cases) {
    Lines expected = c.head;
    expected.insert(expected.end(), {"Title", "body", "/es", "E"});
    EXPECT_EQ(mailRecord(c.ids, "Title", {"body"}), expected) << c.name;
  }
}

TEST(EditorLines, LineBreaksAndEmptyLines) {
  struct Case {
    const char* text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\n", {"one"}},  // a single final break adds no line
      {"one\r\n", {"one"}},
      {"one\r\ntwo", {"one", "two"}},
      {"one\ntwo\n", {"one", "two"}},
      {"one\n\n\ntwo", {"one", "", "", "two"}},
      {"one\n\n", {"one", ""}},  // the second break ends an empty line
      {"\n", {""}},
      {"  lead and trail  \n", {"  lead and trail  "}},
  };
  for (const auto& c : cases) EXPECT_EQ(editorLines(c.text), c.lines) << '"' << c.text << '"';
}

TEST(NewMessage, BoardAndTitleRule) {
  for (const char* board : {"B1", "B12", "I9", "I100", "BF", "B1x", "B12 "})
    EXPECT_TRUE(newMessageAccepted(board, "T")) << board;
  for (const char* board : {"b1", "B0", "B", "IF", "BX", "I", "", "F1", "M"})
    EXPECT_FALSE(newMessageAccepted(board, "T")) << board;
  EXPECT_FALSE(newMessageAccepted("B1", ""));
  EXPECT_FALSE(newMessageAccepted(sj("Ｂ１"), "T"));
}

TEST(Picks, BoardFromABoardListEntry) {
  const Bytes name = sj("雑談ボード") + Bytes(10, ' ');
  struct Case {
    Bytes entry;
    Bytes board;
  } cases[] = {
      {"B12   " + name, "B12"},
      {"BF    " + name, "BF"},
      {"I12   " + name, "I12"},
      {"B123  " + name, "B123"},
      {"B3\t\t\x01\x1f" + name, "B3"},  // control bytes go too
      {"B7  X" + Bytes(19, 'y'),
       "B7  X"},  // a one-digit ASCII field is 4 bytes: the name's first byte comes along
      {"B1", "B1"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(boardFromPick(c.entry), c.board) << c.entry;
}

TEST(Picks, IdFromANameListEntry) {
  const Bytes rest = sj("山田太郎") + Bytes(9, ' ');
  EXPECT_EQ(idFromPick("  0042" + rest), "42");
  EXPECT_EQ(idFromPick("ab9999" + rest), "9999");
  EXPECT_EQ(idFromPick("  0001"), "1");
  for (Bytes bad : {"  1abc" + rest, "  ABCD" + rest, Bytes("  "), Bytes()}) {
    try {
      idFromPick(bad);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.text(), bad.substr(std::min<size_t>(2, bad.size()), 4));
    }
  }
}

TEST(Picks, ResponseBoardCodeFromTheBoardKeyLine) {
  struct Case {
    const char* key;
    const char* code;
  } cases[] = {
      {"5", "B5"}, {"99", "B99"}, {"10003", "I3"}, {"10100", "I100"}, {"0", "BF"},
  };
  for (const auto& c : cases) EXPECT_EQ(responseBoardCode(c.key), c.code) << c.key;
  for (const char* bad : {"", "x", "5 ", "B5"}) EXPECT_THROW(responseBoardCode(bad), ConversionError) << bad;
}

}  // namespace
}  // namespace pelarin
