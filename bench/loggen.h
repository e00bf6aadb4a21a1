// A deterministic generator of realistic captured logs for benchmarks: host
// chatter, many boards, counted and marked headers, responses, mail, file areas.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/text/bytes.h"

namespace pelarin::bench {

struct LogStats {
  uint64_t bytes = 0;
  uint64_t lines = 0;
  int64_t messages = 0;  // message files the splitter should write
};

// Writes a log of at least targetBytes (a session longer at most) in code page
// 932 with CR LF line ends; the same seed gives the same bytes. Throws FileError.
LogStats generateLog(const std::filesystem::path& out, uint64_t targetBytes, uint64_t seed = 1);

// The same, bodies made of runs of consecutive lines of prose (code page 932,
// without line ends) in place of the generated sentences.
LogStats generateProseLog(const std::filesystem::path& out, uint64_t targetBytes, uint64_t seed,
                          const std::vector<Bytes>& prose);

// A board with one message whose body holds at least bodyBytes of sentences,
// then a small message after it: a log's largest message, for peak memory.
LogStats generateOneMessageLog(const std::filesystem::path& out, uint64_t bodyBytes);

}  // namespace pelarin::bench
