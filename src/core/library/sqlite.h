// Thin owners of an SQLite connection and its statements; every failure is a
// LibraryError carrying the library's own text.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/text/bytes.h"
#include "core/text/errors.h"

namespace pelarin {

// The library's database cannot be used; what() says why, in Japanese, with
// SQLite's own reason on a second line where it has one.
class LibraryError : public Error {
 public:
  using Error::Error;
};

class Database {
 public:
  enum class Mode {
    ReadWrite,  // creating the file when missing
    ReadOnly,   // reads a -wal beside it through its -shm; creates nothing when both are there
    Immutable,  // the file alone, without locks or side files: nothing is created
  };
  // Opens the file; throws LibraryError.
  explicit Database(const std::filesystem::path& file, Mode mode = Mode::ReadWrite);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* handle() const { return db_; }
  void exec(const char* sql);
  int64_t lastInsertId() const { return sqlite3_last_insert_rowid(db_); }
  int changes() const { return sqlite3_changes(db_); }
  [[noreturn]] void fail(const std::string& what) const;
  // Waits for another writer as long as before, but no longer once flag is set.
  void giveUpWaitingWhen(const std::atomic<bool>& flag);
  const std::filesystem::path& file() const { return file_; }
  Mode mode() const { return mode_; }

  // Every write goes through a Transaction: `before` runs ahead of it until
  // it returns once without throwing, `after` each time one commits.
  void guardWrites(std::function<void()> before, std::function<void()> after) {
    before_ = std::move(before);
    after_ = std::move(after);
  }
  void beforeWrite();
  void afterWrite() {
    if (after_) after_();
  }

 private:
  std::filesystem::path file_;
  Mode mode_;
  sqlite3* db_ = nullptr;
  std::function<void()> before_, after_;
};

class Statement {
 public:
  Statement(Database& db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Binding starts at 1; reset() keeps the bindings for the next run.
  Statement& bind(int i, int64_t v);
  Statement& bind(int i, std::string_view text);
  Statement& bindBlob(int i, ByteView blob);
  Statement& bindNull(int i);
  // True while a row is there; false at the end.
  bool step();
  // Runs a statement that returns no rows, then resets it.
  void run();
  void reset();

  int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::string text(int col) const;
  Bytes blob(int col) const;
  ByteView blobView(int col) const;
  bool isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
  sqlite3_stmt* handle() const { return stmt_; }

 private:
  Database& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE .. COMMIT; a transaction not committed is rolled back.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Database& db_;
  bool open_ = true;
};

// One snapshot for many reads: each statement outside a transaction would
// take and give back the file's lock on its own. Nothing when one is open.
class ReadTransaction {
 public:
  explicit ReadTransaction(Database& db);
  ~ReadTransaction();
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Database& db_;
  bool open_ = false;
};

}  // namespace pelarin
