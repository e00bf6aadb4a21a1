#include "gui/shared/filedrop.h"

#include <QDropEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QUrl>

namespace pelarin::gui {

QStringList localFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  return files;
}

bool offersFilesToCopy(const QDropEvent* event) {
  return (event->possibleActions() & Qt::CopyAction) && !localFiles(event->mimeData()).isEmpty();
}

void answerDrag(QDropEvent* event, bool accepted) {
  if (!accepted) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void takeDrop(QDropEvent* event, bool accepted, QObject* receiver,
              std::function<void(const QStringList&)> take) {
  if (!accepted) return event->ignore();
  const QStringList files = localFiles(event->mimeData());
  event->setDropAction(Qt::CopyAction);
  event->accept();
  QMetaObject::invokeMethod(
      receiver, [files, take = std::move(take)] { take(files); }, Qt::QueuedConnection);
}

}  // namespace pelarin::gui
