// A message's text in the library's two indexes: its tokens with their
// places (fts), and the characters its tokens begin with, by message alone
// (fts_chars). The second answers a term of one character, the commonest
// first keystroke, without reading a place of every token that begins with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"

namespace pelarin {

// Tokens of the table of characters: a character in any field as it is, in
// the title or the writer's name after a mark.
inline constexpr std::string_view kTitleCharacterMark = "\x01";
inline constexpr std::string_view kWriterCharacterMark = "\x02";

// The text of a message in the table of characters: the characters its
// fields' tokens begin with (tokenStartsOf), as tokens parted by blanks.
std::string characterText(const std::vector<char32_t>& title, const std::vector<char32_t>& writer,
                          const std::vector<char32_t>& body);

class MessageIndex {
 public:
  enum class Action { Add, Remove };
  MessageIndex(Database& db, Action action);

  // The body is UTF-8, whole or in pieces (a huge one is never held whole).
  void operator()(int64_t id, std::string_view title, std::string_view writer, std::string_view body);
  void operator()(int64_t id, std::string_view title, std::string_view writer, const StreamedText::Pieces& body);

 private:
  template <typename Bind>
  void index(int64_t id, std::string_view title, std::string_view writer, const Bind& bindBody,
             const StreamedText::Pieces& body);

  Database& db_;
  Statement words_, characters_;
};

}  // namespace pelarin
