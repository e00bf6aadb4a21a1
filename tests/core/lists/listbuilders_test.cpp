#include "core/lists/listbuilders.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::crlf;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

Bytes padded(ByteView text, size_t width) {
  Bytes b(text);
  b.resize(std::max(b.size(), width), ' ');
  return b;
}

// A board line in the host's frame: the 4-byte number field at bytes 2-5, the
// kind at 8-15, the name from byte 19, "](" at 40.
Bytes boardLine(ByteView number, ByteView kind, ByteView name) {
  return "[" + Bytes(number) + "][" + padded(kind, 8) + "][ " + padded(name, 21) + "](  12)";
}

// A member line: the ID at bytes 11-14, the name from 16, the sex mark at 33-34.
Bytes memberLine(ByteView id, ByteView name, ByteView sex) {
  return "  (001) ID" + Bytes(id) + " " + padded(name, 17) + Bytes(sex) + sj(" 大阪府");
}

Bytes greeting(ByteView host) {
  return sj("Ｔhank you for accessing to ") + Bytes(host) + "  [CH-07 14400bps]  ";
}

const Bytes kName = padded(sj("雑談からはじめよう"), 20);

TEST(BoardList, EntryFormsOfTheFourKindsOfNumber) {
  struct Case {
    const char* what;
    Bytes number;
    const char* kind;
    std::optional<Bytes> field;  // nothing: no entry
  };
  const std::vector<Case> cases{
      {"F board needs no kind", sj(" Ｆ "), "whatever", Bytes("BF    ")},
      {"one fullwidth digit", sj(" ７ "), "BBS", Bytes("B7    ")},
      {"CUG is a B board", sj(" ８ "), "CUG", Bytes("B8    ")},
      {"fullwidth zero is no board", sj(" ０ "), "BBS", std::nullopt},
      {"two fullwidth digits", sj("１２"), "BBS", Bytes("B12   ")},
      {"second digit zero", sj("２０"), "BBS", Bytes("B20   ")},
      {"Ｆ as a second digit counts 0", sj("３Ｆ"), "BBS", Bytes("B30   ")},
      {"IBBS with four blanks", sj("１２"), "IBBS    ", Bytes("I12   ")},
      {"IBBS without four blanks", sj("１２"), "IBBSx   ", std::nullopt},
      {"ASCII number", " 120", "IBBS", Bytes("I120  ")},
      {"ASCII number below 10", "   7", "BBS", Bytes("B7  ")},
      {"leading zeros dropped", "0042", "BBS", Bytes("B42  ")},
      {"unknown kind", " 120", "MAIL", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Bytes> entries = boardEntries(boardLine(c.number, c.kind, sj("雑談からはじめよう")));
    if (!c.field) {
      EXPECT_TRUE(entries.empty());
      continue;
    }
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], *c.field + kName);
  }
}

TEST(BoardList, TheFrameIsTestedByByteOrder) {
  const Bytes good = boardLine(sj(" ７ "), "BBS", "x");
  EXPECT_EQ(boardEntries(good).size(), 1u);

  Bytes higher = good;  // bytes 6-7 above "][" still pass
  higher[5] = '^';
  EXPECT_EQ(boardEntries(higher).size(), 1u);
  Bytes lower = good;  // bytes 6-7 below "][" fail
  lower[5] = 'A';
  EXPECT_TRUE(boardEntries(lower).empty());

  Bytes lowerSecond = good;  // bytes 16-17 below "][" pass
  lowerSecond[15] = 'A';
  EXPECT_EQ(boardEntries(lowerSecond).size(), 1u);
  Bytes higherSecond = good;
  higherSecond[15] = '^';
  EXPECT_TRUE(boardEntries(higherSecond).empty());

  Bytes noParen = good;  // bytes 40-41 must be "](" exactly
  noParen[40] = '[';
  EXPECT_TRUE(boardEntries(noParen).empty());
  EXPECT_TRUE(boardEntries("[ 1][BBS").empty());
  EXPECT_TRUE(boardEntries("").empty());
}

TEST(BoardList, ANumberThatIsNotAnIntegerStopsTheBuildAndKeepsThePreviousList) {
  EXPECT_THROW(boardEntries(boardLine("x 12", "BBS", "x")), ConversionError);
  try {
    boardEntries(boardLine("x 12", "BBS", "x"));
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.text(), "x 12");
  }

  TempDir dir;
  writeFile(dir / "old.bod", crlf({"Old host", "B1    old board"}));
  writeFile(dir / "bad.log", crlf({greeting("New host"), boardLine(sj(" １ "), "BBS", "one"),
                                   boardLine("x 12", "BBS", "bad")}));
  try {
    MakeBoardList(dir / "bad.log", dir / "old.bod");
    ADD_FAILURE() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.text(), "x 12");
    // The log and its line, so the user can look.
    EXPECT_STREQ(
        e.what(),
        "'x 12' は整数ではありません\nbad.log の 3 行目で一覧の作成を止めました。前の一覧はそのままです。");
  }
  EXPECT_EQ(readFile(dir / "old.bod"), crlf({"Old host", "B1    old board"}));
  EXPECT_FALSE(std::filesystem::exists(dir / "old.bod.new"));
}

TEST(BoardList, TitleFromTheFirstGreetingThenEntriesInLogOrder) {
  TempDir dir;
  const Bytes first = boardLine(sj(" ３ "), "BBS", sj("雑談"));
  writeFile(dir / "a.log", crlf({"ATDT 123", boardLine(sj(" Ｆ "), "", sj("自由")),
                                 greeting(sj("ペリカンネット")), first, greeting("Second host"), first}));
  EXPECT_EQ(MakeBoardList(dir / "a.log", dir / "pelarin.bod"), 3u);
  EXPECT_EQ(readFile(dir / "pelarin.bod"),
            crlf({sj("ペリカンネット"), "BF    " + padded(sj("自由"), 20), "B3    " + padded(sj("雑談"), 20),
                  "B3    " + padded(sj("雑談"), 20)}));
}

TEST(BoardList, GreetingEdges) {
  // Exactly 48 bytes: an empty title; the 20 bytes after the host's name go.
  const Bytes exact = sj("Ｔhank you for accessing to ") + Bytes(20, '.');
  ASSERT_EQ(exact.size(), 48u);
  EXPECT_EQ(greetingTitle(exact), Bytes());
  EXPECT_EQ(greetingTitle(greeting("Host")), Bytes("Host"));
  EXPECT_EQ(greetingTitle(sj("Ｔhank you for accessing to")), std::nullopt);  // the blank belongs to it
  EXPECT_EQ(greetingTitle("Thank you for accessing to Host and twenty more bytes."), std::nullopt);

  // Without a greeting, the first entry stands where the title would.
  TempDir dir;
  writeFile(dir / "a.log", crlf({boardLine(sj(" ３ "), "BBS", "x")}));
  MakeBoardList(dir / "a.log", dir / "l.bod");
  EXPECT_EQ(readFile(dir / "l.bod"), crlf({"B3    " + padded("x", 20)}));
  // A log without boards: the title alone.
  writeFile(dir / "b.log", crlf({greeting("Host")}));
  EXPECT_EQ(MakeBoardList(dir / "b.log", dir / "l.bod"), 0u);
  EXPECT_EQ(readFile(dir / "l.bod"), crlf({"Host"}));
}

TEST(NameList, MemberLinesByIdRangeAndSexMark) {
  struct Case {
    const char* what;
    Bytes id;
    Bytes sex;
    bool member;
  };
  const std::vector<Case> cases{
      {"lowest ID", "0001", sj("♂"), true},
      {"highest ID", "9999", sj("♀"), true},
      {"0000", "0000", sj("♂"), false},
      {"a blank before a short ID", " 123", sj("♂"), false},
      {"letters after a 1", "1abc", sj("♂"), true},  // ranks between: passes, the pick reports it
      {"no sex mark", "1234", "  ", false},
      {"another mark", "1234", sj("☆"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes line = memberLine(c.id, sj("シスオペ"), c.sex);
    std::optional<Bytes> entry = nameEntry(line);
    ASSERT_EQ(entry.has_value(), c.member);
    if (c.member) {
      EXPECT_EQ(entry->size(), 23u);
      EXPECT_EQ(*entry, "ID" + c.id + " " + padded(sj("シスオペ"), 16));
    }
  }
  EXPECT_EQ(nameEntry("short"), std::nullopt);
}

TEST(NameList, WholeFileWithDuplicatesAndNoGreeting) {
  TempDir dir;
  const Bytes member = memberLine("0042", sj("山田"), sj("♂"));
  writeFile(dir / "m.log", crlf({greeting("Host"), member, "noise", member}));
  EXPECT_EQ(MakeNameList(dir / "m.log", dir / ".nam"), 2u);
  const Bytes entry = "ID0042 " + padded(sj("山田"), 16);
  EXPECT_EQ(readFile(dir / ".nam"), crlf({"Host", entry, entry}));

  writeFile(dir / "n.log", crlf({member}));
  MakeNameList(dir / "n.log", dir / "x.nam");
  EXPECT_EQ(readFile(dir / "x.nam"), crlf({entry}));
}

TEST(ListFiles, AMissingLogOrDirectoryIsAFileErrorAndNothingIsReplaced) {
  TempDir dir;
  writeFile(dir / "keep.nam", crlf({"kept"}));
  EXPECT_THROW(MakeNameList(dir / "none.log", dir / "keep.nam"), FileError);
  EXPECT_EQ(readFile(dir / "keep.nam"), crlf({"kept"}));
  writeFile(dir / "a.log", crlf({greeting("Host")}));
  EXPECT_THROW(MakeBoardList(dir / "a.log", dir / "missing" / "x.bod"), FileError);
}

}  // namespace
}  // namespace pelarin
