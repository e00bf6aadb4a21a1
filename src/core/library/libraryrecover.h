// A damaged library's readable messages saved into a new library; the
// damaged file is only read.
#pragma once

#include <cstdint>
#include <filesystem>

namespace pelarin {

struct RecoverResult {
  int64_t salvaged = 0;  // messages copied whole
  int64_t lost = 0;      // messages the library's other records show existed but could not be read
  int64_t logs = 0;      // logs recorded in the new library
};

// Copies every readable message of the library in `from` (its keys, body,
// logs and copies) into a new library made in the folder `to` (made when
// missing), its index built anew, keeping the messages' IDs. The new library
// appears whole or not at all. Throws LibraryError when `to` holds a library
// already, or `from` cannot be read at all; FileError for `to`.
RecoverResult recoverLibrary(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace pelarin
