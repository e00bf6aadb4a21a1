// An export in one of its formats, written to its target: one file for text
// and mbox, a folder for HTML.
#pragma once

#include <filesystem>
#include <vector>

#include "core/library/exportmessage.h"

namespace pelarin {

class Progress;

enum class ExportFormat { Text, Mbox, Html };

// A failure or a cancel leaves the target as it was.
void writeExport(ExportFormat format, const std::vector<ExportMessage>& messages,
                 const std::filesystem::path& target, Progress* progress = nullptr);

}  // namespace pelarin
