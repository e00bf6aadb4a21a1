#include "core/app/directories.h"

#include "core/text/paths.h"

namespace pelarin {

Bytes withSeparator(Bytes dir) {
  if (!dir.empty() && dir.back() != kSeparator) dir += kSeparator;
  return dir;
}

}  // namespace pelarin
