// A library this process may not write, and side files that are not files:
// readers leave nothing behind, writers are told which file stops them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/linereader.h"
#include "librarylogs.h"
#include "support/specialfiles.h"
#include "support/tempdir.h"
#include "support/unprivileged.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::boardLog;
using testing::filesIn;
using testing::LogMessage;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

// A library of 30 messages, and a log of 5 more beside it.
void makeLibrary(const fs::path& dir) {
  std::vector<LogMessage> first, more;
  for (int i = 1; i <= 35; ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%05d", i);
    (i <= 30 ? first : more).push_back({number, "題名", {"東京は晴れ。"}});
  }
  writeFile(dir / "a.log", boardLog("３", first));
  writeFile(dir / "b.log", boardLog("３", more));
  AppState state;
  Library library(dir);
  LineReader in(dir / "a.log");
  library.importLog(in, "pelnet", state);
}

std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LibraryAccess, AReaderThatMayNotWriteLeavesNothingAndAWriterNamesWhatStopsIt) {
  struct Case {
    const char* name;
    std::function<fs::path(const fs::path& dir)> deny;  // returns what stops a writer
  };
  const Case cases[] = {
      {"a read-only file",
       [](const fs::path& dir) {
         ::chmod(Library::fileIn(dir).c_str(), 0444);
         return Library::fileIn(dir);
       }},
      {"a read-only folder",
       [](const fs::path& dir) {
         ::chmod(dir.c_str(), 0555);
         return dir;
       }},
      // As an earlier reader that could not write left it.
      {"a read-only -shm",
       [](const fs::path& dir) {
         const fs::path shm = Library::fileIn(dir).string() + "-shm";
         writeFile(shm, Bytes(32768, '\0'));
         ::chmod(shm.c_str(), 0444);
         return shm;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    makeLibrary(dir.path());
    const Bytes before = readFile(Library::fileIn(dir.path()));
    const fs::path blocker = c.deny(dir.path());
    const std::vector<std::string> names = namesIn(dir.path());
    const bool ran = testing::runWithoutRoot(dir.path(), [&] {
      {
        Library reader(dir.path());
        EXPECT_EQ(reader.count({}, {}), 30u);
        EXPECT_EQ(reader.search(splitTerms("東京"), {}).size(), 30u);
      }
      EXPECT_EQ(namesIn(dir.path()), names);
      Library writer(dir.path());
      try {
        AppState state;
        LineReader in(dir.path() / "b.log");
        writer.importLog(in, "pelnet", state);
        ADD_FAILURE() << "written";
      } catch (const LibraryError& e) {
        const std::string text = e.what();
        EXPECT_TRUE(text.starts_with("書き込む権限がないため、ライブラリに書き込めません。")) << text;
        EXPECT_TRUE(text.ends_with("\n" + blocker.string())) << text;
      }
      EXPECT_EQ(writer.count({}, {}), 30u);
    });
    if (!ran) GTEST_SKIP() << "cannot give up root";
    EXPECT_EQ(namesIn(dir.path()), names);
    EXPECT_EQ(readFile(Library::fileIn(dir.path())), before);
  }
}

TEST(LibraryAccess, ASideFileThatIsNotAFileIsNamed) {
  TempDir made;
  makeLibrary(made.path());
  for (const char* suffix : {"-wal", "-shm"}) {
    for (int kind = 0; kind <= 3; ++kind) {
      TempDir dir;
      fs::copy_file(Library::fileIn(made.path()), Library::fileIn(dir.path()));
      const fs::path side = Library::fileIn(dir.path()).string() + suffix;
      if (kind < 3) {
        testing::plantSpecial(testing::kSpecials[kind], side);
      } else {
        writeFile(dir / "other", "mine");
        fs::create_symlink(dir / "other", side);
      }
      const std::string error = testing::errorOfRead(
          [&] {
            Library library(dir.path());
            library.count({}, {});
          },
          side);
      EXPECT_TRUE(error.ends_with("ライブラリを開けません。\n" + side.string()))
          << suffix << " " << kind << ": " << error;
      if (kind == 3) {
        EXPECT_EQ(readFile(dir / "other"), "mine");
      }
    }
  }
}

}  // namespace
}  // namespace pelarin
