#include "core/library/statefile.h"

#include <string>
#include <vector>

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/library/sqlite.h"
#include "core/text/bytes.h"

namespace pelarin {

namespace {

constexpr char kFirstLine[] = "pelarin-reader-state 1";
// A null (a saved search without a host or board).
constexpr char kNull[] = "\\N";

struct Kind {
  const char* word;
  const char* table;
  const char* columns;
  int count;
};
// Identities' digests in hexadecimal; the rest as text.
constexpr Kind kKinds[] = {
    {"read", "read_messages", "host, board_key, number, hex(digest)", 4},
    {"marked", "marked_messages", "host, board_key, number, hex(digest)", 4},
    {"thread", "muted_threads", "host, board_key, number, hex(digest)", 4},
    {"writer", "muted_writers", "host, writer_id", 2},
    {"search", "saved_searches", "name, query, host, board_key, sort", 5},
};

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

bool unescaped(const std::string& field, std::string& out) {
  out.clear();
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
      continue;
    }
    if (++i == field.size()) return false;
    const char c = field[i];
    if (c == '\\') out += '\\';
    else if (c == 't') out += '\t';
    else if (c == 'n') out += '\n';
    else if (c == 'r') out += '\r';
    else return false;
  }
  return true;
}

bool fromHex(const std::string& hex, Bytes& out) {
  const auto digit = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  if (hex.size() % 2) return false;
  out.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == '\t') fields.emplace_back();
    else fields.back() += c;
  }
  return fields;
}

std::string unreadableText(size_t line) {
  return "状態ファイルの " + std::to_string(line) + " 行目が読めません。";
}

}  // namespace

void writeReaderState(Library& library, std::ostream& out) {
  Database& db = library.database();
  ReadTransaction snapshot(db);
  out << kFirstLine << '\n';
  for (const Kind& k : kKinds) {
    Statement s(db, (std::string("SELECT ") + k.columns + " FROM " + k.table + " ORDER BY 1, 2").c_str());
    while (s.step()) {
      out << k.word;
      for (int i = 0; i < k.count; ++i)
        out << '\t' << (sqlite3_column_type(s.handle(), i) == SQLITE_NULL ? kNull : escaped(s.text(i)));
      out << '\n';
    }
  }
  if (!out) throw LibraryError("状態ファイルを書き込めません。");
}

size_t readReaderState(Library& library, std::istream& in) {
  Database& db = library.database();
  Transaction t(db);
  if (!library.keepsState()) throw LibraryError(noStateText());
  std::string line;
  size_t number = 0, facts = 0;
  if (!std::getline(in, line) || line != kFirstLine) throw LibraryError(unreadableText(1));
  ++number;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::vector<std::string> fields = fieldsOf(line);
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
      if (fields[0] == k.word && static_cast<int>(fields.size()) == k.count + 1) kind = &k;
    if (!kind) throw LibraryError(unreadableText(number));
    std::string values;
    for (int i = 1; i <= kind->count; ++i) values += (i > 1 ? ", ?" : "?") + std::to_string(i);
    Statement s(db, (std::string("INSERT OR IGNORE INTO main.") + kind->table + " VALUES (" + values + ")").c_str());
    for (int i = 1; i <= kind->count; ++i) {
      std::string value;
      if (fields[static_cast<size_t>(i)] == kNull) {
        s.bindNull(i);
        continue;
      }
      if (!unescaped(fields[static_cast<size_t>(i)], value)) throw LibraryError(unreadableText(number));
      // Numbers stay numbers: a board key or ID written as text would match nothing.
      const bool integer = (kind->count == 4 && (i == 2 || i == 3)) || (kind->count == 2 && i == 2) ||
                           (kind->count == 5 && i == 4);
      if (kind->count == 4 && i == 4) {
        Bytes digest;
        if (!fromHex(value, digest)) throw LibraryError(unreadableText(number));
        s.bindBlob(i, digest);
      } else if (integer) {
        size_t used = 0;
        long long n = 0;
        try {
          n = std::stoll(value, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used == 0 || used != value.size()) throw LibraryError(unreadableText(number));
        s.bind(i, static_cast<int64_t>(n));
      } else {
        s.bind(i, value);
      }
    }
    s.run();
    ++facts;
  }
  noteAllFlags(db);
  t.commit();
  return facts;
}

}  // namespace pelarin
