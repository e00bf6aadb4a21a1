// Drafts: every open composer's fields and text are kept in the work
// directory while it is written, removed by the user's close, kept when the
// program ends, and reopened by the next start.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

#include "compose_testing.h"
#include "core/app/appstate.h"
#include "core/compose/draft.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"
#include "viewmain_testlogs.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

const QString kEmoji = QStringLiteral("😀");

struct Fixture {
  // Drafts planted before the start go in through `before`.
  explicit Fixture(const std::function<void(WorkDir&)>& before = {}) {
    if (before) before(dir);
    app = std::make_unique<Application>(platform);
  }
  ~Fixture() {
    for (ComposerWindow* c : composers()) c->close();
    app->main().close();
  }

  AppState& state() { return app->main().state(); }
  std::vector<ComposerWindow*> composers() { return {&app->res(), &app->newMessage(), &app->mail()}; }
  ComposerWindow& composer(DraftKind kind) {
    switch (kind) {
      case DraftKind::Response:
        return app->res();
      case DraftKind::NewMessage:
        return app->newMessage();
      case DraftKind::Mail:
        break;
    }
    return app->mail();
  }

  // Opens the kind's window as its command does; a response answers board 5's message 123.
  void open(DraftKind kind) {
    if (kind == DraftKind::Response && state().MesCount == 0) {
      dir.write(QStringLiteral("a.log"),
                sj("● [ BBS5 雑談\r\n") + countedMessage(123, sj("花見の話"), "1001", sj("山田"), {"x"}));
      platform.files.push_back(dir.file(QStringLiteral("a.log")));
      control<QAction>(&app->main(), "Load1")->trigger();
    }
    const char* button = kind == DraftKind::Response     ? "BtResponce"
                         : kind == DraftKind::NewMessage ? "BtNewmes"
                                                         : "BtMail";
    control<QPushButton>(&app->main(), button)->click();
    if (!composer(kind).isVisible()) qFatal("the composer did not open");
  }

  // Fills the fields OK needs and the text, with a character OK would refuse.
  void fill(DraftKind kind, const QString& text) {
    ComposerWindow& w = composer(kind);
    if (kind == DraftKind::NewMessage) control<QLineEdit>(&w, "Boardnum")->setText(QStringLiteral("B5"));
    if (kind == DraftKind::Mail) control<QLineEdit>(&w, "ID0")->setText(QStringLiteral("77"));
    control<QLineEdit>(&w, "MesTitle")->setText(QStringLiteral("題"));
    editor(kind)->setPlainText(text);
  }

  QPlainTextEdit* editor(DraftKind kind) {
    const char* name = kind == DraftKind::Response     ? "Resview"
                       : kind == DraftKind::NewMessage ? "NewView"
                                                       : "MailView";
    return control<QPlainTextEdit>(&composer(kind), name);
  }

  QString draftName(DraftKind kind) const { return QString::fromLatin1(draftFileName(kind)); }
  bool hasDraft(DraftKind kind) const { return dir.exists(draftName(kind)); }
  Draft draft(DraftKind kind) const { return readDraft(dir.file(draftName(kind)).toStdString(), kind); }
  QString draftText(DraftKind kind) const {
    const char* name = kind == DraftKind::Response     ? "Resview"
                       : kind == DraftKind::NewMessage ? "NewView"
                                                       : "MailView";
    return QString::fromStdString(draft(kind).field(name));
  }

  WorkDir dir;
  ScriptedPlatform platform;
  std::unique_ptr<Application> app;
};

void plant(WorkDir& dir, const Draft& draft) {
  writeDraft(dir.file(QString::fromLatin1(draftFileName(draft.kind))).toStdString(), draft);
}

Draft planted(DraftKind kind, std::map<std::string, Bytes> fields) {
  Draft draft;
  draft.kind = kind;
  draft.uploadFile = "nifty.txt";
  for (const DraftField& f : draftFields(kind)) fields.try_emplace(f.name);
  draft.fields = std::move(fields);
  return draft;
}

const DraftKind kKinds[] = {DraftKind::Response, DraftKind::NewMessage, DraftKind::Mail};

}  // namespace

class DraftsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void typingSavesTheDraftWithinTwoSecondsEvenWhileItGoesOn() {
    QVERIFY(ComposerWindow::kDraftDelay <= 2000);
    Fixture f;
    f.open(DraftKind::NewMessage);
    f.platform.boxes.clear();
    QTest::qWait(ComposerWindow::kDraftDelay + 200);  // what the opening filled in
    QVERIFY(f.hasDraft(DraftKind::NewMessage));

    QPlainTextEdit* view = f.editor(DraftKind::NewMessage);
    view->setFocus();
    type(view, QStringLiteral("a"));
    const QTimer& timer = f.app->newMessage().draftTimer();
    QVERIFY(timer.isActive());
    const int first = timer.remainingTime();
    // Typing on does not put the save off: a wait for a pause would never come.
    for (int i = 0; i < 4; ++i) {
      QTest::qWait(100);
      type(view, QStringLiteral("b"));
    }
    QVERIFY(timer.isActive());
    QVERIFY2(timer.remainingTime() <= first - 300, qPrintable(QString::number(timer.remainingTime())));
    QCOMPARE(f.draftText(DraftKind::NewMessage), QString());
    QTRY_COMPARE_WITH_TIMEOUT(f.draftText(DraftKind::NewMessage), QStringLiteral("abbbb"),
                              ComposerWindow::kDraftDelay);
    QVERIFY(f.platform.boxes.empty());
  }

  void theDraftHoldsEveryFieldAndTheScript() {
    for (const DraftKind kind : kKinds) {
      Fixture f;
      f.state().UploadFile = "other.txt";  // the opening chooses upload.txt
      f.open(kind);
      f.fill(kind, QStringLiteral("一行目\n\n") + kEmoji + QStringLiteral("\r末尾 "));
      if (kind == DraftKind::Mail)
        for (const char* id : {"ID1", "ID2", "ID9"})
          control<QLineEdit>(&f.composer(kind), id)->setText(QString::fromLatin1(id));
      f.composer(kind).saveDraftNow();
      const Draft d = f.draft(kind);
      QCOMPARE(d.uploadFile, Bytes("upload.txt"));
      QCOMPARE(d.field("MesTitle"), Bytes("題"));
      QCOMPARE(f.draftText(kind), f.editor(kind)->toPlainText());
      QVERIFY(f.draftText(kind).contains(kEmoji));
      if (kind == DraftKind::Response) {
        QCOMPARE(d.field("Boardnum"), Bytes("B5"));
        QCOMPARE(d.field("Mesnum"), Bytes("123"));
        QVERIFY(d.field("ResTitle").starts_with("花見の話"));
        QCOMPARE(QString::fromStdString(d.field("ResTitle")),
                 control<QLineEdit>(&f.composer(kind), "ResTitle")->text());
      } else if (kind == DraftKind::NewMessage) {
        QCOMPARE(d.field("Boardnum"), Bytes("B5"));
      } else {
        QCOMPARE(d.field("ID0"), Bytes("77"));
        QCOMPARE(d.field("ID2"), Bytes("ID2"));
        QCOMPARE(d.field("ID9"), Bytes("ID9"));
        QCOMPARE(d.field("ID3"), Bytes());
      }
    }
  }

  void theUsersCloseRemovesTheDraft() {
    for (const DraftKind kind : kKinds) {
      for (const char* how : {"OK", "Cancel", "close box"}) {
        Fixture f;
        f.open(kind);
        f.fill(kind, QStringLiteral("text"));
        f.composer(kind).saveDraftNow();
        QVERIFY(f.hasDraft(kind));
        if (QByteArray(how) == "OK")
          control<QPushButton>(&f.composer(kind), "BitBtn1")->click();
        else if (QByteArray(how) == "Cancel")
          control<QPushButton>(&f.composer(kind), "BitBtn2")->click();
        else
          f.composer(kind).close();
        QVERIFY2(!f.composer(kind).isVisible(), how);
        QVERIFY2(!f.hasDraft(kind), how);
        // Nor does a save still waiting bring it back.
        QTest::qWait(10);
        QVERIFY(!f.composer(kind).draftTimer().isActive());
        if (QByteArray(how) == "OK") QVERIFY(f.dir.exists(QStringLiteral("upload.txt")));
      }
    }
  }

  void aFailedOkKeepsTheDraft() {
    for (const DraftKind kind : kKinds) {
      Fixture f;
      f.state().TextFileDir = f.state().WorkDir + "missing/";
      f.open(kind);
      f.fill(kind, QStringLiteral("keep me ") + kEmoji);
      f.composer(kind).saveDraftNow();
      f.platform.boxes.clear();
      control<QPushButton>(&f.composer(kind), "BitBtn1")->click();
      QCOMPARE(f.platform.boxes.size(), size_t(1));
      QCOMPARE(f.platform.boxes[0].kind, BoxKind::Error);
      QVERIFY(f.composer(kind).isVisible());
      QCOMPARE(f.draftText(kind), QStringLiteral("keep me ") + kEmoji);
    }
  }

  void theProgramsEndKeepsTheDraftWithTheLastChange() {
    for (const DraftKind kind : kKinds) {
      Fixture f;
      f.open(kind);
      f.fill(kind, QStringLiteral("saved"));
      f.composer(kind).saveDraftNow();
      f.editor(kind)->setPlainText(QStringLiteral("typed just before the end"));
      QVERIFY(f.composer(kind).draftTimer().isActive());
      f.platform.answers.push_back(BoxAnswer::Yes);  // end although the composition is not sent
      f.app->main().close();
      QVERIFY(f.composer(kind).programEnding());
      QCOMPARE(f.draftText(kind), QStringLiteral("typed just before the end"));
      // Quitting closes the windows that are left: that is not the user's close.
      f.composer(kind).close();
      QVERIFY(f.hasDraft(kind));
      QCOMPARE(f.draftText(kind), QStringLiteral("typed just before the end"));
    }
  }

  void aDraftThatCannotBeSavedIsSaidOnce() {
    Fixture f;
    QDir(f.dir.path()).mkdir(f.draftName(DraftKind::Mail));  // in the way of the file
    f.open(DraftKind::Mail);
    f.platform.boxes.clear();
    for (const char* text : {"one", "two", "three"}) {
      f.editor(DraftKind::Mail)->setPlainText(QString::fromLatin1(text));
      f.app->mail().saveDraftNow();
    }
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Warning);
    QVERIFY(f.platform.boxes[0].text.startsWith(QStringLiteral("下書きを保存できませんでした。")));
    QVERIFY(f.app->mail().isVisible());
  }

  void theStartReopensEveryComposerWithItsFields() {
    const Bytes text = "一行目\n\n二行目 \xF0\x9F\x98\x80\n";
    Fixture f([&](WorkDir& dir) {
      plant(dir, planted(DraftKind::Response, {{"Boardnum", "I3"},
                                               {"Mesnum", "00045"},
                                               {"ResTitle", "花見の話"},
                                               {"MesTitle", "Re: 花見"},
                                               {"Resview", text}}));
      plant(dir,
            planted(DraftKind::NewMessage, {{"Boardnum", "B12 x"}, {"MesTitle", "新"}, {"NewView", text}}));
      plant(dir,
            planted(DraftKind::Mail,
                    {{"ID0", "77"}, {"ID1", "78"}, {"ID9", "99"}, {"MesTitle", "便"}, {"MailView", text}}));
    });
    QVERIFY(f.platform.boxes.empty());
    f.app->restoreDrafts();

    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Information);
    QCOMPARE(f.platform.boxes[0].text,
             QStringLiteral("前回の終了時に編集中だったメッセージを開き直しました。\n\n"
                            "Responce Window\nNew Message Window\nMail Window"));
    QCOMPARE(f.state().UploadFile, Bytes("nifty.txt"));
    QCOMPARE(waitingItemsEnabled(&f.app->main()), 0);
    for (const DraftKind kind : kKinds) {
      ComposerWindow& w = f.composer(kind);
      QVERIFY(w.isVisible());
      QCOMPARE(w.windowTitle(), QStringLiteral("nifty.txt - ") + w.designCaption());
      QCOMPARE(f.editor(kind)->toPlainText(), QString::fromStdString(text));
      QVERIFY(!w.draftTimer().isActive());  // the file holds it all already
      QVERIFY(f.hasDraft(kind));
    }
    QCOMPARE(control<QLineEdit>(&f.app->res(), "Boardnum")->text(), QStringLiteral("I3"));
    QCOMPARE(control<QLineEdit>(&f.app->res(), "Mesnum")->text(), QStringLiteral("00045"));
    QCOMPARE(control<QLineEdit>(&f.app->res(), "ResTitle")->text(), QStringLiteral("花見の話"));
    QCOMPARE(control<QLineEdit>(&f.app->res(), "MesTitle")->text(), QStringLiteral("Re: 花見"));
    QCOMPARE(control<QLineEdit>(&f.app->newMessage(), "Boardnum")->text(), QStringLiteral("B12 x"));
    QCOMPARE(control<QLineEdit>(&f.app->newMessage(), "MesTitle")->text(), QStringLiteral("新"));
    QVERIFY(control<QPushButton>(&f.app->newMessage(), "BitBtn1")->isEnabled());
    QCOMPARE(control<QLineEdit>(&f.app->mail(), "ID0")->text(), QStringLiteral("77"));
    QCOMPARE(control<QLineEdit>(&f.app->mail(), "ID1")->text(), QStringLiteral("78"));
    QCOMPARE(control<QLineEdit>(&f.app->mail(), "ID2")->text(), QString());
    QCOMPARE(control<QLineEdit>(&f.app->mail(), "ID9")->text(), QStringLiteral("99"));
    QVERIFY(!control<QPushButton>(&f.app->mail(), "Quotation")->isEnabled());

    // OK writes into the script the composition was for, though no log names it, and removes the draft.
    f.editor(DraftKind::Response)->setPlainText(QStringLiteral("本文"));
    control<QPushButton>(&f.app->res(), "BitBtn1")->click();
    QCOMPARE(crlfLines(f.dir.read(QStringLiteral("nifty.txt"))),
             (std::vector<Bytes>{"I3", "J00045", "W1", sj("Re: 花見"), sj("本文"), "/es", "E"}));
    QVERIFY(!f.hasDraft(DraftKind::Response));
    QVERIFY(f.hasDraft(DraftKind::Mail));
  }

  void theStartWithoutDraftsSaysNothing() {
    Fixture f;
    f.app->restoreDrafts();
    QVERIFY(f.platform.boxes.empty());
    for (ComposerWindow* c : f.composers()) QVERIFY(!c->isVisible());
  }

  void aDamagedDraftIsReportedAndKept() {
    const Bytes damaged = "Pelarin draft 1\r\nkind=mail\r\nMailView=half a mess";
    Fixture f([&](WorkDir& dir) {
      dir.write(QString::fromLatin1(draftFileName(DraftKind::Mail)), damaged);
      plant(dir, planted(DraftKind::NewMessage, {{"NewView", "fine"}}));
    });
    f.app->restoreDrafts();
    QVERIFY(!f.app->mail().isVisible());
    QVERIFY(f.app->newMessage().isVisible());
    QCOMPARE(f.platform.boxes.size(), size_t(2));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Information);
    QCOMPARE(f.platform.boxes[1].kind, BoxKind::Warning);
    const QString& said = f.platform.boxes[1].text;
    QVERIFY2(said.startsWith(QStringLiteral("下書き '") + f.dir.file(f.draftName(DraftKind::Mail))),
             qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("pelarin-mail.draft.bad' として残してあります。")),
             qPrintable(said));
    QVERIFY(!f.hasDraft(DraftKind::Mail));
    QCOMPARE(f.dir.read(f.draftName(DraftKind::Mail) + QStringLiteral(".bad")), damaged);

    // The window can be used as ever; its draft starts afresh.
    f.app->mail().open(false);
    f.app->mail().saveDraftNow();
    QVERIFY(f.hasDraft(DraftKind::Mail));
  }

  void aRefusedStartRestoresNothing() {
    int held = -1;
    Fixture f([&](WorkDir& dir) {
      plant(dir, planted(DraftKind::NewMessage, {{"NewView", "mine"}}));
      dir.write(QStringLiteral("upload.tmp"), "");
      // Another copy holds the work directory.
      held = ::open(dir.file(QStringLiteral("upload.tmp")).toLocal8Bit().constData(), O_RDWR);
      if (held < 0 || ::flock(held, LOCK_EX | LOCK_NB) != 0) qFatal("cannot hold the lock");
    });
    QVERIFY(f.app->main().refused());
    f.platform.boxes.clear();
    f.app->restoreDrafts();
    QVERIFY(f.platform.boxes.empty());
    QVERIFY(!f.app->newMessage().isVisible());
    QVERIFY(f.hasDraft(DraftKind::NewMessage));
    ::close(held);
  }
};

QTEST_MAIN(DraftsTest)
#include "drafts_test.moc"
