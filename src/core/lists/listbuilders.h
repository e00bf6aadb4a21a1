// The board list and the name list, built from a log in which the host listed
// its boards or its members. Line 1 is the host's name from its greeting.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "core/text/bytes.h"

namespace pelarin {

class Progress;

inline constexpr char kBoardListExtension[] = ".bod";
inline constexpr char kNameListExtension[] = ".nam";

// "Ｔhank you for accessing to ": what the host's greeting line begins with.
inline constexpr char kGreeting[] = "\x82\x73hank you for accessing to ";

// The title a greeting line gives: from byte 29 to its end less its last 20
// bytes. Nothing when the line is not a greeting.
std::optional<Bytes> greetingTitle(ByteView line);

// The board list entries of a log line: one per test it passes, none for most
// lines. Throws ConversionError when an ASCII board number is not an integer.
std::vector<Bytes> boardEntries(ByteView line);

// The name list entry of a log line (its bytes 9 to 31), or nothing.
std::optional<Bytes> nameEntry(ByteView line);

// Reads the log twice (the first greeting's title, then every entry in log
// order) and replaces the list file only when the whole build succeeded, so
// an error leaves the previous list as it was. Returns the number of entries.
// Throws FileError, ConversionError. With progress: the bytes read and the
// entries found; a cancel (CancelledError) leaves the previous list too.
size_t MakeBoardList(const std::filesystem::path& log, const std::filesystem::path& list,
                     Progress* progress = nullptr);
size_t MakeNameList(const std::filesystem::path& log, const std::filesystem::path& list,
                    Progress* progress = nullptr);

}  // namespace pelarin
