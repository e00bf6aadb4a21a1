// Load BBS File: an existing board list becomes the list in use; and the
// list and script files the association dialog offers.
#pragma once

#include <filesystem>
#include <vector>

#include "core/text/bytes.h"

namespace pelarin {

struct AppState;

// UploadFile from every association whose List occurs in the list file's name
// (ASCII case ignored; an empty List matches nothing): Upload + ".txt" as
// stored, or UpFileName when Upload is empty. The last match wins; no match
// leaves UploadFile as it was.
void associateListFile(AppState& state, ByteView fileName);

// After the dialog: the association, then ListFileName := the name less its
// last 4 characters. Returns the caption: the file's first line +
// " - Pelarin for Windows". Throws FileError, EncodeError.
Bytes useBoardList(AppState& state, const std::filesystem::path& chosen);

// The names, less their last 4 characters, of the files in dir whose names
// end in the extension (ASCII case ignored), in byte order. A missing
// directory gives none.
std::vector<Bytes> fileStems(const std::filesystem::path& dir, ByteView extension);

}  // namespace pelarin
