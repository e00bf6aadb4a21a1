#include "gui/app/filedropguard.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace pelarin::gui {

FileDropGuard::FileDropGuard(QWidget* allowed) : allowed_(allowed) {
  QCoreApplication::instance()->installEventFilter(this);
}

FileDropGuard::~FileDropGuard() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

bool FileDropGuard::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() == allowed_ || widget->window()->acceptDrops()) return false;
  const QMimeData* data = static_cast<QDropEvent*>(event)->mimeData();
  if (!data || !data->hasUrls()) return false;
  event->ignore();
  return true;
}

}  // namespace pelarin::gui
