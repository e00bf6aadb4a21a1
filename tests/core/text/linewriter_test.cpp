#include "core/text/linewriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

size_t entries(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(LineWriter, TruncatesOrAppendsARegularFile) {
  TempDir dir;
  for (const auto mode : {LineWriter::Mode::Truncate, LineWriter::Mode::Append}) {
    writeFile(dir / "f.txt", "old\r\n");
    LineWriter out(dir / "f.txt", mode);
    out.writeLine("new");
    out.close();
    EXPECT_EQ(readFile(dir / "f.txt"), mode == LineWriter::Mode::Append ? "old\r\nnew\r\n" : "new\r\n");
  }
}

// Written over, a file holds exactly the new bytes, whatever it held before,
// also when the writer is dropped without close() or writes past its buffer.
TEST(LineWriter, OverwriteLeavesExactlyTheNewBytes) {
  TempDir dir;
  const Bytes big(200000, 'b');
  struct Case {
    const char* name;
    Bytes before;  // empty: no file yet
    Bytes line;
    bool close;
  } cases[] = {
      {"shorter", "a much longer old content\r\n", "new", true},
      {"longer", "old\r\n", "new and longer than the old", true},
      {"empty", "old\r\n", "", true},
      {"new file", "", "new", true},
      {"past the buffer over a long file", Bytes(300000, 'o'), big, true},
      {"dropped without close", "a much longer old content\r\n", "new", false},
  };
  for (const auto& c : cases) {
    const fs::path file = dir / "f.txt";
    fs::remove(file);
    if (!c.before.empty()) writeFile(file, c.before);
    {
      LineWriter out(file, LineWriter::Mode::Overwrite);
      out.writeLine(c.line);
      if (c.close) out.close();
    }
    EXPECT_EQ(readFile(file), c.line + "\r\n") << c.name;
  }
}

// Whatever is planted under the name is neither written through nor into.
TEST(LineWriter, RefusesLinksAndDirectoriesUnderItsName) {
  TempDir outside;
  const Bytes victim = "outside\r\n";
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> plant;
    const char* reason;
  } cases[] = {
      {"link to a file", [&](const fs::path& p) { fs::create_symlink(outside / "victim", p); },
       "Is a symbolic link"},
      {"dangling link", [&](const fs::path& p) { fs::create_symlink(outside / "created", p); },
       "Is a symbolic link"},
      {"link to a directory", [&](const fs::path& p) { fs::create_directory_symlink(outside.path(), p); },
       "Is a symbolic link"},
      {"directory", [](const fs::path& p) { fs::create_directory(p); }, "Is a directory"},
  };
  for (const auto& c : cases) {
    for (const auto mode :
         {LineWriter::Mode::Truncate, LineWriter::Mode::Append, LineWriter::Mode::Overwrite}) {
      TempDir dir;
      writeFile(outside / "victim", victim);
      c.plant(dir / "mes1.tmp");
      try {
        LineWriter out(dir / "mes1.tmp", mode);
        out.writeLine("x");
        out.close();
        ADD_FAILURE() << c.name << ": written";
      } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create \"" + (dir / "mes1.tmp").string() + "\": " + c.reason);
      }
      EXPECT_EQ(readFile(outside / "victim"), victim) << c.name;
      EXPECT_FALSE(fs::exists(outside / "created")) << c.name;
      EXPECT_EQ(entries(outside.path()), 1u) << c.name;
      EXPECT_EQ(entries(dir.path()), 1u) << c.name;
    }
  }
}

TEST(ReplacingWriter, TheTemporaryFileIsHiddenAndGoneAfterwards) {
  TempDir dir;
  {
    ReplacingWriter out(dir / "list.bod");
    out.writeLine("x");
    ASSERT_EQ(entries(dir.path()), 1u);
    const std::string temp = fs::directory_iterator(dir.path())->path().filename().string();
    EXPECT_EQ(temp.rfind(".list.bod.", 0), 0u) << temp;
    EXPECT_FALSE(fs::exists(dir / "list.bod"));
  }
  EXPECT_EQ(entries(dir.path()), 0u) << "removed without commit";

  // Two writers to one target at once do not share a temporary file.
  ReplacingWriter first(dir / "list.bod");
  ReplacingWriter second(dir / "list.bod");
  first.writeLine("first");
  second.writeLine("second");
  second.commit();
  first.commit();
  EXPECT_EQ(readFile(dir / "list.bod"), "first\r\n");
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(ReplacingWriter, AFifoOrAnotherNonFileIsAnErrorAndNotReplaced) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "sig.txt").c_str(), 0600), 0);
  try {
    ReplacingWriter out(dir / "sig.txt");
    ADD_FAILURE() << "accepted";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create \"" + (dir / "sig.txt").string() + "\": Not a regular file");
  }
  EXPECT_TRUE(fs::is_fifo(dir / "sig.txt"));
  EXPECT_EQ(entries(dir.path()), 1u);
}

}  // namespace
}  // namespace pelarin
