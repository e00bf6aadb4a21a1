// Moves message files into a computed order, cycle by cycle through the
// temporary name, never replacing a file that exists.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace pelarin {

class Progress;

// Renames from to to unless to exists; 0 or the errno of the failure.
int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

using RenameFile = std::function<int(const std::filesystem::path& from, const std::filesystem::path& to)>;

// order[p] is the 0-based index of the message whose file becomes message p+1.
// A stale temporary file is first moved aside to "mestemp.tmp.<k>", the first
// free k, and left there. A failing rename undoes the renames of its cycle and
// throws FileError; the cycles before it stay done. Returns the renames made.
// With progress: the files placed so far, and a cancel taken before each cycle.
int64_t moveToOrder(const std::filesystem::path& dir, const std::vector<int32_t>& order,
                    const RenameFile& rename = renameNoReplace, Progress* progress = nullptr);

}  // namespace pelarin
