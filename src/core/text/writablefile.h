// Opening a file for writing without writing through a link or into
// anything that is not a plain file planted under its name.
#pragma once

#include <filesystem>
#include <string>

namespace pelarin {

#if defined(__unix__) || defined(__APPLE__)

// Opens `path` write-only with `flags` added (O_CREAT, O_APPEND, ...), never
// following a link at its name, and returns the descriptor of a regular file.
// A link, a directory, a FIFO or a device there throws FileError(action, path)
// without blocking or writing.
int openRegularForWriting(const std::filesystem::path& path, int flags, const std::string& action);

// Throws the FileError(action, path) that says why `path` is no regular file,
// or gives the platform's `err` when it is one or is missing.
[[noreturn]] void throwNotWritable(const std::string& action, const std::filesystem::path& path, int err);

#endif

}  // namespace pelarin
