#include "core/library/tokenizer.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "core/library/folding.h"
#include "core/library/sqlite.h"

namespace pelarin {

namespace {

enum class Kind { Word, Gram, Separator };

// Words longer than this are cut the same way in the index and in a query.
constexpr size_t kMaxWord = 128;

// A phrase costs the index every place of each of its tokens; a longer term
// asks for the part of itself most varied, and each hit is checked whole.
constexpr size_t kMostPhraseTokens = 8;

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
  bool digit = false;
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
    out.push_back({kindOf(c), static_cast<size_t>(start), static_cast<size_t>(i), c >= '0' && c <= '9'});
  }
  return out;
}

// Segments: a word, a run, or a separator character, in order.
struct Segment {
  Kind kind;
  size_t first, last;  // indices into the characters, last exclusive
};

// Letters and digits are words of their own: "pc98" is "pc" and "98".
bool sameSegment(const Piece& a, const Piece& b) {
  return a.kind == b.kind && (a.kind != Kind::Word || a.digit == b.digit);
}

std::vector<Segment> segments(const std::vector<Piece>& chars) {
  std::vector<Segment> out;
  for (size_t i = 0; i < chars.size();) {
    size_t j = i + 1;
    if (chars[i].kind != Kind::Separator)
      while (j < chars.size() && sameSegment(chars[i], chars[j])) ++j;
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

// The same tokens as the segments give, in one pass over the code points and
// without a copy of the text: a huge message is indexed in pieces, so a word
// or a run may go on from one piece into the next.
class TokenStream {
 public:
  explicit TokenStream(const std::function<void(std::string_view)>& token) : token_(token) {}

  // Folded text, cut anywhere between code points.
  void feed(std::string_view s) {
    const auto n = static_cast<int32_t>(s.size());
    size_t wordBegin = 0;  // within s, while a word goes on there
    int32_t i = 0;
    while (i < n) {
      const int32_t start = i;
      UChar32 c;
      U8_NEXT(s.data(), i, n, c);
      const std::string_view here = s.substr(static_cast<size_t>(start), static_cast<size_t>(i - start));
      const Kind kind = kindOf(c);
      if (gramSize_ > 0 && kind == Kind::Separator && heldBreak(c)) continue;
      if (held_ == Held::Blank || (held_ == Held::LineEnd && kind != Kind::Gram)) endGram();
      held_ = Held::None;
      switch (kind) {
        case Kind::Word: {
          endGram();
          const bool digit = c >= '0' && c <= '9';
          if (inWord_ && digit != digit_) endWord(s, wordBegin, static_cast<size_t>(start));
          digit_ = digit;
          if (!inWord_) {
            inWord_ = true;
            wordBegin = static_cast<size_t>(start);
          } else if (!word_.empty() && word_.size() < kMaxWord) {
            word_ += here;  // the word began in an earlier piece
          }
          break;
        }
        case Kind::Gram:
          endWord(s, wordBegin, static_cast<size_t>(start));
          if (gramSize_ > 0) {
            char pair[16];
            std::copy_n(gram_, gramSize_, pair);
            std::copy(here.begin(), here.end(), pair + gramSize_);
            token_(std::string_view(pair, gramSize_ + here.size()));
          }
          gramSize_ = here.size();
          std::copy(here.begin(), here.end(), gram_);
          break;
        case Kind::Separator:
          endWord(s, wordBegin, static_cast<size_t>(start));
          endGram();
          break;
      }
    }
    // A word running on into the next piece: its head is kept.
    if (inWord_ && word_.empty())
      word_ = s.substr(wordBegin, std::min<size_t>(kMaxWord, s.size() - wordBegin));
  }

  void finish() {
    endWord({}, 0, 0);
    endGram();
  }

 private:
  // A run of Japanese text broken by one line end (blanks may end the line)
  // goes on: the capture wrapped it there. Whether it goes on is known at the
  // next character, so the run's last character waits until then.
  enum class Held { None, Blank, LineEnd };
  bool heldBreak(UChar32 c) {
    if (c == '\r' || ((c == ' ' || c == '\t') && held_ != Held::LineEnd)) {
      if (held_ == Held::None) held_ = Held::Blank;
      return true;
    }
    if (c == '\n' && held_ != Held::LineEnd) {
      held_ = Held::LineEnd;
      return true;
    }
    return false;
  }

  void endWord(std::string_view s, size_t begin, size_t end) {
    if (!inWord_) return;
    inWord_ = false;
    if (word_.empty()) {
      token_(s.substr(begin, std::min(kMaxWord, end - begin)));  // ASCII, so any cut is whole characters
      return;
    }
    token_(std::string_view(word_).substr(0, kMaxWord));
    word_.clear();
  }
  void endGram() {
    held_ = Held::None;
    if (gramSize_ == 0) return;
    token_(std::string_view(gram_, gramSize_));
    gramSize_ = 0;
  }

  const std::function<void(std::string_view)>& token_;
  Held held_ = Held::None;
  bool digit_ = false;  // the word going on is of digits
  bool inWord_ = false;
  std::string word_;  // the head of a word begun in an earlier piece
  char gram_[8];      // the run's last character, its bigram still to come
  size_t gramSize_ = 0;
};

// Pieces of about this size are folded and tokenized one at a time.
constexpr size_t kPiece = 1 << 16;

// Where a piece may end: before a line end, else before any ASCII byte (NFKC
// joins nothing across either), else between two code points.
size_t pieceEnd(std::string_view s, size_t from) {
  if (s.size() - from <= kPiece) return s.size();
  const size_t limit = std::min(s.size(), from + 4 * kPiece);
  const size_t lf = s.find('\n', from + kPiece);
  if (lf != std::string_view::npos && lf < limit) return lf;
  size_t at = from + kPiece;
  while (at < limit && static_cast<unsigned char>(s[at]) >= 0x80) ++at;
  if (at < limit) return at;
  at = from + kPiece;
  while (at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) ++at;
  return at;
}

std::string quoted(std::string_view token) { return "\"" + std::string(token) + "\""; }

// The term for a message: its valid characters as they are, any other byte as \xNN.
std::string shownTerm(std::string_view s, size_t mostCharacters) {
  std::string out;
  int32_t i = 0;
  const auto n = static_cast<int32_t>(s.size());
  for (size_t characters = 0; i < n; ++characters) {
    if (characters == mostCharacters) return out + "…";
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    if (c >= 0) {
      out += s.substr(static_cast<size_t>(start), static_cast<size_t>(i - start));
      continue;
    }
    for (int32_t k = start; k < i; ++k) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(s[static_cast<size_t>(k)]));
      out += hex;
    }
  }
  return out;
}

void checkTerm(std::string_view term) {
  size_t characters = 0;
  int32_t i = 0;
  const auto n = static_cast<int32_t>(term.size());
  while (i < n) {
    UChar32 c;
    U8_NEXT(term.data(), i, n, c);
    if (c < 0)
      throw SearchTermError("検索語 '" + shownTerm(term, 64) + "' は UTF-8 の文字列ではありません。");
    ++characters;
  }
  if (characters > kMostTermCharacters)
    throw SearchTermError("検索語 '" + shownTerm(term, 16) + "' が長すぎます（" + std::to_string(characters) +
                          " 文字）。" + std::to_string(kMostTermCharacters) + " 文字までにしてください。");
}

// The run of kMostPhraseTokens tokens with the most different ones.
size_t mostVariedWindow(const std::vector<std::string>& tokens) {
  size_t best = 0, bestDistinct = 0;
  for (size_t i = 0; i + kMostPhraseTokens <= tokens.size(); ++i) {
    std::vector<std::string_view> window(tokens.begin() + static_cast<ptrdiff_t>(i),
                                         tokens.begin() + static_cast<ptrdiff_t>(i + kMostPhraseTokens));
    std::sort(window.begin(), window.end());
    const auto distinct = static_cast<size_t>(std::unique(window.begin(), window.end()) - window.begin());
    if (distinct > bestDistinct) {
      best = i;
      bestDistinct = distinct;
    }
  }
  return best;
}

// --- the FTS5 side ---

struct Tokenizer {};

int createTokenizer(void*, const char**, int, Fts5Tokenizer** out) {
  *out = reinterpret_cast<Fts5Tokenizer*>(new Tokenizer);
  return SQLITE_OK;
}

void deleteTokenizer(Fts5Tokenizer* t) { delete reinterpret_cast<Tokenizer*>(t); }

thread_local StreamedText* streamed = nullptr;
thread_local TokenStarts* starts = nullptr;

}  // namespace

struct StreamedTextAccess {
  static const StreamedText::Pieces& text(const StreamedText& t) { return t.text_; }
};

struct TokenStartsAccess {
  static std::vector<std::vector<char32_t>>& texts(TokenStarts& t) { return t.texts_; }
};

StreamedText::StreamedText(Pieces text) : text_(std::move(text)), outer_(streamed) { streamed = this; }
StreamedText::~StreamedText() { streamed = outer_; }

TokenStarts::TokenStarts() : outer_(starts) { starts = this; }
TokenStarts::~TokenStarts() { starts = outer_; }

namespace {

// The tokens of a text as the index reads it: folded piece by piece, so a
// huge message never has a folded copy of itself.
template <typename Text>
void readForIndex(const Text& text, const std::function<void(std::string_view)>& token) {
  TokenStream stream(token);
  char32_t before = 0;  // a long-vowel mark after a kana of the piece before
  const auto feed = [&](std::string_view utf8) {
    for (size_t at = 0; at < utf8.size();) {
      const size_t end = pieceEnd(utf8, at);
      stream.feed(foldPiece(utf8.substr(at, end - at), before));
      at = end;
    }
  };
  text(feed);
  stream.finish();
}

// First characters of tokens, each noted once: a text's few distinct ones
// out of its many tokens.
class StartSet {
 public:
  explicit StartSet(std::vector<char32_t>& out) : out_(out) {}
  ~StartSet() {
    for (char32_t c : out_)
      if (c < kMarked) seen()[c >> 6] &= ~(uint64_t{1} << (c & 63));
    std::sort(out_.begin(), out_.end());
    out_.erase(std::unique(out_.begin(), out_.end()), out_.end());
  }
  void note(std::string_view token) {
    int32_t i = 0;
    UChar32 c;
    U8_NEXT(token.data(), i, static_cast<int32_t>(token.size()), c);
    if (c < 0) return;
    const auto u = static_cast<char32_t>(c);
    if (u < kMarked) {
      uint64_t& word = seen()[u >> 6];
      const uint64_t bit = uint64_t{1} << (u & 63);
      if (word & bit) return;
      word |= bit;
    }
    out_.push_back(u);
  }

 private:
  static constexpr char32_t kMarked = 0x10000;  // beyond, sorted out at the end
  static uint64_t* seen() {
    thread_local std::vector<uint64_t> bits(kMarked / 64);
    return bits.data();
  }
  std::vector<char32_t>& out_;
};

int tokenize(Fts5Tokenizer*, void* ctx, int flags, const char* text, int length,
             int (*xToken)(void*, int, const char*, int, int, int)) {
  const std::string_view input(text, static_cast<size_t>(length));
  if (flags & FTS5_TOKENIZE_QUERY) {
    // Queries arrive as tokens already made by termQuery(), one per string.
    if (input.empty()) return SQLITE_OK;
    return xToken(ctx, 0, text, length, 0, length);
  }
  try {
    int rc = SQLITE_OK;
    std::optional<StartSet> noted;
    if (starts) noted.emplace(TokenStartsAccess::texts(*starts).emplace_back());
    // Offsets serve highlighting only, which a contentless index has none of.
    const std::function<void(std::string_view)> token = [&](std::string_view t) {
      if (rc != SQLITE_OK) return;
      rc = xToken(ctx, 0, t.data(), static_cast<int>(t.size()), 0, 0);
      if (noted) noted->note(t);
    };
    if (streamed && input == StreamedText::mark())
      readForIndex(StreamedTextAccess::text(*streamed), token);
    else
      readForIndex([&](const auto& piece) { piece(input); }, token);
    return rc;
  } catch (const std::bad_alloc&) {
    return SQLITE_NOMEM;
  } catch (...) {
    return SQLITE_ERROR;
  }
}

// The table of characters' text is its tokens already, parted by blanks.
int tokenizeList(Fts5Tokenizer*, void* ctx, int flags, const char* text, int length,
                 int (*xToken)(void*, int, const char*, int, int, int)) {
  const std::string_view input(text, static_cast<size_t>(length));
  if (flags & FTS5_TOKENIZE_QUERY) return input.empty() ? SQLITE_OK : xToken(ctx, 0, text, length, 0, length);
  for (size_t at = 0; at < input.size();) {
    size_t end = input.find(' ', at);
    if (end == std::string_view::npos) end = input.size();
    if (end > at) {
      const int rc = xToken(ctx, 0, text + at, static_cast<int>(end - at), 0, 0);
      if (rc != SQLITE_OK) return rc;
    }
    at = end + 1;
  }
  return SQLITE_OK;
}

}  // namespace

bool isRunCharacter(char32_t c) { return kindOf(static_cast<UChar32>(c)) == Kind::Gram; }

std::string joinWrapped(std::string_view folded) {
  std::string out;
  out.reserve(folded.size());
  const auto n = static_cast<int32_t>(folded.size());
  Kind before = Kind::Separator;
  for (int32_t i = 0; i < n;) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(folded.data(), i, n, c);
    if (before == Kind::Gram && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      // The blanks and the one line end up to the next character go when it is Japanese too.
      int32_t j = start;
      while (j < n && (folded[static_cast<size_t>(j)] == ' ' || folded[static_cast<size_t>(j)] == '\t' ||
                       folded[static_cast<size_t>(j)] == '\r'))
        ++j;
      if (j < n && folded[static_cast<size_t>(j)] == '\n') {
        int32_t k = j + 1;
        UChar32 next = -1;
        if (k < n) U8_NEXT(folded.data(), k, n, next);
        if (next >= 0 && kindOf(next) == Kind::Gram) {
          i = j + 1;
          continue;
        }
      }
    }
    out.append(folded.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
    before = c < 0 ? Kind::Separator : kindOf(c);
  }
  return out;
}

std::vector<char32_t> tokenStartsOf(const StreamedText::Pieces& text) {
  std::vector<char32_t> out;
  {
    StartSet noted(out);
    readForIndex(text, [&](std::string_view t) { noted.note(t); });
  }
  return out;
}

std::vector<char32_t> tokenStartsOf(std::string_view utf8) {
  return tokenStartsOf([&](const auto& piece) { piece(utf8); });
}

void tokenizeFolded(std::string_view folded, const std::function<void(std::string_view)>& token) {
  TokenStream stream(token);
  stream.feed(folded);
  stream.finish();
}

TermQuery termQuery(std::string_view termUtf8) {
  checkTerm(termUtf8);
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
  // Tokens next to each other are the term (a blank, a hyphen or a line end
  // may part a word from its digits in the text); a separator inside the
  // term, or a word cut to its head, leaves the rest to the check.
  q.exact = tokenSegments == segs.size();
  for (const Segment& g : segs)
    if (g.kind == Kind::Word && g.last - g.first > kMaxWord) q.exact = false;
  if (tokens.size() > kMostPhraseTokens) {
    const size_t first = mostVariedWindow(tokens);
    prefix = prefix && first + kMostPhraseTokens == tokens.size();
    tokens.erase(tokens.begin() + static_cast<ptrdiff_t>(first + kMostPhraseTokens), tokens.end());
    tokens.erase(tokens.begin(), tokens.begin() + static_cast<ptrdiff_t>(first));
    q.exact = false;
  }
  if (tokens.empty()) return q;
  // A token of one character, quoted: its start is all the term asks for.
  if (tokens.size() == 1 && prefix) {
    const std::string_view t = std::string_view(tokens[0]).substr(1, tokens[0].size() - 2);
    int32_t i = 0;
    UChar32 c;
    U8_NEXT(t.data(), i, static_cast<int32_t>(t.size()), c);
    if (c >= 0 && static_cast<size_t>(i) == t.size()) q.character = std::string(t);
  }
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
  static fts5_tokenizer list{createTokenizer, deleteTokenizer, tokenizeList};
  if (api->xCreateTokenizer(api, kTokenizerName, nullptr, &tokenizer, nullptr) != SQLITE_OK ||
      api->xCreateTokenizer(api, kListTokenizerName, nullptr, &list, nullptr) != SQLITE_OK)
    throw LibraryError("全文検索の単語分割を登録できません。");
}

}  // namespace pelarin
