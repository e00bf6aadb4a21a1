// Counts as every window writes them: digits grouped by threes with commas.
#pragma once

#include <QString>
#include <cstdint>

namespace pelarin::gui {

QString grouped(uint64_t n);

}  // namespace pelarin::gui
