#include "core/library/messageindex.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <vector>

namespace pelarin {

namespace {

void appendCharacters(std::string& out, std::string_view mark, const std::vector<char32_t>& characters) {
  for (char32_t c : characters) {
    if (!out.empty()) out += ' ';
    out += mark;
    char utf8[4];
    int32_t n = 0;
    UBool error = false;
    U8_APPEND(reinterpret_cast<uint8_t*>(utf8), n, 4, static_cast<UChar32>(c), error);
    if (!error) out.append(utf8, static_cast<size_t>(n));
  }
}

std::vector<char32_t> both(const std::vector<char32_t>& a, const std::vector<char32_t>& b,
                           const std::vector<char32_t>& c) {
  std::vector<char32_t> out(a);
  out.insert(out.end(), b.begin(), b.end());
  out.insert(out.end(), c.begin(), c.end());
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

}  // namespace

std::string characterText(const std::vector<char32_t>& title, const std::vector<char32_t>& writer,
                          const std::vector<char32_t>& body) {
  std::string text;
  appendCharacters(text, "", both(title, writer, body));
  appendCharacters(text, kTitleCharacterMark, title);
  appendCharacters(text, kWriterCharacterMark, writer);
  return text;
}

MessageIndex::MessageIndex(Database& db, Action action)
    : db_(db),
      words_(db, action == Action::Add
                     ? "INSERT INTO fts(rowid, title, writer, body) VALUES (?1, ?2, ?3, ?4)"
                     : "INSERT INTO fts(fts, rowid, title, writer, body) VALUES ('delete', ?1, ?2, ?3, ?4)"),
      characters_(db, action == Action::Add
                          ? "INSERT INTO fts_chars(rowid, chars) VALUES (?1, ?2)"
                          : "INSERT INTO fts_chars(fts_chars, rowid, chars) VALUES ('delete', ?1, ?2)") {}

void MessageIndex::operator()(int64_t id, std::string_view title, std::string_view writer, std::string_view body) {
  index(
      id, title, writer,
      [&](Statement& s) {
        // Bound without a copy: the text outlives the run.
        static const char empty = 0;
        if (sqlite3_bind_text(s.handle(), 4, body.empty() ? &empty : body.data(), static_cast<int>(body.size()),
                              SQLITE_STATIC) != SQLITE_OK)
          db_.fail("");
      },
      [&](const auto& piece) { piece(body); });
}

void MessageIndex::operator()(int64_t id, std::string_view title, std::string_view writer,
                              const StreamedText::Pieces& body) {
  const StreamedText text(body);
  index(id, title, writer, [](Statement& s) { s.bind(4, StreamedText::mark()); }, body);
}

template <typename Bind>
void MessageIndex::index(int64_t id, std::string_view title, std::string_view writer, const Bind& bindBody,
                         const StreamedText::Pieces& body) {
  std::vector<std::vector<char32_t>> fields;
  {
    // The tokenizer notes each field's first characters as it reads them for
    // the words; read again only if the fields did not come one by one.
    TokenStarts noted;
    words_.bind(1, id).bind(2, title).bind(3, writer);
    bindBody(words_);
    words_.run();
    sqlite3_bind_null(words_.handle(), 4);
    fields = noted.texts();
  }
  if (fields.size() != 3) fields = {tokenStartsOf(title), tokenStartsOf(writer), tokenStartsOf(body)};
  characters_.bind(1, id).bind(2, characterText(fields[0], fields[1], fields[2])).run();
}

}  // namespace pelarin
