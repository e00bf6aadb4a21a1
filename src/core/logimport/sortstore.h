// Puts the message files 1..count in order of (board key, mail as 0; message
// number), giving every file name the content the pairwise exchange sort gives.
#pragma once

#include <cstdint>
#include <filesystem>

namespace pelarin {

class Progress;
class StoreIndex;

// Throws FileError or ConversionError; a failing move is undone first, so no
// message is lost or duplicated. An index that knows the store gives the keys
// (no file is read) and follows the moves; after a failing move it is emptied.
// With progress: counts the keys read, then the files moved; a cancel
// (CancelledError) comes before a move or between two cycles of moves, so
// every message keeps a whole file.
void SortStore(const std::filesystem::path& dir, int32_t count, StoreIndex* index = nullptr,
               Progress* progress = nullptr);

}  // namespace pelarin
