// Between texts of the system (code page 932) and paths of the platform.
#pragma once

#include <filesystem>

#include "core/text/bytes.h"

namespace pelarin {

std::filesystem::path pathFromText(ByteView text);
Bytes textFromPath(const std::filesystem::path& path);  // throws EncodeError

// The platform's separator, as a text of the system.
inline constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

bool fileExists(const std::filesystem::path& path);
// True for anything under the name, a FIFO or a directory too: a reader that
// treats a missing file as empty then refuses what is not a regular file.
bool entryExists(const std::filesystem::path& path);

// Deletes a file, passing over any failure.
void removeQuietly(const std::filesystem::path& path);

}  // namespace pelarin
