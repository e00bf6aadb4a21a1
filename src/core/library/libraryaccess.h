// How this process may open a library's file, decided before SQLite touches
// it: a reader that cannot write leaves no file behind, and a writer is told
// which file stops it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/library/sqlite.h"

namespace pelarin {

struct LibraryAccess {
  Database::Mode mode = Database::Mode::ReadWrite;
  // What keeps this process from writing: the file, its folder, its -wal or
  // -shm. Empty when it may write.
  std::vector<std::filesystem::path> unwritable;
};

// For the commands of every day. Throws LibraryError naming a -wal or -shm
// that is not a regular file.
LibraryAccess libraryAccess(const std::filesystem::path& file);

// For reading a library that must not be written, not even by a checkpoint
// (check, recover). Throws LibraryError as libraryAccess does, and for a
// missing file.
Database::Mode inspectionMode(const std::filesystem::path& file);

// "…書き込めません。…" then each path a line.
std::string cannotWriteText(const std::vector<std::filesystem::path>& unwritable);

}  // namespace pelarin
