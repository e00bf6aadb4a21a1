#include "core/app/workdir.h"

#include <filesystem>

#include "core/text/paths.h"

namespace pelarin {

Bytes currentWorkDir() {
  Bytes dir = textFromPath(std::filesystem::current_path());
  if (dir.empty() || dir.back() != kSeparator) dir += kSeparator;
  return dir;
}

}  // namespace pelarin
