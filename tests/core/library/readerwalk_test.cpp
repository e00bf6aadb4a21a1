// The reader's walk: the next board with unread messages (muted ones count
// as read, round the library's end), and the place kept for the next start.
#include "core/library/readerwalk.h"

#include <gtest/gtest.h>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/library/readerplace.h"
#include "core/text/linereader.h"
#include "librarylogs.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::boardLog;
using testing::TempDir;
using testing::writeFile;

class ReaderWalkTest : public ::testing::Test {
 protected:
  // Boards 3, 4 and 5 of two messages each, the second answering the first.
  void SetUp() override {
    Library library(dir_.path());
    for (const char* board : {"３", "４", "５"}) {
      writeFile(logs_ / "a.log",
                boardLog(board, {{"00001", "root", {"本文"}}, {"00002", "re", {"返事"}, "00001"}}));
      LineReader in(logs_ / "a.log", LineReader::Form::Guess);
      AppState state;
      library.importLog(in, "pelnet", state);
    }
  }
  TempDir dir_, logs_;
};

TEST_F(ReaderWalkTest, TheNextBoardWithUnreadPassesReadAndMutedBoardsAndGoesRound) {
  Library library(dir_.path());
  ReaderWalk walk(library);
  auto id = [&](int board, int number) { return *library.find("pelnet", board, number); };
  setFlag(library, MessageFlag::Read, {id(4, 1), id(4, 2)}, true);
  muteThread(library, id(5, 2));
  struct Case {
    int from;
    bool forward;
    std::optional<int> found;
  };
  for (const Case& c : {Case{3, true, 3}, Case{4, true, 3}, Case{5, false, 3}, Case{4, false, 3}}) {
    const auto board = walk.unreadBoard(BoardPlace{"pelnet", c.from}, c.forward);
    ASSERT_TRUE(board) << c.from;
    EXPECT_EQ(board->boardKey, *c.found) << c.from << c.forward;
  }
  EXPECT_EQ(walk.unread({id(3, 2), 0, id(4, 1), id(5, 1), 999}),
            (std::vector<bool>{true, false, false, false, false}));
  // Unmuted, board 5 is the next after 4 again; all read, none is.
  unmuteThread(library, id(5, 1));
  EXPECT_EQ(walk.unreadBoard(BoardPlace{"pelnet", 4}, true)->boardKey, 5);
  setFlag(library, MessageFlag::Read, {id(3, 1), id(3, 2), id(5, 1), id(5, 2)}, true);
  EXPECT_FALSE(walk.unreadBoard(BoardPlace{"pelnet", 4}, true));
  EXPECT_FALSE(walk.unreadBoard(std::nullopt, false));
}

TEST_F(ReaderWalkTest, AKeptPlaceLeavesOutWhatTheLibraryNoLongerHolds) {
  Library library(dir_.path());
  ReaderWalk walk(library);
  ReaderPlace place;
  place.host = "pelnet";
  place.what = "B3\nof two lines";
  // A gone id, a number not yet imported, then two found by number; the shown one is gone.
  place.messages = {{999, 0, 0}, {0, 3, 7}, {0, 3, 1}, {0, 4, 2}};
  place.shown = 1;
  rememberPlace(library, place);
  const std::optional<ReaderPlace> kept = rememberedPlace(library);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->what, "B3 of two lines");
  size_t shown = 99;
  EXPECT_EQ(placeIds(walk, *kept, &shown),
            (std::vector<int64_t>{*library.find("pelnet", 3, 1), *library.find("pelnet", 4, 2)}));
  EXPECT_EQ(shown, 0u);
  rememberPlace(library, ReaderPlace{});
  EXPECT_FALSE(rememberedPlace(library));
}

}  // namespace
}  // namespace pelarin
