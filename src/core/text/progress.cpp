#include "core/text/progress.h"

namespace pelarin {

CancelledError::CancelledError() : Error("中止しました") {}

}  // namespace pelarin
