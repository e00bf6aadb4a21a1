// A library made by the version before this one, kept as its file: opening
// it rebuilds the index from the bytes it holds, never from a log.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/library/library.h"
#include "core/library/tokenizer.h"
#include "core/text/cp932.h"
#include "core/text/progress.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::TempDir;

std::vector<std::string> titlesOf(Library& library, const std::string& query) {
  std::vector<std::string> out;
  for (int64_t id : library.search(splitTerms(query), {})) {
    std::string t = cp932ToUtf8(library.message(id).keys.Title);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    out.push_back(t);
  }
  return out;
}

class LibraryUpgrade : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::filesystem::path(PELARIN_TEST_DATA) / "library-v2.db",
                               Library::fileIn(dir_.path()));
  }
  TempDir dir_;
};

TEST_F(LibraryUpgrade, TheIndexIsRebuiltFromTheLibrarysOwnBytes) {
  using V = std::vector<std::string>;
  {
    // The window's thread reads it as it is and leaves the rebuild to another.
    std::thread reader([&] {
      deferIndexRebuildOnThisThread();
      Library library(dir_.path());
      EXPECT_TRUE(library.indexIsOld());
      EXPECT_EQ(titlesOf(library, "普通"), (V{"plain"}));
      EXPECT_EQ(titlesOf(library, "普"), (V{"plain"}));  // no table of characters yet
    });
    reader.join();
  }
  {
    // A cancel (the program ends) leaves the old library, which opens.
    Progress cancelled;
    cancelled.onStep = [](const Progress& p) { const_cast<Progress&>(p).cancel = true; };
    IndexRebuildHere here(&cancelled);
    EXPECT_THROW(Library{dir_.path()}, CancelledError);
  }
  {
    std::thread reader([&] {
      deferIndexRebuildOnThisThread();
      EXPECT_TRUE(Library(dir_.path()).indexIsOld());
    });
    reader.join();
  }
  Progress progress;
  int64_t steps = 0;
  progress.onStep = [&](const Progress&) { ++steps; };
  IndexRebuildHere here(&progress);
  Library library(dir_.path());
  EXPECT_FALSE(library.indexIsOld());
  EXPECT_EQ(progress.total.load(), 6);
  EXPECT_GE(steps, 6);
  EXPECT_EQ(titlesOf(library, "ひらがな"), (V{"kana"}));
  EXPECT_EQ(titlesOf(library, "コンピューター"), (V{"long vowel"}));
  EXPECT_EQ(titlesOf(library, "東京都庁"), (V{"wrapped"}));
  EXPECT_EQ(titlesOf(library, "98"), (V{"pc98"}));
  EXPECT_EQ(titlesOf(library, "68000"), (V{"x68k"}));
  EXPECT_EQ(titlesOf(library, "普通"), (V{"plain"}));
  EXPECT_EQ(titlesOf(library, "普"), (V{"plain"}));
}

}  // namespace
}  // namespace pelarin
