// An export never replaces the library, the store, the program's own files,
// the upload scripts or the logs the library holds, by any name or link.
#include "core/library/exporttarget.h"

#include <gtest/gtest.h>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "librarylogs.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

TEST(ExportTarget, TheProgramsFilesAreRefusedByNameLinkOrContent) {
  TempDir root;
  const fs::path work = root / "work", logs = root / "logs", texts = root / "texts", other = root / "other";
  for (const fs::path& d : {work, logs, texts, other}) fs::create_directories(d);
  const Bytes log = testing::boardLog("３", {{"00001", "一", {"本文"}}});
  writeFile(logs / "held.log", log);
  Library library(work);
  AppState state;
  {
    LineReader in(logs / "held.log");
    ASSERT_EQ(library.importLog(in, "", state).added, 1);
  }
  state.LogFileDir = logs.string() + "/";
  state.TextFileDir = texts.string() + "/";
  state.UpFileName = "upload.txt";
  state.UploadFile = "upload.txt";
  state.BbsTable[2].Upload = "Pelnet";
  writeFile(work / "mes1.tmp", "m");
  writeFile(work / "bbs.ini", "b");
  fs::create_hard_link(work / "pelarin-library.db", other / "hard.db");
  fs::create_hard_link(work / "mes1.tmp", other / "hard.tmp");
  fs::create_symlink(work / "bbs.ini", other / "bbs-link");
  writeFile(other / "copy.log", log);
  writeFile(other / "board-3.html", "x");
  fs::create_directories(other / "site");
  fs::create_hard_link(work / "bbs.ini", other / "site" / "board-3.html");

  const struct {
    fs::path target;
    ExportFormat format;
    const char* kind;  // nullptr: allowed
  } cases[] = {
      {work / "pelarin-library.db", ExportFormat::Text, "ライブラリのデータベース"},
      {work / "." / "PELARIN-LIBRARY.DB-wal", ExportFormat::Mbox, "ライブラリのデータベース"},
      {texts / ".." / "work" / "pelarin-library.db-journal", ExportFormat::Mbox, "ライブラリのデータベース"},
      {other / "hard.db", ExportFormat::Text, "ライブラリのデータベース"},
      {work / "pelarin-library.db-shm", ExportFormat::Html, "ライブラリのデータベース"},
      {work / "mes9.tmp", ExportFormat::Text, "メッセージファイル"},
      {other / "hard.tmp", ExportFormat::Text, "メッセージファイル"},
      {work / "pelarin.ini", ExportFormat::Text, "設定ファイル"},
      {work / "upload.tmp", ExportFormat::Text, "ロックファイル"},
      {other / "bbs-link", ExportFormat::Text, "関連付けのファイル"},
      {work / "sig.txt", ExportFormat::Text, "署名のファイル"},
      {work / "pelarin-res.draft", ExportFormat::Mbox, "下書き"},
      {texts / "upload.txt", ExportFormat::Text, "アップロードスクリプト"},
      {texts / "pelnet.txt", ExportFormat::Text, "アップロードスクリプト"},
      {logs / "held.log", ExportFormat::Text, "ライブラリに取り込んだログ"},
      {other / "copy.log", ExportFormat::Mbox, "ライブラリに取り込んだログ"},
      {other / "site", ExportFormat::Html, "関連付けのファイル"},
      {other / "board-3.html", ExportFormat::Text, nullptr},
      {work / "export.txt", ExportFormat::Text, nullptr},
      {texts / "other.txt", ExportFormat::Text, nullptr},
      {other / "new-site", ExportFormat::Html, nullptr},
  };
  for (const auto& c : cases) {
    try {
      refuseOwnFiles(library, state, work, c.format, c.target);
      EXPECT_EQ(c.kind, nullptr) << c.target << " was let through";
    } catch (const Error& e) {
      ASSERT_NE(c.kind, nullptr) << c.target << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.kind), std::string::npos) << c.target << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("別の書き出し先を指定してください。"), std::string::npos);
    }
  }
  // A log captured on after it was read: still the log, by its name in the log directory.
  writeFile(logs / "held.log", log + "more\r\n");
  EXPECT_THROW(refuseOwnFiles(library, state, work, ExportFormat::Text, logs / "held.log"), Error);
}

}  // namespace
}  // namespace pelarin
