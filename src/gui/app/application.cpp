#include "gui/app/application.h"

#include <QFile>
#include <QStringList>

#include "core/compose/draft.h"
#include "core/library/library.h"
#include "core/text/errors.h"
#include "core/text/paths.h"
#include "gui/app/filedropguard.h"
#include "gui/app/initwin.h"
#include "gui/app/viewmain.h"
#include "gui/compose/alartwin.h"
#include "gui/compose/hfsetwin.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/compose/sigwin.h"
#include "gui/lists/input.h"
#include "gui/lists/setlist.h"
#include "gui/outbox/outboxwin.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/reading/listwin.h"

namespace pelarin::gui {

Application::Application(Platform& platform) {
  // An older library's index is rebuilt by the importer's thread, never where the windows wait.
  deferIndexRebuildOnThisThread();
  // The main window's creation loads the settings before any other window exists.
  logview_ = std::make_unique<TLogview>(platform);
  AppState& state = logview_->state();
  res_ = std::make_unique<TResform>(state, platform);
  new_ = std::make_unique<TNewform>(state, platform);
  mail_ = std::make_unique<TMailform>(state, platform);
  init_ = std::make_unique<TInitform>(state, platform);
  hfset_ = std::make_unique<THFsetform>(state, platform);
  list_ = std::make_unique<TListform>(state, platform);
  sig_ = std::make_unique<TSigform>(state, platform);
  input_ = std::make_unique<TInputList>(state, platform);
  setLog_ = std::make_unique<TSetLog>(state, platform);
  alart_ = std::make_unique<TAlartform>(state, platform);
  outbox_ = std::make_unique<TOutboxform>(state, platform);
  outbox_->setComposers(res_.get(), new_.get(), mail_.get());
  new_->setPickList(input_.get());
  mail_->setPickList(input_.get());
  logview_->attach({res_.get(), new_.get(), mail_.get(), init_.get(), hfset_.get(), list_.get(), sig_.get(),
                    input_.get(), setLog_.get(), alart_.get(), outbox_.get()});
  dropGuard_ = std::make_unique<FileDropGuard>(logview_.get());
  // The main window's close ends the program: from then on a composer's close
  // is not the user's, and its draft stays for the next start.
  for (ComposerWindow* composer : composers())
    QObject::connect(logview_.get(), &TLogview::closed, composer, &ComposerWindow::endOfProgram);
}

std::array<ComposerWindow*, 3> Application::composers() { return {res_.get(), new_.get(), mail_.get()}; }

void Application::restoreDrafts() {
  if (logview_->refused()) return;
  const Bytes& workDir = logview_->state().WorkDir;
  Platform& platform = logview_->platform();
  QStringList restored;
  QStringList damaged;
  for (ComposerWindow* composer : composers()) {
    const std::filesystem::path file = draftPath(workDir, composer->draftKind());
    if (!fileExists(file)) continue;
    const QString name = pathToQ(workDir + draftFileName(composer->draftKind()));
    try {
      composer->restoreDraft(readDraft(file, composer->draftKind()));
      restored << composer->designCaption();
    } catch (const Error& e) {
      QString kept = QStringLiteral("ファイルはそのまま残してあります。");
      try {
        const std::filesystem::path aside = setDraftAside(file);
        kept = QStringLiteral("ファイルは '%1' として残してあります。").arg(QFile::decodeName(aside.c_str()));
      } catch (const Error&) {
        // Left where it is; the next start reports it again.
      }
      damaged << QStringLiteral("下書き '%1' を読めませんでした。\n%2\n%3")
                     .arg(name, QString::fromUtf8(e.what()), kept);
    }
  }
  if (!restored.isEmpty())
    platform.messageBox(logview_.get(), BoxKind::Information,
                        QStringLiteral("前回の終了時に編集中だったメッセージを開き直しました。\n\n") +
                            restored.join(QLatin1Char('\n')),
                        BoxButtons::Ok);
  if (!damaged.isEmpty())
    platform.messageBox(logview_.get(), BoxKind::Warning, damaged.join(QStringLiteral("\n\n")),
                        BoxButtons::Ok);
}

// The other windows go first: they refer to the main window's state.
Application::~Application() {
  dropGuard_.reset();
  outbox_.reset();
  alart_.reset();
  setLog_.reset();
  input_.reset();
  sig_.reset();
  list_.reset();
  hfset_.reset();
  init_.reset();
  mail_.reset();
  new_.reset();
  res_.reset();
  logview_.reset();
}

}  // namespace pelarin::gui
