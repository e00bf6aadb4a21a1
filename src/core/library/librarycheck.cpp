#include "core/library/librarycheck.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "core/library/bodypacking.h"
#include "core/library/folding.h"
#include "core/library/library.h"
#include "core/library/messageindex.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/cp932.h"

namespace pelarin {

namespace {

uint64_t mixed(uint64_t x) {
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

// One entry of the index: a token of a column at a position.
uint64_t entryHash(std::string_view term, int column, int64_t position) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : term) h = (h ^ c) * 1099511628211ull;
  return mixed(h ^ mixed((static_cast<uint64_t>(column) << 40) ^ static_cast<uint64_t>(position)));
}

// A message's entries as an order-free sum, so the index (listed term by
// term) and the text (read message by message) can be compared.
struct Entries {
  uint64_t sum = 0;
  uint64_t count = 0;
  bool operator==(const Entries&) const = default;
};

Entries entriesOf(const std::string* const (&columns)[3]) {
  Entries e;
  for (int c = 0; c < 3; ++c) {
    int64_t position = 0;
    tokenizeFolded(foldText(*columns[c]), [&](std::string_view token) {
      e.sum += entryHash(token, c, position++);
      ++e.count;
    });
  }
  return e;
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\t') c = ' ';
  return text;
}

// An index's vocabulary as the table temp.check_vocabulary while this lives.
class Vocabulary {
 public:
  Vocabulary(Database& db, const std::string& table, const std::string& kind) : db_(db) {
    db_.exec("DROP TABLE IF EXISTS temp.check_vocabulary");
    db_.exec(("CREATE VIRTUAL TABLE temp.check_vocabulary USING fts5vocab(main, " + table + ", " + kind + ")").c_str());
  }
  ~Vocabulary() { sqlite3_exec(db_.handle(), "DROP TABLE IF EXISTS temp.check_vocabulary", nullptr, nullptr, nullptr); }
  Vocabulary(const Vocabulary&) = delete;
  Vocabulary& operator=(const Vocabulary&) = delete;

 private:
  Database& db_;
};

class Checker {
 public:
  explicit Checker(Library& library) : db_(library.database()) {}

  LibraryCheck run() {
    guarded("ファイル", [&] { file(); });
    guarded("索引", [&] { index(); });
    guarded("メッセージ", [&] { messages(); });
    guarded("写し", [&] { copies(); });
    return std::move(result_);
  }

 private:
  // A part that a damaged page stops says where; the other parts still run.
  template <typename F>
  void guarded(const std::string& name, F&& part) {
    try {
      part();
    } catch (const LibraryError& e) {
      // The second line is "FILE: SQLite's reason".
      std::string reason = e.what();
      const size_t line = reason.find('\n');
      const size_t colon = reason.find(": ", line == std::string::npos ? 0 : line);
      if (colon != std::string::npos) reason.erase(0, colon + 2);
      const std::string where = name == "メッセージ" && lastMessage_
                                    ? " ID " + std::to_string(*lastMessage_) + " の次で"
                                    : "途中で";
      add("file", "", name + "の検査が" + where + "止まりました: " + oneLine(reason));
    }
  }

  void add(const char* kind, const std::string& id, const std::string& text) {
    result_.problems.push_back(std::string(kind) + '\t' + id + '\t' + text);
  }

  void file() {
    Statement s(db_, "PRAGMA integrity_check");
    while (s.step()) {
      const std::string rows = s.text(0);
      if (rows == "ok") continue;
      size_t pos = 0;
      while (pos <= rows.size()) {
        size_t end = rows.find('\n', pos);
        if (end == std::string::npos) end = rows.size();
        const std::string line = rows.substr(pos, end - pos);
        if (!line.empty() && !line.starts_with("*** in database")) add("file", "", oneLine(line));
        pos = end + 1;
      }
    }
  }

  // The index holds no text (contentless), but its vocabulary lists every
  // entry: term, message, column, position.
  void index() {
    const Vocabulary entries(db_, "fts", "instance");
    Statement s(db_, "SELECT term, doc, col, offset FROM temp.check_vocabulary");
    while (s.step()) {
      const std::string column = s.text(2);
      const int c = column == "title" ? 0 : column == "writer" ? 1 : 2;
      Entries& e = indexed_[s.integer(1)];
      e.sum += entryHash(s.text(0), c, s.integer(3));
      ++e.count;
    }
    indexRead_ = true;
  }

  void messages() {
    Statement s(db_,
                "SELECT m.id, m.source, s.id IS NULL, m.keys, m.body, m.body_size FROM messages m "
                "LEFT JOIN sources s ON s.id = m.source ORDER BY m.id");
    while (s.step()) {
      ++result_.messages;
      const int64_t id = s.integer(0);
      lastMessage_ = id;
      const std::string idText = std::to_string(id);
      if (s.integer(2))
        add("message", idText, "元のログ " + std::to_string(s.integer(1)) + " がライブラリにありません");
      Bytes body;
      try {
        body = unpackBody(s.blobView(4), static_cast<size_t>(s.integer(5)));
      } catch (const LibraryError&) {
        add("message", idText, "本文を読み出せません");
        indexed_.erase(id);
        charactersKnown_ = false;  // what the table of characters should hold is not known
        continue;
      }
      if (!indexRead_) continue;
      const MessageKeys keys = keysFromLines(s.blobView(3));
      const std::string title = cp932ToUtf8(keys.Title), writer = cp932ToUtf8(keys.WriterName),
                        text = cp932ToUtf8(body);
      const std::string* const columns[3] = {&title, &writer, &text};
      const Entries expected = entriesOf(columns);
      countCharacters(characterText(tokenStartsOf(title), tokenStartsOf(writer), tokenStartsOf(text)));
      const auto found = indexed_.find(id);
      if (found == indexed_.end()) {
        if (expected.count > 0) add("message", idText, "索引にありません");
        continue;
      }
      if (!(found->second == expected)) add("message", idText, "索引の項目が本文と合いません");
      indexed_.erase(found);
    }
    if (indexRead_ && charactersKnown_) characters();
    // Left over: entries of messages the library does not hold.
    if (!indexRead_) return;
    std::vector<int64_t> strays;
    for (const auto& [id, entries] : indexed_) strays.push_back(id);
    std::sort(strays.begin(), strays.end());
    for (int64_t id : strays) add("index", std::to_string(id), "ライブラリにないメッセージが索引にあります");
  }

  void countCharacters(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find(' ', at);
      if (end == std::string_view::npos) end = text.size();
      ++characterMessages_[std::string(text.substr(at, end - at))];
      at = end + 1;
    }
  }

  // The table of characters holds no places to check one message by: how
  // many messages each character is in must be what the texts give.
  void characters() {
    {
      Statement t(db_, "SELECT 1 FROM sqlite_schema WHERE name = 'fts_chars'");
      if (!t.step()) return;
    }
    const Vocabulary rows(db_, "fts_chars", "row");
    Statement s(db_, "SELECT term, doc FROM temp.check_vocabulary");
    bool same = true;
    while (s.step()) {
      const auto found = characterMessages_.find(s.text(0));
      same = same && found != characterMessages_.end() && found->second == s.integer(1);
      if (found != characterMessages_.end()) characterMessages_.erase(found);
    }
    if (!same || !characterMessages_.empty()) add("index", "", "文字の索引が本文と合いません");
  }

  void copies() {
    Statement s(db_,
                "SELECT c.message, c.source, s.id IS NULL, m.id IS NULL FROM copies c "
                "LEFT JOIN sources s ON s.id = c.source LEFT JOIN messages m ON m.id = c.message "
                "WHERE s.id IS NULL OR m.id IS NULL ORDER BY c.message, c.source, c.position");
    while (s.step()) {
      const std::string id = std::to_string(s.integer(0)), source = std::to_string(s.integer(1));
      if (s.integer(2)) add("copy", id, "写しの元のログ " + source + " がライブラリにありません");
      if (s.integer(3)) add("copy", id, "写し（ログ " + source + "）のメッセージがライブラリにありません");
    }
  }

  Database& db_;
  LibraryCheck result_;
  std::unordered_map<int64_t, Entries> indexed_;
  bool indexRead_ = false;
  std::unordered_map<std::string, int64_t> characterMessages_;
  bool charactersKnown_ = true;
  std::optional<int64_t> lastMessage_;
};

}  // namespace

LibraryCheck checkLibrary(Library& library) { return Checker(library).run(); }

}  // namespace pelarin
