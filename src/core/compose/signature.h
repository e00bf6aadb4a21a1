// The signature file "sig.txt" in the work directory.
#pragma once

#include <filesystem>
#include <optional>

#include "core/compose/uploadrecords.h"

namespace pelarin {

inline constexpr char kSignatureFileName[] = "sig.txt";

// Its lines, or nothing when the file does not exist. Throws FileError.
std::optional<Lines> readSignature(const std::filesystem::path& file);

// Creates the file empty when it is missing. A link or anything but a
// regular file under its name is a FileError naming it.
void ensureSignature(const std::filesystem::path& file);

// Replaces the file whole with the lines, each ended by CR LF (temporary file
// and rename). Throws FileError.
void writeSignature(const std::filesystem::path& file, const Lines& lines);

}  // namespace pelarin
