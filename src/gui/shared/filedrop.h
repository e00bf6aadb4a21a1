// Files dropped from the desktop. They are taken as a copy only: a source
// that honours a move deletes what it gave.
#pragma once

#include <QStringList>
#include <functional>

class QDropEvent;
class QMimeData;
class QObject;

namespace pelarin::gui {

QStringList localFiles(const QMimeData* data);
// Local files offered for copying.
bool offersFilesToCopy(const QDropEvent* event);
// A drag entering or moving: taken as a copy when `accepted`, else refused.
void answerDrag(QDropEvent* event, bool accepted);
// The drop itself: answered at once, the files handed to `take` afterwards,
// so the desktop is not kept waiting on what they start.
void takeDrop(QDropEvent* event, bool accepted, QObject* receiver,
              std::function<void(const QStringList&)> take);

}  // namespace pelarin::gui
