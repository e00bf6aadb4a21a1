// Files that are not regular files, planted where a reader expects one, and a
// guard that turns a reader hanging on a FIFO into a failure instead of a hang.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace pelarin::testing {

enum class Special { Fifo, Directory, Device };

inline const Special kSpecials[] = {Special::Fifo, Special::Directory, Special::Device};

const char* specialName(Special kind);

// Creates `path` as a FIFO, a directory or a link to /dev/null.
void plantSpecial(Special kind, const std::filesystem::path& path);

// Runs `read`, which must throw at once. A read still blocked after some
// seconds fails the test and is released by opening `fifo` for writing.
// Returns the error's text, empty when nothing was thrown.
std::string errorOfRead(const std::function<void()>& read, const std::filesystem::path& fifo);

}  // namespace pelarin::testing
