// The library's word breaking, for the full-text index and its queries.
//
// A folded text falls into ASCII words (letters and digits), runs of other
// characters that are neither blank nor punctuation (kanji, kana, symbols),
// and separators. A word is one token. In a run every character takes one
// position: the bigram of it and the next character of the run, or the
// character alone at the run's end. So each bigram is indexed once, every
// occurrence of a character starts some token (a prefix query finds it), and
// a term is a phrase of consecutive positions, never two places apart.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/errors.h"

namespace pelarin {

inline constexpr char kTokenizerName[] = "pelarin_cjk";
// The table of characters' own: its text is its tokens, parted by blanks.
inline constexpr char kListTokenizerName[] = "pelarin_list";

// The longest term a search takes, in characters.
inline constexpr size_t kMostTermCharacters = 256;

// A search term the library does not look for; what() names it and says why.
class SearchTermError : public Error {
 public:
  using Error::Error;
};

// A folded text with the line ends the capture wrapped Japanese text at
// taken out, as the index reads it: for checking a hit against a term.
std::string joinWrapped(std::string_view folded);
// A character that is part of a run of Japanese text (not a word, blank or punctuation).
bool isRunCharacter(char32_t c);

// The tokens of a folded text in position order.
void tokenizeFolded(std::string_view folded, const std::function<void(std::string_view)>& token);

// One search term as an FTS5 expression. Throws SearchTermError for a term
// that is not UTF-8 or is over kMostTermCharacters long: dropping it would
// match everything, and every character costs the index a list of places.
struct TermQuery {
  std::string expression;  // empty when the term has no token (punctuation only)
  bool exact = true;       // the index alone decides; otherwise each hit is checked
  std::string folded;      // the folded term, for that check
  // A term of one character that begins tokens (a kana, a kanji, a word's
  // first letter or digit): the table of characters answers it by message,
  // with no places to read. Empty for any other term.
  std::string character;
};
TermQuery termQuery(std::string_view termUtf8);

// Terms separated by ASCII blanks or the ideographic space.
std::vector<std::string> splitTerms(std::string_view queryUtf8);

// A text too large to pass to the index whole: while one lives on this
// thread, a column bound as mark() is tokenized from the pieces `text` gives
// instead (UTF-8, cut between lines), so no copy of the whole text is made.
class StreamedText {
 public:
  using Pieces = std::function<void(const std::function<void(std::string_view)>& piece)>;
  explicit StreamedText(Pieces text);
  ~StreamedText();
  StreamedText(const StreamedText&) = delete;
  StreamedText& operator=(const StreamedText&) = delete;
  // Not UTF-8, so no message's text is ever this.
  static std::string_view mark() { return "\xFF\xFEpelarin-streamed"; }

 private:
  friend struct StreamedTextAccess;
  Pieces text_;
  StreamedText* outer_;
};

// While one lives on this thread, the first character of every token of
// each text the index reads (not a query) is noted, text by text in the
// order they are read.
class TokenStarts {
 public:
  TokenStarts();
  ~TokenStarts();
  TokenStarts(const TokenStarts&) = delete;
  TokenStarts& operator=(const TokenStarts&) = delete;
  // Each text's distinct first characters, ascending.
  const std::vector<std::vector<char32_t>>& texts() const { return texts_; }
  void clear() { texts_.clear(); }

 private:
  friend struct TokenStartsAccess;
  std::vector<std::vector<char32_t>> texts_;
  TokenStarts* outer_;
};

// The distinct first characters of the tokens of a text as the index reads it, ascending.
std::vector<char32_t> tokenStartsOf(std::string_view utf8);
std::vector<char32_t> tokenStartsOf(const StreamedText::Pieces& text);

// Makes the tokenizers known to this connection; throws LibraryError.
void registerTokenizer(sqlite3* db);

}  // namespace pelarin
