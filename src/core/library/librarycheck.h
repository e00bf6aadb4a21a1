// What is wrong with a library: SQLite's integrity check of the file, then
// the library's own rules, which SQLite cannot know.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelarin {

class Library;

// Problems are one a line, "KIND<TAB>ID<TAB>text" (UTF-8):
//   file              what SQLite's integrity check reports (no ID)
//   message ID        its log is missing, its body cannot be read, or its
//                     index entries are not those of its text
//   index ID          the index holds a message the library does not
//   copy ID           a copy of message ID whose log or message is missing
struct LibraryCheck {
  std::vector<std::string> problems;  // none when the library is whole
  int64_t messages = 0;               // read through
};

// Reads only.
LibraryCheck checkLibrary(Library& library);

}  // namespace pelarin
