// From the library to the exports: the matches of a search, decoded, each
// with the ids of its ancestors.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/library/exportmessage.h"

namespace pelarin {

class Library;

// The board names of DIR/<host>.bod by board code; none when it is missing.
std::map<std::string, std::string> boardNames(const std::filesystem::path& dir, const std::string& host);

// The messages of ids in that order; board names from dir's board lists.
std::vector<ExportMessage> exportMessages(Library& library, const std::vector<int64_t>& ids,
                                          const std::filesystem::path& dir);

}  // namespace pelarin
