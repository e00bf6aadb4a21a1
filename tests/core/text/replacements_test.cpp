// Every whole-file replacement the program makes: settings, "bbs.ini", the
// signature, the lists and a new upload script. None writes through a link,
// each keeps the old file's permissions, refuses what a plain write would
// refuse and names the user's file in its errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/app/settings.h"
#include "core/compose/signature.h"
#include "core/compose/uploadrecords.h"
#include "core/compose/uploadscript.h"
#include "core/lists/bbsini.h"
#include "core/lists/listbuilders.h"
#include "core/text/errors.h"
#include "core/text/paths.h"
#include "support/tempdir.h"
#include "support/unprivileged.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::runWithoutRoot;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

struct Replacement {
  const char* name;  // the file in the directory
  std::function<void(const fs::path& dir)> write;
};

std::vector<Replacement> replacements() {
  static const TempDir logs;
  // A greeting, a board line and a member line: every list gets a title and an entry.
  writeFile(logs / "lists.log", sj("Ｔhank you for accessing to HOST  [CH-07 14400bps]  \r\n"
                                   "[ １][BBS     ][ 雑談                 ](  12)\r\n"
                                   "  (001) ID0001 山田太郎         ♂ 大阪府\r\n"));
  fs::permissions(logs.path(), fs::perms::all);  // readable by the unprivileged tests too
  const fs::path log = logs / "lists.log";
  return {
      {"pelarin.ini",
       [](const fs::path& dir) {
         AppHost host;
         AppState state;
         SetDefaults(state, host);
         state.WorkDir = textFromPath(dir) + kSeparator;
         SaveSettings(state);
       }},
      {"bbs.ini",
       [](const fs::path& dir) {
         writeBbsIni(dir / "bbs.ini", {{{"list", "target", "up"}}});
       }},
      {"sig.txt", [](const fs::path& dir) { writeSignature(dir / "sig.txt", {"signed"}); }},
      {"pelarin.bod", [log](const fs::path& dir) { MakeBoardList(log, dir / "pelarin.bod"); }},
      {"member.nam", [log](const fs::path& dir) { MakeNameList(log, dir / "member.nam"); }},
      {"upload.txt",
       [](const fs::path& dir) {
         AppHost host;
         AppState state;
         SetDefaults(state, host);
         state.TextFileDir = textFromPath(dir) + kSeparator;
         state.UploadFile = "upload.txt";
         state.UploadRewrite = 1;
         AppendUploadRecord(state, responseRecord("B5", "1", "t", {"body"}),
                            [](const Bytes&) { return true; });
       }},
  };
}

size_t entries(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

mode_t modeOf(const fs::path& file) {
  struct stat st {};
  EXPECT_EQ(::lstat(file.c_str(), &st), 0) << file;
  return st.st_mode & 07777;
}

class Replacements : public ::testing::Test {
 protected:
  // What the write gives in an empty directory.
  Bytes expected(const Replacement& r) {
    TempDir clean;
    r.write(clean.path());
    return readFile(clean / r.name);
  }

  TempDir outside;
  const Bytes victim = "outside the work directory\r\n";
};

TEST_F(Replacements, LinksAtTemporaryNamesAndAtTheTargetAreNotFollowed) {
  for (const Replacement& r : replacements()) {
    const Bytes want = expected(r);
    const std::string target = r.name;
    for (const bool targetIsALink : {false, true}) {
      TempDir dir;
      writeFile(outside / "victim", victim);
      if (!targetIsALink) writeFile(dir / target, "old\r\n");
      std::vector<std::string> links{target + ".new", target + ".tmp", target + "~", "." + target,
                                     "." + target + ".new"};
      if (targetIsALink) links.push_back(target);
      for (const std::string& link : links) fs::create_symlink(outside / "victim", dir / link);

      r.write(dir.path());
      EXPECT_EQ(readFile(outside / "victim"), victim) << target << " link at target " << targetIsALink;
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / target))) << target;
      EXPECT_EQ(readFile(dir / target), want) << target;
      EXPECT_EQ(entries(dir.path()), links.size() + (targetIsALink ? 0 : 1))
          << target << ": nothing left beside";
    }
  }
}

TEST_F(Replacements, PermissionsOfTheOldFileAreKept) {
  for (const Replacement& r : replacements()) {
    for (const mode_t mode : {0600, 0640, 0604}) {
      TempDir dir;
      writeFile(dir / r.name, "old\r\n");
      ASSERT_EQ(::chmod((dir / r.name).c_str(), mode), 0);
      r.write(dir.path());
      EXPECT_EQ(modeOf(dir / r.name), mode) << r.name;
      EXPECT_NE(readFile(dir / r.name), "old\r\n") << r.name;
    }
  }
}

TEST_F(Replacements, ErrorsNameTheUsersFileNeverATemporaryOne) {
  for (const Replacement& r : replacements()) {
    TempDir dir;
    fs::create_directory(dir / "dir");
    fs::create_directory(dir / "dir" / r.name);  // a directory where the file should be
    for (const fs::path& where : {dir / "missing", dir / "dir"}) {
      try {
        r.write(where);
        ADD_FAILURE() << r.name << " in " << where << " did not fail";
      } catch (const FileError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("/" + std::string(r.name) + "\": "), std::string::npos) << text;
        EXPECT_EQ(text.find(std::string(r.name) + "."), std::string::npos) << text;
      }
    }
    EXPECT_TRUE(fs::is_empty(dir / "dir" / r.name)) << r.name;
    EXPECT_EQ(entries(dir / "dir"), 1u) << r.name;
  }
}

TEST_F(Replacements, AFileThatMayNotBeWrittenIsRefusedAndKept) {
  for (const Replacement& r : replacements()) {
    TempDir dir;
    writeFile(dir / r.name, "old\r\n");
    ASSERT_EQ(::chmod((dir / r.name).c_str(), 0444), 0);
    const bool ran = runWithoutRoot(dir.path(), [&] {
      try {
        r.write(dir.path());
        ADD_FAILURE() << r.name << " was replaced";
      } catch (const FileError& e) {
        EXPECT_EQ(e.errorNumber(), EACCES) << e.what();
        EXPECT_NE(std::string(e.what()).find(std::string(r.name) + "\": "), std::string::npos) << e.what();
      }
    });
    if (!ran) GTEST_SKIP() << "cannot give up root";
    EXPECT_EQ(readFile(dir / r.name), "old\r\n") << r.name;
    EXPECT_EQ(modeOf(dir / r.name), 0444u) << r.name;
    EXPECT_EQ(entries(dir.path()), 1u) << r.name;
  }
}

TEST_F(Replacements, AReadOnlyDirectoryWithAWritableFileGetsItWrittenInPlace) {
  for (const Replacement& r : replacements()) {
    const Bytes want = expected(r);
    TempDir dir;
    writeFile(dir / r.name, Bytes(5000, 'o'));  // longer than the new text: truncated
    ASSERT_EQ(::chmod((dir / r.name).c_str(), 0640), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const bool ran = runWithoutRoot(dir.path(), [&] { EXPECT_NO_THROW(r.write(dir.path())) << r.name; });
    if (!ran) GTEST_SKIP() << "cannot give up root";
    EXPECT_TRUE(readFile(dir / r.name) == want) << r.name << ": not the new text alone";
    EXPECT_EQ(modeOf(dir / r.name), 0640u) << r.name;
    EXPECT_EQ(entries(dir.path()), 1u) << r.name;
  }
}

TEST_F(Replacements, AReadOnlyDirectoryWithoutTheFileIsAnErrorNamingIt) {
  for (const Replacement& r : replacements()) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const bool ran = runWithoutRoot(dir.path(), [&] {
      try {
        r.write(dir.path());
        ADD_FAILURE() << r.name << " was written";
      } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(std::string(r.name) + "\": "), std::string::npos) << e.what();
      }
    });
    if (!ran) GTEST_SKIP() << "cannot give up root";
    EXPECT_EQ(entries(dir.path()), 0u) << r.name;
  }
}

}  // namespace
}  // namespace pelarin
