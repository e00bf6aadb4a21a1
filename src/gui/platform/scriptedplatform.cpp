#include "gui/platform/scriptedplatform.h"

namespace pelarin::gui {

namespace {

// The next scripted answer; none left is a cancelled dialog.
template <typename T>
std::optional<T> next(std::deque<std::optional<T>>& queue) {
  if (queue.empty()) return std::nullopt;
  std::optional<T> answer;
  answer.swap(queue.front());  // swapped, not moved: GCC warns falsely on a moved optional
  queue.pop_front();
  return answer;
}

}  // namespace

BoxAnswer ScriptedPlatform::messageBox(QWidget*, BoxKind kind, const QString& text, BoxButtons buttons) {
  boxes.push_back({kind, text, buttons});
  if (answers.empty()) return buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::No;
  BoxAnswer a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<QString> ScriptedPlatform::openFile(QWidget*, const QString& title, const QString& initialDir,
                                                  const QString& systemFilter) {
  openRequests.push_back({title, initialDir, systemFilter});
  return next(files);
}

std::optional<QString> ScriptedPlatform::chooseFolder(QWidget*, const QString& title, const QString& initialDir) {
  folderRequests.push_back({title, initialDir, QString()});
  return next(folders);
}

std::optional<SaveTarget> ScriptedPlatform::saveFile(QWidget*, const QString& title,
                                                     const QString& initialDir, const QStringList& filters) {
  saveRequests.push_back({title, initialDir, filters});
  return next(saves);
}

std::optional<QFont> ScriptedPlatform::chooseFont(QWidget*, const QFont&) {
  return next(fonts);
}

void ScriptedPlatform::showHelp(QWidget*, const QString& helpFile) { helpShown.push_back(helpFile); }

void ScriptedPlatform::closeHelp(const QString& helpFile) { helpClosed.push_back(helpFile); }

std::optional<QString> ScriptedPlatform::askText(QWidget*, const QString&, const QString& label,
                                                 const QString& initial) {
  textsAsked.push_back(label + QLatin1Char('\t') + initial);
  return next(texts);
}

}  // namespace pelarin::gui
