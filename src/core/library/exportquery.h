// From the library to the exports: the matches of a search, decoded, each
// with the ids of its ancestors.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/library/exportmessage.h"

namespace pelarin {

class Library;
class Progress;

// The board names of DIR/<host>.bod by board code; none when it is missing.
std::map<std::string, std::string> boardNames(const std::filesystem::path& dir, const std::string& host);

// The messages of ids in that order; board names from dir's board lists.
// With progress, a step per message, counted towards ids.size().
std::vector<ExportMessage> exportMessages(Library& library, const std::vector<int64_t>& ids,
                                          const std::filesystem::path& dir, Progress* progress = nullptr);

// The thread holding the message, root first, as Library::thread walks it.
std::vector<int64_t> threadIds(Library& library, int64_t id);
// Every message of one host's board, in the library's order.
std::vector<int64_t> boardIds(Library& library, const std::string& host, int32_t boardKey);

}  // namespace pelarin
