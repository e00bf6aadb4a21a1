// A damaged library: no write goes into it, check says what is wrong, and
// recover saves what can be read without touching it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/app/appstate.h"
#include "core/library/bodypacking.h"
#include "core/library/library.h"
#include "core/library/librarycheck.h"
#include "core/library/librarypreferences.h"
#include "core/library/libraryrecover.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/linereader.h"
#include "librarylogs.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::boardLog;
using testing::LogMessage;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

void importLog(Library& library, const fs::path& log) {
  AppState state;
  LineReader in(log, LineReader::Form::Guess);
  library.importLog(in, "pelnet", state);
}

fs::path writeLog(const TempDir& logs, const std::string& name, const std::string& board, int count) {
  std::vector<LogMessage> messages;
  for (int i = 1; i <= count; ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%05d", i);
    messages.push_back(
        {number,
         "題名" + std::to_string(i),
         {"東京の天気は晴れでした。" + std::to_string(i * 7919), "モデムの設定を変えました。"}});
  }
  writeFile(logs / name, boardLog(board, messages));
  return logs / name;
}

std::string integrity(const fs::path& file) {
  Database db(file, Database::Mode::Immutable);
  Statement s(db, "PRAGMA integrity_check");
  return s.step() ? s.text(0) : "";
}

// As a failing disk or a stray write leaves it: one page of the tree,
// in the middle of the file, overwritten with garbage.
void scribbleOn(const fs::path& file, const char* tree) {
  int64_t page = 0, size = 0;
  {
    Database db(file, Database::Mode::Immutable);
    Statement pages(
        db, "SELECT pageno, pgsize FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY pageno");
    pages.bind(1, std::string_view(tree));
    std::vector<std::pair<int64_t, int64_t>> leaves;
    while (pages.step()) leaves.emplace_back(pages.integer(0), pages.integer(1));
    ASSERT_GT(leaves.size(), 4u) << tree;
    std::tie(page, size) = leaves[leaves.size() / 2];
  }
  Bytes bytes = readFile(file);
  for (int64_t i = 0; i < size; ++i)
    bytes[static_cast<size_t>((page - 1) * size + i)] = static_cast<char>(i * 131 + 7);
  writeFile(file, bytes);
}

TEST(LibraryDamage, NoWriteGoesInCheckSaysWhatAndRecoverSavesTheRest) {
  for (const char* tree : {"messages", "fts_data"}) {
    SCOPED_TRACE(tree);
    TempDir dir, logs, out;
    const fs::path file = Library::fileIn(dir.path());
    {
      Library library(dir.path());
      importLog(library, writeLog(logs, "a.log", "３", 3000));
    }
    {
      // A connection of this process that found the file whole and keeps it
      // open: the damage after it must still be found.
      Library holder(dir.path());
      setPreference(holder, "k", "v");
      // Time stamps tell a later change apart; on a kernel with coarse ones,
      // not within the same tick.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      scribbleOn(file, tree);
      ASSERT_NE(integrity(file), "ok");
      const Bytes damaged = readFile(file);
      Library writer(dir.path());
      for (auto write : std::initializer_list<std::function<void()>>{
               [&] { importLog(writer, writeLog(logs, "b.log", "４", 10)); },
               [&] { setPreference(writer, "k", "w"); }}) {
        try {
          write();
          ADD_FAILURE() << "written into a damaged library";
        } catch (const LibraryError& e) {
          EXPECT_TRUE(std::string(e.what()).starts_with(damagedLibraryText() + "\n" + file.string() + ": "))
              << e.what();
        }
      }
      EXPECT_EQ(readFile(file), damaged);
    }

    const Bytes damaged = readFile(file);
    {
      Library inspected(dir.path(), Library::Use::Inspect);
      const LibraryCheck found = checkLibrary(inspected);
      ASSERT_FALSE(found.problems.empty());
      EXPECT_TRUE(found.problems[0].starts_with("file\t\t")) << found.problems[0];
    }
    const RecoverResult r = recoverLibrary(dir.path(), out / "new");
    EXPECT_EQ(r.salvaged + r.lost, 3000);
    // A damaged leaf of the messages loses its rows; of the index, nothing.
    if (std::string(tree) == "messages") {
      EXPECT_GT(r.lost, 0);
    } else {
      EXPECT_EQ(r.lost, 0);
    }
    EXPECT_EQ(r.logs, 1);
    EXPECT_EQ(readFile(file), damaged);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(out / "new"), fs::directory_iterator()), 1);

    Library saved(out / "new");
    EXPECT_EQ(integrity(Library::fileIn(out / "new")), "ok");
    EXPECT_TRUE(checkLibrary(saved).problems.empty());
    EXPECT_EQ(saved.count(splitTerms("東京"), {}), static_cast<size_t>(r.salvaged));
    EXPECT_EQ(preference(saved, "k").value_or(""), "v");
    // The log whose messages were lost is read again when added again.
    importLog(saved, logs / "a.log");
    EXPECT_EQ(saved.count({}, {}), 3000u);
    EXPECT_THROW(recoverLibrary(dir.path(), out / "new"), LibraryError);
  }
}

// SQLite finds the file whole; the library's own rules are broken one by one.
TEST(LibraryCheck, EachBrokenRuleIsOneLine) {
  TempDir dir, logs;
  Library library(dir.path());
  importLog(library, writeLog(logs, "a.log", "３", 20));
  ASSERT_TRUE(checkLibrary(library).problems.empty());
  Database& db = library.database();
  const Bytes other = sj("別の本文です。\r\n");
  Statement(db, "UPDATE messages SET body = ?1, body_size = ?2 WHERE id = 3")
      .bindBlob(1, packBody(other))
      .bind(2, static_cast<int64_t>(other.size()))
      .run();
  Statement(db, "UPDATE messages SET source = 9 WHERE id = 4").run();
  Statement(db, "UPDATE messages SET body = x'00112233' WHERE id = 6").run();
  Statement(
      db,
      "INSERT INTO messages(id, host, board_key, number, reply, writer_id, source, keys, body_size, body) "
      "SELECT 100, host, board_key, 999, 0, 1, source, keys, body_size, body FROM messages WHERE id = 1")
      .run();
  Statement(db, "INSERT INTO fts(rowid, title, writer, body) VALUES (200, 'x', 'y', 'z')").run();
  Statement(db, "INSERT INTO copies(message, source, position, line) VALUES (5, 9, 1, 1), (300, 1, 1, 1)")
      .run();

  const std::vector<std::string> expected = {
      "message\t3\t索引の項目が本文と合いません",
      "message\t4\t元のログ 9 がライブラリにありません",
      "message\t6\t本文を読み出せません",
      "message\t100\t索引にありません",
      "index\t200\tライブラリにないメッセージが索引にあります",
      "copy\t5\t写しの元のログ 9 がライブラリにありません",
      "copy\t300\t写し（ログ 1）のメッセージがライブラリにありません",
  };
  const LibraryCheck found = checkLibrary(library);
  EXPECT_EQ(found.problems, expected);
  EXPECT_EQ(found.messages, 21);

  // The table of characters is checked by how many messages hold each one.
  TempDir wholeDir;
  Library whole(wholeDir.path());
  importLog(whole, writeLog(logs, "b.log", "３", 5));
  Statement(whole.database(), "INSERT INTO fts_chars(rowid, chars) VALUES (2, 'ぬ')").run();
  EXPECT_EQ(checkLibrary(whole).problems, std::vector<std::string>{"index\t\t文字の索引が本文と合いません"});
}

}  // namespace
}  // namespace pelarin
