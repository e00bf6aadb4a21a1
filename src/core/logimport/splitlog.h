// Splits a captured log into message files, one per recognised header.
#pragma once

#include <cstdint>
#include <filesystem>

namespace pelarin {

struct AppState;

// Writes "mes<N>.tmp" into state.WorkDir for N = first, first+1, ... and
// returns the next free number (first when the log holds no message).
// Appends to state.BoardMap. Throws FileError or ConversionError; files
// completed before the error stay.
int32_t SplitLog(const std::filesystem::path& log, int32_t first, AppState& state);

}  // namespace pelarin
