#include "core/library/tokenizer.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "core/library/folding.h"
#include "core/library/sqlite.h"

namespace pelarin {

namespace {

enum class Kind { Word, Gram, Separator };

// Words longer than this are cut the same way in the index and in a query.
constexpr size_t kMaxWord = 128;

Kind kindOf(UChar32 c) {
  if (c < 0x80) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return Kind::Word;
    return Kind::Separator;
  }
  if (c < 0 || u_isUWhiteSpace(c) || u_ispunct(c) || u_iscntrl(c)) return Kind::Separator;
  return Kind::Gram;
}

struct Piece {
  Kind kind;
  size_t begin, end;  // bytes of the folded text
};

// Characters of the text with their kinds and byte ranges.
std::vector<Piece> characters(std::string_view s) {
  std::vector<Piece> out;
  out.reserve(s.size());
  int32_t i = 0;
  const auto n = static_cast<int32_t>(s.size());
  while (i < n) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    out.push_back({kindOf(c), static_cast<size_t>(start), static_cast<size_t>(i)});
  }
  return out;
}

// Segments: a word, a run, or a separator character, in order.
struct Segment {
  Kind kind;
  size_t first, last;  // indices into the characters, last exclusive
};

std::vector<Segment> segments(const std::vector<Piece>& chars) {
  std::vector<Segment> out;
  for (size_t i = 0; i < chars.size();) {
    size_t j = i + 1;
    if (chars[i].kind != Kind::Separator)
      while (j < chars.size() && chars[j].kind == chars[i].kind) ++j;
    out.push_back({chars[i].kind, i, j});
    i = j;
  }
  return out;
}

std::string_view span(std::string_view s, const std::vector<Piece>& chars, size_t first, size_t last) {
  return s.substr(chars[first].begin, chars[last - 1].end - chars[first].begin);
}

std::string_view wordOf(std::string_view s, const std::vector<Piece>& chars, const Segment& g) {
  std::string_view w = span(s, chars, g.first, g.last);
  return w.substr(0, kMaxWord);  // ASCII, so any cut is whole characters
}

// Token emission from the position list, shared by the index and its tests.
void emitTokens(std::string_view s, const std::function<void(std::string_view)>& token) {
  // A hot path: the lowercase ASCII words and runs are found in one pass.
  const std::vector<Piece> chars = characters(s);
  for (const Segment& g : segments(chars)) {
    if (g.kind == Kind::Word) {
      token(wordOf(s, chars, g));
    } else if (g.kind == Kind::Gram) {
      for (size_t i = g.first; i < g.last; ++i)
        token(span(s, chars, i, i + 1 < g.last ? i + 2 : i + 1));
    }
  }
}

std::string quoted(std::string_view token) { return "\"" + std::string(token) + "\""; }

// --- the FTS5 side ---

struct Tokenizer {};

int createTokenizer(void*, const char**, int, Fts5Tokenizer** out) {
  *out = reinterpret_cast<Fts5Tokenizer*>(new Tokenizer);
  return SQLITE_OK;
}

void deleteTokenizer(Fts5Tokenizer* t) { delete reinterpret_cast<Tokenizer*>(t); }

int tokenize(Fts5Tokenizer*, void* ctx, int flags, const char* text, int length,
             int (*xToken)(void*, int, const char*, int, int, int)) {
  const std::string_view input(text, static_cast<size_t>(length));
  if (flags & FTS5_TOKENIZE_QUERY) {
    // Queries arrive as tokens already made by termQuery(), one per string.
    if (input.empty()) return SQLITE_OK;
    return xToken(ctx, 0, text, length, 0, length);
  }
  try {
    const std::string folded = foldText(input);
    int rc = SQLITE_OK;
    // Offsets serve highlighting only, which a contentless index has none of.
    emitTokens(folded, [&](std::string_view t) {
      if (rc == SQLITE_OK) rc = xToken(ctx, 0, t.data(), static_cast<int>(t.size()), 0, 0);
    });
    return rc;
  } catch (const std::bad_alloc&) {
    return SQLITE_NOMEM;
  } catch (...) {
    return SQLITE_ERROR;
  }
}

}  // namespace

void tokenizeFolded(std::string_view folded, const std::function<void(std::string_view)>& token) {
  emitTokens(folded, token);
}

TermQuery termQuery(std::string_view termUtf8) {
  TermQuery q;
  q.folded = foldText(termUtf8);
  const std::string_view s = q.folded;
  const std::vector<Piece> chars = characters(s);
  const std::vector<Segment> segs = segments(chars);
  // The last segment that yields a token takes the prefix: the text may go on past the term.
  size_t lastToken = segs.size();
  for (size_t k = segs.size(); k-- > 0;)
    if (segs[k].kind != Kind::Separator) {
      lastToken = k;
      break;
    }
  std::vector<std::string> tokens;
  bool prefix = false;
  size_t tokenSegments = 0;
  for (size_t k = 0; k < segs.size(); ++k) {
    const Segment& g = segs[k];
    if (g.kind == Kind::Separator) continue;
    ++tokenSegments;
    const bool last = k == lastToken;
    if (g.kind == Kind::Word) {
      tokens.push_back(quoted(wordOf(s, chars, g)));
      if (last) prefix = true;
      continue;
    }
    const size_t n = g.last - g.first;
    for (size_t i = g.first; i + 1 < g.last; ++i) tokens.push_back(quoted(span(s, chars, i, i + 2)));
    if (n == 1 || !last) tokens.push_back(quoted(span(s, chars, g.last - 1, g.last)));
    // Within the term the run ends where the text's run ends: its last
    // character stands alone there. At the term's end the text's run may go on.
    if (last && n == 1) prefix = true;
  }
  // A word cut to its head leaves the rest to the check.
  q.exact = tokenSegments == 1 && segs.size() == 1 &&
            !(segs[0].kind == Kind::Word && segs[0].last - segs[0].first > kMaxWord);
  if (tokens.empty()) return q;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (i > 0) q.expression += " + ";
    q.expression += tokens[i];
  }
  if (prefix) q.expression += " *";
  return q;
}

std::vector<std::string> splitTerms(std::string_view s) {
  static constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  std::vector<std::string> terms;
  std::string current;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r') {
      ++i;
    } else if (s.substr(i, 3) == kIdeographicSpace) {
      i += 3;
    } else {
      current += s[i++];
      continue;
    }
    if (!current.empty()) terms.push_back(std::move(current));
    current.clear();
  }
  if (!current.empty()) terms.push_back(std::move(current));
  return terms;
}

void registerTokenizer(sqlite3* db) {
  fts5_api* api = nullptr;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &stmt, nullptr) != SQLITE_OK)
    throw LibraryError("このSQLiteには全文検索(FTS5)がありません。");
  sqlite3_bind_pointer(stmt, 1, &api, "fts5_api_ptr", nullptr);
  sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  if (!api) throw LibraryError("このSQLiteには全文検索(FTS5)がありません。");
  static fts5_tokenizer tokenizer{createTokenizer, deleteTokenizer, tokenize};
  if (api->xCreateTokenizer(api, kTokenizerName, nullptr, &tokenizer, nullptr) != SQLITE_OK)
    throw LibraryError("全文検索の単語分割を登録できません。");
}

}  // namespace pelarin
