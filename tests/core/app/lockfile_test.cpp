#include "core/app/lockfile.h"

#include <gtest/gtest.h>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

TEST(LockFile, OnlyTheFirstCreatorOwnsIt) {
  testing::TempDir dir;
  EXPECT_TRUE(createLockFile(dir / "upload.tmp"));
  EXPECT_EQ(std::filesystem::file_size(dir / "upload.tmp"), 0u);
  EXPECT_FALSE(createLockFile(dir / "upload.tmp"));
  EXPECT_THROW(createLockFile(dir / "missing" / "upload.tmp"), FileError);
}

}  // namespace
}  // namespace pelarin
