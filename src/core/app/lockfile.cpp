#include "core/app/lockfile.h"

#include <cerrno>
#include <cstdio>

#include "core/text/errors.h"

namespace pelarin {

bool createLockFile(const std::filesystem::path& file) {
  // "x": create exclusively, failing with EEXIST when the file is there.
  std::FILE* f = std::fopen(file.c_str(), "wbx");
  if (!f) {
    if (errno == EEXIST) return false;
    throw FileError("Cannot create", file, errno);
  }
  if (std::fclose(f) != 0) throw FileError("Cannot create", file, errno);
  return true;
}

}  // namespace pelarin
