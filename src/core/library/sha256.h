// SHA-256 of a file or of bytes, as the sources table records logs.
#pragma once

#include <filesystem>

#include "core/text/bytes.h"

namespace pelarin {

// 32 raw bytes. Throws FileError when the file cannot be read.
Bytes sha256OfFile(const std::filesystem::path& file);
Bytes sha256(ByteView bytes);

}  // namespace pelarin
