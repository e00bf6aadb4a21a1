// Japanese on Linux: the system's default face maps to an installed Japanese font.
#pragma once

#include <QFont>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

void installFontSubstitutions();

// FontName at FontSize points (the face's own size when FontSize is 0).
QFont stateFont(const AppState& state);

}  // namespace pelarin::gui
