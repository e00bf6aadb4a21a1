// The library's messages as one UTF-8 text: each message's fields, one a
// line as "Caption<TAB>value", then its body, between rule lines.
#pragma once

#include <ostream>
#include <vector>

#include "core/library/exportmessage.h"

namespace pelarin {

class Progress;

// With progress, a step per message written.
void exportText(const std::vector<ExportMessage>& messages, std::ostream& out, Progress* progress = nullptr);

}  // namespace pelarin
