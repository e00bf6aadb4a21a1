#include "gui/platform/qtplatform.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>

#include "gui/shared/keys.h"

namespace pelarin::gui {

QtPlatform::QtPlatform() = default;

QtPlatform::~QtPlatform() { delete help_; }

BoxAnswer QtPlatform::messageBox(QWidget* parent, BoxKind kind, const QString& text, BoxButtons buttons) {
  QMessageBox box(parent);
  box.setWindowTitle(boxTitle(kind));
  box.setText(text);
  switch (kind) {
    case BoxKind::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case BoxKind::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case BoxKind::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case BoxKind::Confirmation:
      box.setIcon(QMessageBox::Question);
      break;
  }
  if (buttons == BoxButtons::Ok) {
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    return BoxAnswer::Ok;
  }
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  box.setDefaultButton(buttons == BoxButtons::YesNoDefaultNo ? no : yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes ? BoxAnswer::Yes : BoxAnswer::No;
}

std::optional<QString> QtPlatform::openFile(QWidget* parent, const QString& title, const QString& initialDir,
                                            const QString& systemFilter) {
  QString file = QFileDialog::getOpenFileName(parent, title, initialDir, qtFilter(systemFilter));
  if (file.isEmpty()) return std::nullopt;
  return file;
}

std::optional<QString> QtPlatform::chooseFolder(QWidget* parent, const QString& title, const QString& initialDir) {
  QString folder = QFileDialog::getExistingDirectory(parent, title, initialDir);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<SaveTarget> QtPlatform::saveFile(QWidget* parent, const QString& title,
                                               const QString& initialDir, const QStringList& filters) {
  QFileDialog dialog(parent, title, initialDir);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters);
  const auto takeSuffix = [&dialog](const QString& filter) {
    // "Text (*.txt)" gives "txt"; a filter naming one file gives none.
    const int star = filter.indexOf(QLatin1String("(*."));
    dialog.setDefaultSuffix(star < 0 ? QString() : filter.mid(star + 3).section(QLatin1Char(')'), 0, 0));
  };
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, takeSuffix);
  takeSuffix(filters.value(0));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return SaveTarget{dialog.selectedFiles().first(),
                    static_cast<int>(std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())))};
}

void showJapaneseSample(QFontDialog& dialog) {
  // Qt's own dialog has no setter for its sample: its preview box is the one holding the Latin sample.
  for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
    if (edit->text() == QLatin1String("AaBbYyZz"))
      edit->setText(QStringLiteral("あいう アイウ 漢字 ｱｲｳ AaBbYyZz 0123"));
}

std::optional<QFont> QtPlatform::chooseFont(QWidget* parent, const QFont& initial) {
  QFontDialog dialog(initial, parent);
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  showJapaneseSample(dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.selectedFont();
}

std::optional<QString> QtPlatform::askText(QWidget* parent, const QString& title, const QString& label,
                                           const QString& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

void QtPlatform::showHelp(QWidget* /*parent*/, const QString& helpFile) {
  if (!help_) {
    help_ = new QTextBrowser;
    help_->setObjectName(QStringLiteral("HelpViewer"));
    help_->setOpenExternalLinks(true);
    help_->resize(640, 560);
  }
  help_->setWindowTitle(QStringLiteral("Pelarin Help"));
  help_->setSource(QUrl::fromLocalFile(helpFile), QTextDocument::HtmlResource);
  bringUp(help_);
}

void QtPlatform::closeHelp(const QString& /*helpFile*/) {
  if (help_) help_->close();
}

}  // namespace pelarin::gui
