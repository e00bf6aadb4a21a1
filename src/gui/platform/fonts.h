// Japanese on Linux: the system's default face maps to an installed Japanese font.
#pragma once

namespace pelarin::gui {

void installFontSubstitutions();

}  // namespace pelarin::gui
