// One message of the library as the exports see it: decoded, placed in its
// thread, with the date its log carries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelarin {

struct ExportMessage {
  int64_t id = 0;            // the library's own, unique
  std::string host;          // UTF-8, "" when the log matched no association
  int32_t boardKey = 0;      // line 1 of the message file
  std::string boardCode;     // as the reader shows it: BF, B<n>, I<n>, M, F<n>
  std::string boardName;     // from the host's board list, "" when unknown
  int32_t number = 0;        // 0 for mail
  int32_t replyTo = 0;       // the reply number, 0 when it answers none
  int32_t writerId = 0;
  std::string writerName;    // UTF-8, trailing blanks kept as stored
  std::string title;         // UTF-8
  std::string body;          // UTF-8, one "\n" after every line
  int64_t logTime = 0;       // the log's modification time, seconds since the epoch
  std::optional<int64_t> posted;  // the posting time its header showed (posteddate.h), where it did
  std::vector<int64_t> ancestors;  // ids from the thread's root down to the parent; empty for a root
  std::vector<int32_t> ancestorNumbers;  // their message numbers, parallel to ancestors
  // Another message imported earlier has the same number (two hosts' logs
  // filed under one, a board numbered anew): its id tells them apart, else 0.
  int64_t sibling = 0;
  std::vector<int64_t> ancestorSiblings;  // the same for each ancestor; empty when none is one
  bool read = false;    // read, or muted
  bool marked = false;
};

}  // namespace pelarin
