#include "core/text/linereader.h"

#include <gtest/gtest.h>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::TempDir;
using testing::writeFile;

std::vector<Bytes> readAll(const std::filesystem::path& file) {
  LineReader in(file);
  std::vector<Bytes> lines;
  while (!in.atEnd()) lines.push_back(in.readLine());
  return lines;
}

TEST(LineReader, LineRules) {
  TempDir dir;
  struct Case {
    Bytes content;
    std::vector<Bytes> lines;
  } cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},                  // CR alone ends a line
      {"a\nb\r\nc", {"a\nb", "c"}},            // LF alone does not
      {"a\r\n\r\n", {"a", ""}},                // an empty last line
      {"a\r\n\n", {"a", "\n"}},                // only one LF belongs to the line end
      {"a\r\nb\x1a" "c\r\nd", {"a", "b"}},     // Ctrl-Z ends the file mid-line
      {"\x1a" "abc", {}},
  };
  for (const auto& c : cases) {
    writeFile(dir / "f", c.content);
    EXPECT_EQ(readAll(dir / "f"), c.lines) << ::testing::PrintToString(c.content);
  }
}

TEST(LineReader, PastTheEndGivesEmptyText) {
  TempDir dir;
  writeFile(dir / "f", "x\r\n");
  LineReader in(dir / "f");
  EXPECT_EQ(in.readLine(), "x");
  EXPECT_TRUE(in.atEnd());
  EXPECT_EQ(in.readLine(), "");
  EXPECT_EQ(in.readLine(), "");
}

TEST(LineReader, LongLinesAndLineEndsAcrossBufferBoundaries) {
  TempDir dir;
  // A CR as the last byte of the first buffer with its LF in the next.
  Bytes first(65535, 'x');
  Bytes content = first + "\r\n" + Bytes(300000, 'y') + "\r\nz";
  writeFile(dir / "f", content);
  auto lines = readAll(dir / "f");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], first);
  EXPECT_EQ(lines[1].size(), 300000u);
  EXPECT_EQ(lines[2], "z");
}

TEST(LineReader, MissingFileIsAFileError) {
  TempDir dir;
  EXPECT_THROW(LineReader(dir / "none"), FileError);
}

TEST(LineReader, SettingsIntegers) {
  TempDir dir;
  // Blank skipping across lines, a word after the value, "$" hex, end of file.
  writeFile(dir / "f", " 400 word\r\n\r\n  560\r\n$1F\r\n-7\r\n+8\r\ntext\r\n");
  LineReader in(dir / "f");
  EXPECT_EQ(in.readInt(), 400);
  EXPECT_EQ(in.readInt(), 560);
  EXPECT_EQ(in.readInt(), 31);
  EXPECT_EQ(in.readInt(), -7);
  EXPECT_EQ(in.readInt(), 8);
  EXPECT_THROW(in.readInt(), NotANumberError);
  EXPECT_EQ(in.readInt(), 0);  // the end of the file gives 0 without error
}

TEST(LineReader, SettingsIntegerErrors) {
  TempDir dir;
  for (Bytes bad : {"12a", "2147483648", "-", "$", "$G", "1.5"}) {
    writeFile(dir / "f", bad + "\r\n");
    LineReader in(dir / "f");
    EXPECT_THROW(in.readInt(), NotANumberError) << bad;
  }
  writeFile(dir / "f", "-2147483648\r\n");
  LineReader in(dir / "f");
  EXPECT_EQ(in.readInt(), INT32_MIN);
}

TEST(LineReader, SettingsIntegerTakesAtMost32Bytes) {
  TempDir dir;
  // The 33rd byte stays in the line, which is skipped after the value.
  writeFile(dir / "f", Bytes(31, '0') + "12\r\n5\r\n");
  LineReader in(dir / "f");
  EXPECT_EQ(in.readInt(), 1);
  EXPECT_EQ(in.readInt(), 5);
}

}  // namespace
}  // namespace pelarin

namespace pelarin {
namespace {

TEST(LineReader, LineNumberIsTheLineOfTheLastRead) {
  testing::TempDir dir;
  testing::writeFile(dir / "f", "a\r\n\r\n  \r\n 12 x\r\nb\rc");
  LineReader in(dir / "f");
  EXPECT_EQ(in.lineNumber(), 0u);
  in.readLine();
  EXPECT_EQ(in.lineNumber(), 1u);
  EXPECT_EQ(in.readInt(), 12);  // blank lines skipped: the value stands on line 4
  EXPECT_EQ(in.lineNumber(), 4u);
  in.readLine();
  in.readLine();
  EXPECT_EQ(in.lineNumber(), 6u);
}

}  // namespace
}  // namespace pelarin

#include "support/specialfiles.h"

namespace pelarin {
namespace {

TEST(LineReader, RefusesAnythingButARegularFileAtOnce) {
  for (testing::Special kind : testing::kSpecials) {
    testing::TempDir dir;
    const auto path = dir / "input.log";
    testing::plantSpecial(kind, path);
    const std::string error = testing::errorOfRead([&] { LineReader in(path); }, path);
    EXPECT_NE(error.find(path.string()), std::string::npos) << testing::specialName(kind) << ": " << error;
  }
  const std::string error = testing::errorOfRead([] { LineReader in("/dev/null"); }, "/dev/null");
  EXPECT_EQ(error, "Cannot open \"/dev/null\": Not a regular file (a device)");
}

TEST(LineReader, HeadsOfLinesWithTheRestCopiedOrSkipped) {
  testing::TempDir dir;
  const Bytes longLine = Bytes(70000, 'x') + "\n" + Bytes(70000, 'y');  // an LF alone stays in the line
  testing::writeFile(dir / "f", "abcdef\r\nabc\r\n" + longLine + "\r\nlast" + "\r\n" + "tail\x1a" "gone");
  LineReader in(dir / "f");
  Bytes head;

  in.readHead(head, 3);  // longer than the head: the rest waits
  EXPECT_EQ(head, "abc");
  EXPECT_TRUE(in.hasRest());
  EXPECT_EQ(in.skipRest(), 3u);

  in.readHead(head, 3);  // exactly the head: nothing waits
  EXPECT_EQ(head, "abc");
  EXPECT_FALSE(in.hasRest());
  EXPECT_EQ(in.lineNumber(), 2u);

  in.readHead(head, 10);
  Bytes copied = head;
  in.copyRest([&copied](ByteView piece) { copied.append(piece); });
  EXPECT_EQ(copied, longLine);
  EXPECT_EQ(in.lineNumber(), 3u);

  in.readHead(head, 2);  // a rest left alone is skipped by the next read
  EXPECT_EQ(head, "la");
  EXPECT_EQ(in.readLine(), "tail");  // Ctrl-Z ends the file
  EXPECT_EQ(in.lineNumber(), 5u);
  EXPECT_TRUE(in.atEnd());

  LineReader again(dir / "f");
  again.readHead(head, 1);
  EXPECT_FALSE(again.atEnd());  // atEnd passes over the rest of the line
  EXPECT_EQ(again.readLine(), "abc");
}

}  // namespace
}  // namespace pelarin
