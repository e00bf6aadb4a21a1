// Feeds arbitrary bytes to the library's query parsing and word breaking. The
// input is a message text (code page 932 as a log holds it, or UTF-8 as typed
// when the first byte is odd) and a query cut from that text at the place the
// next three bytes give; a second message is the text less the query. Nothing
// may crash; the terms are the query less its blanks; each term's expression
// is phrase tokens the index reads; a term a message holds finds it, through
// the tokens alone and through the full-text index itself, which finds just
// what the tokens give; and a term the index alone decides finds only
// messages that hold its characters next to each other (blanks, punctuation
// and line ends aside).
#include <unicode/utf8.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/library/folding.h"
#include "core/library/messageindex.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "fuzzsupport.h"

namespace {

using fuzzing::check;

// Invalid sequences as U+FFFD, as the text a window hands over would have them.
std::string validUtf8(std::string_view s) {
  std::string out;
  int32_t i = 0;
  const auto n = static_cast<int32_t>(s.size());
  while (i < n) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    if (c < 0)
      out += "\xEF\xBF\xBD";
    else
      out.append(s.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
  }
  return out;
}

size_t charStart(const std::string& s, size_t at) {
  at = std::min(at, s.size());
  while (at > 0 && at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) --at;
  return at;
}

bool wordByte(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

struct Phrase {
  std::vector<std::string> tokens;
  bool prefix = false;
};

// `"t1" + "t2" + ... [*]`, every token non-empty and free of quotes.
Phrase parsed(const std::string& expression) {
  Phrase p;
  size_t pos = 0;
  for (;;) {
    check(pos < expression.size() && expression[pos] == '"');
    const size_t close = expression.find('"', pos + 1);
    check(close != std::string::npos && close > pos + 1);
    p.tokens.push_back(expression.substr(pos + 1, close - pos - 1));
    pos = close + 1;
    if (pos == expression.size()) break;
    if (expression.compare(pos, 2, " *") == 0 && pos + 2 == expression.size()) {
      p.prefix = true;
      break;
    }
    check(expression.compare(pos, 3, " + ") == 0);
    pos += 3;
  }
  return p;
}

bool matches(const Phrase& p, const std::vector<std::string>& tokens) {
  const size_t n = p.tokens.size();
  for (size_t at = 0; at + n <= tokens.size(); ++at) {
    bool all = true;
    for (size_t k = 0; k < n && all; ++k) {
      const bool last = k + 1 == n;
      all = last && p.prefix ? tokens[at + k].starts_with(p.tokens[k]) : tokens[at + k] == p.tokens[k];
    }
    if (all) return true;
  }
  return false;
}

bool digit(char c) { return c >= '0' && c <= '9'; }

// A place where the text holds the folded term and the term's first word, if
// it starts with one, starts a word of the text (words are found from their
// start; letters and digits are words of their own).
bool holds(const std::string& folded, const std::string& term) {
  for (size_t at = folded.find(term); at != std::string::npos; at = folded.find(term, at + 1))
    if (!wordByte(term[0]) || at == 0 || !wordByte(folded[at - 1]) || digit(folded[at - 1]) != digit(term[0]))
      return true;
  return false;
}

// The characters the index reads, without what parts them (blanks,
// punctuation, line ends): tokens next to each other are next to each other here.
std::string squeezed(const std::string& s) {
  std::string out;
  int32_t i = 0;
  const auto n = static_cast<int32_t>(s.size());
  while (i < n) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    if (c >= 0 && ((c < 0x80 && wordByte(static_cast<char>(c))) || (c >= 0x80 && pelarin::isRunCharacter(c))))
      out.append(s.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
  }
  return out;
}

// One contentless index as the library makes it, emptied for every input.
pelarin::Database& index() {
  static pelarin::Database* db = [] {
    auto* d = new pelarin::Database(":memory:");
    pelarin::registerTokenizer(d->handle());
    d->exec(
        "CREATE VIRTUAL TABLE fts USING fts5(title, writer, body, content='', tokenize='pelarin_cjk')");
    d->exec(
        "CREATE VIRTUAL TABLE fts_chars USING fts5(chars, content='', detail=none, columnsize=0, "
        "tokenize='pelarin_list')");
    return d;
  }();
  return *db;
}

// The rows the index finds for an expression, as a bit set of rows 1 and 2.
unsigned indexFinds(pelarin::Statement& query, const std::string& match) {
  query.bind(1, match);
  unsigned rows = 0;
  while (query.step()) rows |= 1u << (query.integer(0) - 1);
  query.reset();
  return rows;
}

struct Message {
  std::string folded;
  std::vector<std::string> tokens;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const std::string_view raw(reinterpret_cast<const char*>(data) + 4, size - 4);
  // No crash on bytes that are not UTF-8 either: such a term is refused.
  for (const std::string& term : pelarin::splitTerms(raw)) {
    try {
      pelarin::termQuery(term);
    } catch (const pelarin::Error&) {
    }
  }
  pelarin::tokenizeFolded(raw, [](std::string_view) {});

  const std::string text = data[0] & 1 ? validUtf8(raw) : pelarin::cp932ToUtf8(raw);
  const size_t from = charStart(text, (size_t{data[1]} << 8 | data[2]) % (text.size() + 1));
  const size_t to = charStart(text, from + data[3]);
  const std::string query = text.substr(from, to - from);

  const std::vector<std::string> terms = pelarin::splitTerms(query);
  std::string unblanked;
  for (size_t i = 0; i < query.size();) {
    if (query[i] == ' ' || query[i] == '\t' || query[i] == '\n' || query[i] == '\r')
      ++i;
    else if (query.compare(i, 3, "\xE3\x80\x80") == 0)
      i += 3;
    else
      unblanked += query[i++];
  }
  std::string joined;
  for (const std::string& term : terms) {
    check(!term.empty() && term.find_first_of(" \t\n\r") == std::string::npos);
    check(term.find("\xE3\x80\x80") == std::string::npos);
    joined += term;
  }
  check(joined == unblanked);

  // Two messages: the text, which holds every term, and the text less the
  // query, which holds some, or only something like them.
  const std::string texts[] = {text, text.substr(0, from) + text.substr(to)};
  Message messages[2];
  pelarin::Database& db = index();
  db.exec("INSERT INTO fts(fts) VALUES ('delete-all')");
  db.exec("INSERT INTO fts_chars(fts_chars) VALUES ('delete-all')");
  pelarin::MessageIndex insert(db, pelarin::MessageIndex::Action::Add);
  for (int r = 0; r < 2; ++r) {
    messages[r].folded = pelarin::foldText(texts[r]);
    pelarin::tokenizeFolded(messages[r].folded,
                            [&](std::string_view t) { messages[r].tokens.emplace_back(t); });
    insert(r + 1, "", "", texts[r]);
  }
  pelarin::Statement search(db, "SELECT rowid FROM fts WHERE fts MATCH ?1");
  pelarin::Statement characters(db, "SELECT rowid FROM fts_chars WHERE fts_chars MATCH ?1");

  std::string all;  // every term at once, as a search asks the index
  unsigned allHeld = 3;
  for (const std::string& term : terms) {
    const pelarin::TermQuery q = pelarin::termQuery(term);
    check(q.folded == pelarin::foldText(term));
    if (q.expression.empty()) continue;
    const Phrase phrase = parsed(q.expression);
    unsigned found = 0;
    for (int r = 0; r < 2; ++r) {
      const Message& m = messages[r];
      const bool held = holds(m.folded, q.folded);
      const bool tokens = matches(phrase, m.tokens);
      if (held) check(tokens);
      if (q.exact && tokens) check(squeezed(m.folded).find(squeezed(q.folded)) != std::string::npos);
      found |= tokens ? 1u << r : 0;
      if (!held) allHeld &= ~(1u << r);
    }
    check(indexFinds(search, q.expression) == found);
    // A term of one character: the table of characters finds what the words do.
    if (!q.character.empty()) check(indexFinds(characters, "\"" + q.character + "\"") == found);
    all += (all.empty() ? "(" : " AND (") + q.expression + ")";
  }
  if (!all.empty()) check((indexFinds(search, all) & allHeld) == allHeld);
  return 0;
}
