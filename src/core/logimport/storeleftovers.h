// What a run that did not end cleanly leaves of the message store (which lives
// for one run only) and of its unfinished writes: the next owner of the work
// directory clears it.
#pragma once

#include <filesystem>
#include <string_view>

namespace pelarin {

// "mes<N>.tmp" (N from 1, no leading zeros), "mestemp.tmp" and the names the
// sort moves a stale temporary file to, "mestemp.tmp.<k>".
bool isStoreFileName(std::string_view name);

// Deletes every such file in dir, and the temporaries of whole-file writes that never finished; directories
// and any other name are left, and a file that cannot be deleted is passed over. Returns how many went.
int removeStoreLeftovers(const std::filesystem::path& dir);

}  // namespace pelarin
