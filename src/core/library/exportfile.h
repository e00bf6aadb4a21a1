// An export written as a whole file: beside the target, renamed over it when
// complete, never through a link; a failure leaves the old file as it was.
#pragma once

#include <filesystem>
#include <functional>
#include <ostream>

namespace pelarin {

// Runs `write` on a stream into the new file and commits it; throws the
// writer's FileError, or rethrows what `write` threw with nothing replaced.
void writeExportFile(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write);

}  // namespace pelarin
