#include "gui/platform/scriptedplatform.h"

namespace pelarin::gui {

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
  if (files.empty()) return std::nullopt;
  std::optional<QString> f;
  f.swap(files.front());
  files.pop_front();
  return f;
}

std::optional<QString> ScriptedPlatform::chooseFolder(QWidget*, const QString& title, const QString& initialDir) {
  folderRequests.push_back({title, initialDir, QString()});
  if (folders.empty()) return std::nullopt;
  std::optional<QString> f;
  f.swap(folders.front());
  folders.pop_front();
  return f;
}

std::optional<SaveTarget> ScriptedPlatform::saveFile(QWidget*, const QString& title,
                                                     const QString& initialDir, const QStringList& filters) {
  saveRequests.push_back({title, initialDir, filters});
  if (saves.empty()) return std::nullopt;
  std::optional<SaveTarget> s;
  s.swap(saves.front());
  saves.pop_front();
  return s;
}

std::optional<QFont> ScriptedPlatform::chooseFont(QWidget*, const QFont&) {
  if (fonts.empty()) return std::nullopt;
  std::optional<QFont> f;
  f.swap(fonts.front());
  fonts.pop_front();
  return f;
}

void ScriptedPlatform::showHelp(QWidget*, const QString& helpFile) { helpShown.push_back(helpFile); }

void ScriptedPlatform::closeHelp(const QString& helpFile) { helpClosed.push_back(helpFile); }

}  // namespace pelarin::gui
