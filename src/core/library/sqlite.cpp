#include "core/library/sqlite.h"

namespace pelarin {

namespace {

constexpr int kBusyTimeoutMs = 30000;
constexpr char kDamaged[] = "ライブラリのファイルが壊れているか、ライブラリのファイルではありません。";

std::string reasonOf(sqlite3* db, int code) {
  // Damage and foreign files get one text the user can act on.
  const int primary = code & 0xff;
  if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) return kDamaged;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    return "ライブラリは他のプログラムが使用中です。しばらくしてからやり直してください。";
  if (primary == SQLITE_FULL) return "ディスクに空きがないため、ライブラリに書き込めません。";
  if (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM)
    return "ライブラリのファイルを開けません。";
  return "ライブラリの処理に失敗しました。";
  (void)db;
}

// A file name as a URI, so a '?' or '#' in it stays part of the name.
std::string uriOf(const std::filesystem::path& file, const char* parameters) {
  static const char hex[] = "0123456789ABCDEF";
  // An absolute path gets the empty authority, so "//x" stays a path.
  std::string uri = file.is_absolute() ? "file://" : "file:";
  for (unsigned char c : file.string()) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri + "?" + parameters;
}

}  // namespace

Database::Database(const std::filesystem::path& file, Mode mode) : file_(file), mode_(mode) {
  int rc;
  if (mode == Mode::ReadWrite) {
    rc = sqlite3_open_v2(file.c_str(), &db_,
                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
  } else {
    const std::string uri = uriOf(file, mode == Mode::ReadOnly ? "mode=ro" : "mode=ro&immutable=1");
    rc = sqlite3_open_v2(uri.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOFOLLOW,
                         nullptr);
  }
  if (rc != SQLITE_OK) {
    const std::string detail = db_ ? sqlite3_errmsg(db_) : "";
    sqlite3_close(db_);
    db_ = nullptr;
    throw LibraryError(reasonOf(nullptr, rc) + "\n" + file.string() + ": " + detail);
  }
  sqlite3_extended_result_codes(db_, 1);
  // A writer importing holds the lock for one log at a time: readers and a
  // second writer wait for it instead of failing at once.
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

Database::~Database() { sqlite3_close_v2(db_); }

void Database::giveUpWaitingWhen(const std::atomic<bool>& flag) {
  constexpr int kWaitMs = 10, kTries = kBusyTimeoutMs / kWaitMs;
  sqlite3_busy_handler(
      db_,
      [](void* given, int tries) {
        if (static_cast<const std::atomic<bool>*>(given)->load() || tries >= kTries) return 0;
        sqlite3_sleep(kWaitMs);
        return 1;
      },
      const_cast<std::atomic<bool>*>(&flag));
}

void Database::fail(const std::string& what) const {
  const int code = sqlite3_extended_errcode(db_);
  std::string text = reasonOf(db_, code) + "\n" + file_.string() + ": " + sqlite3_errmsg(db_);
  if (!what.empty()) text += " (" + what + ")";
  throw LibraryError(text);
}

void Database::exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    sqlite3_free(message);
    fail("");
  }
}

Statement::Statement(Database& db, const char* sql) : db_(db) {
  if (sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) != SQLITE_OK)
    db.fail("");
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::bind(int i, int64_t v) {
  if (sqlite3_bind_int64(stmt_, i, v) != SQLITE_OK) db_.fail("");
  return *this;
}

Statement& Statement::bind(int i, std::string_view text) {
  if (sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
    db_.fail("");
  return *this;
}

Statement& Statement::bindBlob(int i, ByteView blob) {
  // A zero-length blob still binds as a blob, never as NULL.
  static const char empty = 0;
  const void* data = blob.empty() ? &empty : blob.data();
  if (sqlite3_bind_blob(stmt_, i, data, static_cast<int>(blob.size()), SQLITE_TRANSIENT) != SQLITE_OK)
    db_.fail("");
  return *this;
}

Statement& Statement::bindNull(int i) {
  if (sqlite3_bind_null(stmt_, i) != SQLITE_OK) db_.fail("");
  return *this;
}

bool Statement::step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(stmt_);
  db_.fail("");
}

void Statement::run() {
  while (step()) {
  }
  reset();
}

void Statement::reset() { sqlite3_reset(stmt_); }

std::string Statement::text(int col) const {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
  return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, col))) : std::string();
}

Bytes Statement::blob(int col) const { return Bytes(blobView(col)); }

ByteView Statement::blobView(int col) const {
  const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, col));
  return p ? ByteView(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, col))) : ByteView();
}

void Database::beforeWrite() {
  if (!before_) return;
  before_();
  before_ = nullptr;
}

Transaction::Transaction(Database& db) : db_(db) {
  db_.beforeWrite();
  db_.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (open_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
  db_.exec("COMMIT");
  open_ = false;
  db_.afterWrite();
}

ReadTransaction::ReadTransaction(Database& db) : db_(db) {
  if (!sqlite3_get_autocommit(db_.handle())) return;
  db_.exec("BEGIN");
  open_ = true;
}

ReadTransaction::~ReadTransaction() {
  if (open_) sqlite3_exec(db_.handle(), "COMMIT", nullptr, nullptr, nullptr);
}

}  // namespace pelarin
