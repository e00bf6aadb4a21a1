#include "gui/compose/composerwindow.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "core/app/appstate.h"
#include "core/compose/outbox.h"
#include "core/compose/uploadscript.h"
#include "core/text/paths.h"
#include "gui/compose/uploadquestion.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/shared/keys.h"

namespace pelarin::gui {

ComposerWindow::ComposerWindow(AppState& state, Platform& platform, DraftKind kind, QWidget* parent)
    : QWidget(parent, Qt::Window), draftState_(state), draftPlatform_(platform), kind_(kind) {
  draftTimer_.setSingleShot(true);
  draftTimer_.setInterval(kDraftDelay);
  connect(&draftTimer_, &QTimer::timeout, this, &ComposerWindow::saveDraftNow);
}

// Beside the main window, whose message the composition is about.
void ComposerWindow::placeAtStoredPosition() { takePosition(this, stored(), programMainWindow()); }

bool ComposerWindow::bringToFront() {
  if (!isVisible()) return false;
  bringUp(this);
  return true;
}

bool ComposerWindow::holdsText() const {
  if (!isVisible()) return false;
  for (const QLineEdit* edit : findChildren<QLineEdit*>())
    if (!edit->isReadOnly() && !edit->text().isEmpty()) return true;
  for (const QPlainTextEdit* editor : findChildren<QPlainTextEdit*>())
    if (!editor->isReadOnly() && !editor->document()->isEmpty()) return true;
  return false;
}

void ComposerWindow::programEnds() { endOfProgram(); }

void ComposerWindow::FormCreate() {
  FormResize();
  takeSize(this, stored(), derivedWidth());
  // Every field and the editor: whatever the user or a command changes goes into the draft.
  for (QLineEdit* field : findChildren<QLineEdit*>())
    connect(field, &QLineEdit::textChanged, this, &ComposerWindow::changed);
  for (QPlainTextEdit* editor : findChildren<QPlainTextEdit*>())
    connect(editor, &QPlainTextEdit::textChanged, this, &ComposerWindow::changed);
}

void ComposerWindow::FormActivate() { takeSize(this, stored(), derivedWidth()); }

void ComposerWindow::FormClose() {
  if (composing_) {
    if (ending_) {
      saveDraftNow();
    } else {
      draftTimer_.stop();
      removeDraft();
    }
    composing_ = false;
  }
  replaces_.clear();
  recordSize(this, stored());
  recordPosition(this, stored());
  Q_EMIT composed();
}

bool ComposerWindow::openComposition(const std::function<bool()>& fill) {
  if (bringToFront()) return false;
  if (!fill()) return false;
  placeAtStoredPosition();
  ChooseUploadFile(draftState_);
  // Only now: a window that stays hidden must not leave the main menu waiting for its close.
  startComposing();
  bringUp(this);
  return true;
}

void ComposerWindow::startComposing() {
  setWindowTitle(toQ(draftState_.UploadFile) + QStringLiteral(" - ") + designCaption());
  scriptFile_ = draftState_.UploadFile;
  composing_ = true;
  saveFailureShown_ = false;
  // What the opening filled in (a quotation, the answered message) is worth keeping too.
  draftTimer_.start();
  Q_EMIT composing();
}

void ComposerWindow::restoreDraft(const Draft& draft) {
  draftState_.TextFileDir = draft.textFileDir;
  draftState_.UploadFile = draft.uploadFile;
  replaces_ = draft.replaces;
  replacesAt_ = draft.replacesAt;
  takeDraft(draft);
  placeAtStoredPosition();
  startComposing();
  // The file holds all of it already.
  draftTimer_.stop();
  show();
}

void ComposerWindow::editRecord(const Draft& fields, size_t index, const Bytes& original) {
  Draft draft = fields;
  draft.kind = kind_;
  draft.replaces = original;
  draft.replacesAt = index;
  restoreDraft(draft);
  // Unlike a restored draft, no file holds it yet.
  draftTimer_.start();
}

void ComposerWindow::writeRecord(const Lines& record) {
  // The caption names this script, whatever has chosen another since the opening.
  draftState_.UploadFile = scriptFile_;
  if (replaces_.empty()) {
    appendToUploadScript(draftState_, draftPlatform_, this, record);
    return;
  }
  if (replaceRecord(uploadScriptPath(draftState_), replacesAt_, replaces_, record)) return;
  // Removed or changed since: the edit is kept at the end, without the question
  // that could replace the whole script, and the next composition still asks.
  const int32_t rewrite = draftState_.UploadRewrite;
  draftState_.UploadRewrite = 0;
  try {
    AppendUploadRecord(draftState_, record, [](const Bytes&) { return false; });
  } catch (...) {
    draftState_.UploadRewrite = rewrite;
    throw;
  }
  draftState_.UploadRewrite = rewrite;
  draftPlatform_.messageBox(this, BoxKind::Information,
                            QStringLiteral("編集した元のメッセージがアップロードファイルに見つからないため、"
                                           "末尾に追加しました。"),
                            BoxButtons::Ok);
}

void ComposerWindow::changed() {
  // A throttle, not a wait for a pause: typing that goes on is saved all the same.
  if (composing_ && !draftTimer_.isActive()) draftTimer_.start();
}

void ComposerWindow::saveDraftNow() {
  draftTimer_.stop();
  if (!composing_) return;
  Draft draft;
  draft.kind = kind_;
  draft.textFileDir = draftState_.TextFileDir;
  draft.uploadFile = scriptFile_;
  draft.replaces = replaces_;
  draft.replacesAt = replacesAt_;
  fillDraft(draft);
  try {
    writeDraft(draftPath(draftState_.WorkDir, kind_), draft);
  } catch (const Error& e) {
    // Said once per composition: a box at every pause in the typing would be worse.
    if (saveFailureShown_) return;
    saveFailureShown_ = true;
    draftPlatform_.messageBox(this, BoxKind::Warning,
                              QStringLiteral("下書きを保存できませんでした。\n%1\n"
                                             "プログラムが強制終了されると、編集中のメッセージは失われます。")
                                  .arg(QString::fromUtf8(e.what())),
                              BoxButtons::Ok);
  }
}

void ComposerWindow::removeDraft() {
  const std::filesystem::path file = draftPath(draftState_.WorkDir, kind_);
  removeQuietly(file);
  // A draft left behind would bring a written or discarded message back at the next start.
  if (fileExists(file))
    draftPlatform_.messageBox(this, BoxKind::Warning,
                              QStringLiteral("下書き '%1' を削除できませんでした。\n"
                                             "次回の起動時に、このメッセージがもう一度開かれます。")
                                  .arg(pathToQ(draftState_.WorkDir + draftFileName(kind_))),
                              BoxButtons::Ok);
}

void ComposerWindow::endOfProgram() {
  ending_ = true;
  saveDraftNow();
}

bool ComposerWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QWidget::event(event);
}

void ComposerWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
  // A size the user gives is kept at once: the next activation takes it, not the one of the last close.
  if (isVisible()) recordSize(this, stored());
}

void ComposerWindow::closeEvent(QCloseEvent* event) {
  if (!ending_) FormClose();
  event->accept();
}

}  // namespace pelarin::gui
