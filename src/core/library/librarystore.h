// From the library to the reader: messages written as the store.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace pelarin {

class Library;

// Writes the messages of ids as dir's "mes1.tmp" upward, each file byte for
// byte the one the splitter wrote, then deletes the store's files above them.
// Returns the count. Throws FileError.
int32_t writeStoreFrom(Library& library, const std::vector<int64_t>& ids, const std::filesystem::path& dir);

// The highest N of dir's "mes<N>.tmp" files, 0 when none.
int32_t highestMessageFile(const std::filesystem::path& dir);

}  // namespace pelarin
