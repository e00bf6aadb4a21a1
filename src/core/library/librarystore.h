// From the library to the reader: messages written as the store.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace pelarin {

class Library;
class StoreIndex;

// Writes the messages of ids as dir's "mes1.tmp" upward, each file byte for
// byte the one the splitter wrote, then deletes the store's files above them.
// Returns the count; index, when given, then knows every message written.
// Throws FileError.
int32_t writeStoreFrom(Library& library, const std::vector<int64_t>& ids, const std::filesystem::path& dir,
                       StoreIndex* index = nullptr);

// Writes the message as the store's message n (one past its end), in place
// of whatever the name held; index, when it knows 1..n-1, learns it too.
void appendToStoreFrom(Library& library, int64_t id, const std::filesystem::path& dir, int32_t n,
                       StoreIndex& index);

// The highest N of dir's "mes<N>.tmp" files, 0 when none.
int32_t highestMessageFile(const std::filesystem::path& dir);

}  // namespace pelarin
