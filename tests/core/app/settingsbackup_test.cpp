#include "core/app/settingsbackup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

TEST(SettingsBackup, CopiesTheFileWithItsModeAndLeavesNothingElse) {
  TempDir dir;
  writeFile(dir / "pelarin.ini", "old\r\nsettings\r\n");
  ::chmod((dir / "pelarin.ini").c_str(), 0640);
  keepSettingsBackup(dir / "pelarin.ini");
  EXPECT_EQ(readFile(dir / "pelarin.ini.bak"), "old\r\nsettings\r\n");
  EXPECT_EQ(readFile(dir / "pelarin.ini"), "old\r\nsettings\r\n");
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "pelarin.ini.bak").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(st.st_nlink, 1u);  // a copy, not a second name of the same file
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(SettingsBackup, ALinkUnderTheBackupNameIsReplacedNotFollowed) {
  TempDir dir;
  writeFile(dir / "pelarin.ini", "old");
  writeFile(dir / "outside", "keep me");
  std::filesystem::create_symlink(dir / "outside", dir / "pelarin.ini.bak");
  keepSettingsBackup(dir / "pelarin.ini");
  EXPECT_EQ(readFile(dir / "outside"), "keep me");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "pelarin.ini.bak"));
  EXPECT_EQ(readFile(dir / "pelarin.ini.bak"), "old");
}

TEST(SettingsBackup, NothingToKeepWithoutTheFileAndADirectoryIsAnError) {
  TempDir dir;
  keepSettingsBackup(dir / "pelarin.ini");
  EXPECT_FALSE(std::filesystem::exists(dir / "pelarin.ini.bak"));
  std::filesystem::create_directory(dir / "pelarin.ini");
  EXPECT_THROW(keepSettingsBackup(dir / "pelarin.ini"), FileError);
  EXPECT_FALSE(std::filesystem::exists(dir / "pelarin.ini.bak"));
}

}  // namespace
}  // namespace pelarin
