#include "gui/shared/placement.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QWidget>

namespace pelarin::gui {

namespace {

void resizeNow(QWidget* window, const QSize& size) {
  const QSize old = window->size();
  window->resize(size);
  if (!window->isVisible()) {
    QResizeEvent event(window->size(), old);
    QCoreApplication::sendEvent(window, &event);
  }
}

// The free part of the screen a widget is on, or of the primary screen.
QRect screenArea(const QWidget* w) {
  QScreen* screen = w ? w->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

QSize neededClientSize(const QWidget* client) {
  QSize needed(0, 0);
  for (const QWidget* child : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isHidden() || child->isWindow() || qobject_cast<const QAbstractScrollArea*>(child) ||
        qobject_cast<const QMenuBar*>(child))
      continue;
    needed = needed.expandedTo(QSize(child->x() + child->width(), child->y() + child->height()));
  }
  if (const QLayout* layout = client->layout()) needed = needed.expandedTo(layout->minimumSize());
  return needed;
}

QSize grownToFit(const QWidget* window, QSize size, QSize needed) {
  // Room for a frame the window manager adds; the frame is unknown before the first showing.
  constexpr int kFrame = 40;
  const QRect area = screenArea(window);
  if (area.isValid()) needed = needed.boundedTo(area.size() - QSize(kFrame, kFrame));
  return size.expandedTo(needed);
}

void setClientSize(QWidget* window, int width, int height) {
  resizeNow(window, QSize(width, height));
  // The rule has placed the controls at this size: a font larger than the
  // stored size was made for would cut the ones at the edges.
  const QSize grown = grownToFit(window, window->size(), neededClientSize(window));
  if (grown != window->size()) resizeNow(window, grown);
}

void takeSize(QWidget* window, const StoredGeometry& g, int derivedWidth, std::optional<int> derivedHeight) {
  const int width = g.width == 0 ? derivedWidth : g.width;
  const int height = g.height == 0 && derivedHeight ? *derivedHeight : g.height;
  setClientSize(window, width, height);
}

void recordSize(const QWidget* window, const StoredGeometry& g) {
  g.height = window->height();
  g.width = window->width();
}

QRect keptInside(const QRect& frame, const QRect& area) {
  QRect r = frame;
  if (r.right() > area.right()) r.moveRight(area.right());
  if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
  if (r.left() < area.left()) r.moveLeft(area.left());
  if (r.top() < area.top()) r.moveTop(area.top());
  return r;
}

namespace {

// Right of `anchor` when it fits there, else left of it, else over it; always inside the screen.
QPoint besidePosition(const QSize& size, const QRect& anchor, const QRect& area) {
  constexpr int kGap = 4;
  QRect r(QPoint(anchor.right() + 1 + kGap, anchor.top()), size);
  if (r.right() > area.right()) {
    QRect left(QPoint(anchor.left() - kGap - size.width(), anchor.top()), size);
    if (left.left() >= area.left()) r = left;
  }
  return keptInside(r, area).topLeft();
}

}  // namespace

const QWidget* programMainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(w)) return w;
  return nullptr;
}

void takePosition(QWidget* window, const StoredGeometry& g, const QWidget* beside) {
  const QSize size = window->frameGeometry().size();
  if (g.left == 0 && g.top == 0 && beside) {
    const QWidget* top = beside->window();
    // A field is a child: its rectangle in screen coordinates; a window by its frame.
    const QRect anchor =
        beside == top ? top->frameGeometry() : QRect(beside->mapToGlobal(QPoint(0, 0)), beside->size());
    window->move(besidePosition(size, anchor, screenArea(top)));
    return;
  }
  const QRect frame(QPoint(g.left, g.top), size);
  for (QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().intersects(frame)) {
      window->move(g.left, g.top);
      return;
    }
  window->move(keptInside(frame, screenArea(beside ? beside : window)).topLeft());
}

void recordPosition(const QWidget* window, const StoredGeometry& g) {
  g.top = window->y();
  g.left = window->x();
}

}  // namespace pelarin::gui
