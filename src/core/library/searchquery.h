// What a search box or the command line says, read once for both: terms
// that must all occur, "phrases" that may hold blanks, -exclusions, OR
// between two terms, and fields (title: name: id: board: host: no: re:
// is:response is:mail is:unread is:marked date:). Anything else is text to find: C++, ^_^, AND, a
// lone ".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelarin {

struct QueryTerm {
  enum class Field {
    Text,
    Title,
    Name,
    WriterId,
    Board,
    Host,
    Number,
    Reply,
    IsResponse,
    IsMail,
    IsUnread,
    IsMarked,
    Date
  };
  Field field = Field::Text;
  std::string text;     // the text to find (Text, Title, Name) or the host
  int64_t value = 0;    // writer ID, board key, number, number answered; Date: its first minute
  int64_t until = 0;    // Date: the minute after it (posteddate.h); not above value for a malformed one
  bool excluded = false;
  bool phrase = false;  // given in quotes
  // Text to find (anywhere, in the title, in the writer's name), not a choice by a field's value.
  bool isText() const { return field == Field::Text || field == Field::Title || field == Field::Name; }
};

// Every alternative of a group joined by OR; every group must hold.
struct ParsedQuery {
  std::vector<std::vector<QueryTerm>> groups;
};

// Blanks are ASCII blanks and the ideographic space.
ParsedQuery parseQuery(std::string_view utf8);
// Several arguments read as one query, as if written with a blank between them.
ParsedQuery parseQuery(const std::vector<std::string>& arguments);

}  // namespace pelarin
