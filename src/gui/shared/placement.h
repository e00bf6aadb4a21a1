// The stored client sizes and outer positions that resizable windows take and
// record, and where a window opens when it has none.
#pragma once

#include <QRect>
#include <cstdint>
#include <optional>

class QWidget;

namespace pelarin::gui {

// Sets the client size and runs the window's resize handler even while it is
// hidden (Qt defers a hidden window's resize event until it is shown). A size
// below what the controls need at the current font grows to it (grownToFit).
void setClientSize(QWidget* window, int width, int height);

// The client size the controls of `client` need as the layout rule placed
// them: every shown child but the views and editors the rule stretches ends
// inside it; a Qt layout's minimum counts too.
QSize neededClientSize(const QWidget* client);
// `size` grown to `needed`, no further than the screen the window is on allows.
QSize grownToFit(const QWidget* window, QSize size, QSize needed);

// The four geometry fields of one window in the application state.
struct StoredGeometry {
  int32_t& height;
  int32_t& width;
  int32_t& top;
  int32_t& left;
};

// A width field of 0 stands for derivedWidth; a height field of 0 stands for
// derivedHeight when the window has one, else for a height of 0.
void takeSize(QWidget* window, const StoredGeometry& g, int derivedWidth,
              std::optional<int> derivedHeight = std::nullopt);
void recordSize(const QWidget* window, const StoredGeometry& g);

// Positions are the window's outer top-left corner.
// A position never set (0, 0) opens beside `beside` when one is given, inside its screen; a
// stored position outside every present screen (a monitor unplugged) is brought inside.
void takePosition(QWidget* window, const StoredGeometry& g, const QWidget* beside = nullptr);
// The program's main window, which the other windows open beside; null before it exists.
const QWidget* programMainWindow();
// The outer rectangle moved the least so that it lies inside `area` as far as it fits.
QRect keptInside(const QRect& frame, const QRect& area);
void recordPosition(const QWidget* window, const StoredGeometry& g);

}  // namespace pelarin::gui
