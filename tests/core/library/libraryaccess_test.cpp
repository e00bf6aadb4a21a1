// A library this process may not write, and side files that are not files:
// readers leave nothing behind, writers are told which file stops them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>

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
    size_t messages = 30;
  };
  // Open through the case: its transactions stay in the -wal.
  std::unique_ptr<Library> holder;
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
      {"a read-only file whose -wal holds transactions",
       [&](const fs::path& dir) {
         holder = std::make_unique<Library>(dir);
         holder->database().exec("PRAGMA wal_autocheckpoint=0");
         AppState state;
         LineReader in(dir / "b.log");
         holder->importLog(in, "pelnet", state);
         ::chmod(Library::fileIn(dir).c_str(), 0444);
         return Library::fileIn(dir);
       },
       35},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir top;
    // A name SQLite's URIs would otherwise cut or read as parameters.
    const fs::path dir = top / "ライブラリ ?#%41";
    fs::create_directory(dir);
    makeLibrary(dir);
    const Bytes before = readFile(Library::fileIn(dir));
    const fs::path blocker = c.deny(dir);
    const std::vector<std::string> names = namesIn(dir);
    const bool ran = testing::runWithoutRoot(top.path(), [&] {
      {
        Library reader(dir);
        EXPECT_EQ(reader.count({}, {}), c.messages);
        EXPECT_EQ(reader.search(splitTerms("東京"), {}).size(), c.messages);
      }
      EXPECT_EQ(namesIn(dir), names);
      Library writer(dir);
      try {
        AppState state;
        LineReader in(dir / "b.log");
        writer.importLog(in, "pelnet", state);
        ADD_FAILURE() << "written";
      } catch (const LibraryError& e) {
        const std::string text = e.what();
        EXPECT_TRUE(text.starts_with("書き込む権限がないため、ライブラリに書き込めません。")) << text;
        EXPECT_TRUE(text.ends_with("\n" + blocker.string())) << text;
      }
      EXPECT_EQ(writer.count({}, {}), c.messages);
    });
    if (!ran) GTEST_SKIP() << "cannot give up root";
    EXPECT_EQ(namesIn(dir), names);
    EXPECT_EQ(readFile(Library::fileIn(dir)), before);
    holder.reset();
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
