#include "core/app/lockfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using Outcome = WorkDirLock::Outcome;

TEST(LockFile, OnlyTheFirstCreatorOwnsIt) {
  testing::TempDir dir;
  WorkDirLock first(dir / "upload.tmp");
  EXPECT_EQ(first.outcome(), Outcome::Owner);
  EXPECT_TRUE(first.owns());
  EXPECT_EQ(std::filesystem::file_size(dir / "upload.tmp"), 0u);
  WorkDirLock second(dir / "upload.tmp");
  EXPECT_EQ(second.outcome(), Outcome::Refused);
  EXPECT_FALSE(second.owns());
  EXPECT_THROW(WorkDirLock(dir / "missing" / "upload.tmp"), FileError);
}

TEST(LockFile, AFileWithoutAHolderIsTakenOverAndEmptied) {
  testing::TempDir dir;
  testing::writeFile(dir / "upload.tmp", "left by a killed copy");
  WorkDirLock lock(dir / "upload.tmp");
  EXPECT_EQ(lock.outcome(), Outcome::TakenOver);
  EXPECT_EQ(std::filesystem::file_size(dir / "upload.tmp"), 0u);
  EXPECT_EQ(WorkDirLock(dir / "upload.tmp").outcome(), Outcome::Refused);
}

TEST(LockFile, ReleaseRemovesTheFileAndTheNextStartOwnsAfresh) {
  testing::TempDir dir;
  {
    WorkDirLock lock(dir / "upload.tmp");
    lock.release();
    EXPECT_FALSE(std::filesystem::exists(dir / "upload.tmp"));
  }
  EXPECT_EQ(WorkDirLock(dir / "upload.tmp").outcome(), Outcome::Owner);
  // A lock let go without release leaves a stale file for the next start.
  EXPECT_EQ(WorkDirLock(dir / "upload.tmp").outcome(), Outcome::TakenOver);
}

TEST(LockFile, NeitherALinkNorADirectoryIsTaken) {
  testing::TempDir dir;
  testing::writeFile(dir / "elsewhere", "x");
  std::filesystem::create_symlink(dir / "elsewhere", dir / "upload.tmp");
  EXPECT_THROW(WorkDirLock(dir / "upload.tmp"), FileError);
  EXPECT_EQ(testing::readFile(dir / "elsewhere"), "x");
  std::filesystem::remove(dir / "upload.tmp");
  std::filesystem::create_directory(dir / "upload.tmp");
  EXPECT_THROW(WorkDirLock(dir / "upload.tmp"), FileError);
}

// The owner unlinks the file and lets go just after a second copy opened it; a
// third copy makes a fresh file meanwhile. The lock the second copy then gets
// is on the unlinked inode: it must look again and find the third copy's.
TEST(LockFile, ALockOnAnUnlinkedFileIsNotOwnership) {
  testing::TempDir dir;
  const auto file = dir / "upload.tmp";
  auto owner = std::make_unique<WorkDirLock>(file);
  std::unique_ptr<WorkDirLock> third;
  WorkDirLock second(file, [&] {
    owner->release();
    owner.reset();
    third = std::make_unique<WorkDirLock>(file);
  });
  ASSERT_TRUE(third);
  EXPECT_EQ(third->outcome(), Outcome::Owner);
  EXPECT_EQ(second.outcome(), Outcome::Refused);
}

TEST(LockFile, TheLockOnAnUnlinkedFileIsRetriedOnAFreshFile) {
  testing::TempDir dir;
  const auto file = dir / "upload.tmp";
  auto owner = std::make_unique<WorkDirLock>(file);
  WorkDirLock second(file, [&] {
    owner->release();
    owner.reset();
  });
  EXPECT_EQ(second.outcome(), Outcome::Owner);
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(WorkDirLock(file).outcome(), Outcome::Refused);
}

// Two processes let go at the same moment: exactly one owns the directory,
// with and without a stale file, and with a closing owner in between.
TEST(LockFile, TwoCopiesStartedTogetherGiveOneOwner) {
  for (const char* start : {"empty", "stale"}) {
    for (int round = 0; round < 40; ++round) {
      testing::TempDir dir;
      const auto file = dir / "upload.tmp";
      if (std::string(start) == "stale") testing::writeFile(file, "");
      int go[2], results[2], hold[2];
      ASSERT_EQ(pipe(go), 0);
      ASSERT_EQ(pipe(results), 0);
      ASSERT_EQ(pipe(hold), 0);
      pid_t children[2];
      for (pid_t& child : children) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
          close(go[1]);
          close(hold[1]);
          char c;
          (void)!read(go[0], &c, 1);  // both start when the pipe closes
          char outcome = 'E';
          try {
            WorkDirLock lock(file);
            outcome = lock.owns() ? 'O' : 'R';
            (void)!write(results[1], &outcome, 1);
            (void)!read(hold[0], &c, 1);  // keep the lock until both have answered
          } catch (...) {
            (void)!write(results[1], &outcome, 1);
          }
          _exit(0);
        }
      }
      close(go[0]);
      close(hold[0]);
      close(results[1]);
      close(go[1]);
      std::string outcomes;
      char c;
      while (outcomes.size() < 2 && read(results[0], &c, 1) == 1) outcomes += c;
      close(hold[1]);
      close(results[0]);
      for (pid_t child : children) waitpid(child, nullptr, 0);
      std::sort(outcomes.begin(), outcomes.end());
      ASSERT_EQ(outcomes, "OR") << start << " round " << round;
    }
  }
}

}  // namespace
}  // namespace pelarin
