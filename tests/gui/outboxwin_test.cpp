// The Upload Script window: the script's records listed and checked, deleted
// and moved through whole-file writes, and edited again in their composers,
// whose OK then replaces the record where it stands.
#include "gui/outbox/outboxwin.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <functional>
#include <memory>
#include <utility>

#include "compose_testing.h"
#include "core/app/appstate.h"
#include "core/compose/draft.h"
#include "core/compose/uploadrecords.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using namespace pelarin::gui::testing;

namespace {

Bytes joined(std::initializer_list<Lines> records) {
  Bytes bytes;
  for (const Lines& record : records)
    for (const Bytes& line : record) bytes += line + "\r\n";
  return bytes;
}

const Lines kResponse = responseRecord("B5", "123", sj("花見の件"), {sj("> 桜が"), "", sj("行きます")});
const Lines kNew = newMessageRecord("B12", sj("新しい話"), {sj("本文")});
const Lines kMail = mailRecord(MailIds{"77", "1001"}, sj("お手紙"), {sj("こんにちは")});
const Bytes kHand = "G 5\r\n";

// Runs `meanwhile` once as the next box opens: what another program does
// while the user reads it.
struct Platform : ScriptedPlatform {
  std::function<void()> meanwhile;
  BoxAnswer messageBox(QWidget* parent, BoxKind kind, const QString& text, BoxButtons buttons) override {
    if (meanwhile) std::exchange(meanwhile, {})();
    return ScriptedPlatform::messageBox(parent, kind, text, buttons);
  }
};

struct Fixture {
  explicit Fixture(const Bytes& script = kHand + joined({kResponse, kNew, kMail})) {
    dir.write(QStringLiteral("upload.txt"), script);
    start();
  }
  ~Fixture() { stop(); }
  void start() {
    app = std::make_unique<Application>(platform);
    state().UploadFile = "upload.txt";
    state().UploadRewrite = 1;  // a normal record would ask now
    app->restoreDrafts();
    control<QAction>(&app->main(), "UploadScript1")->trigger();
  }
  void stop() {
    if (!app) return;
    for (ComposerWindow* c :
         std::initializer_list<ComposerWindow*>{&app->res(), &app->newMessage(), &app->mail()})
      c->close();
    app->main().close();
    app.reset();
  }

  AppState& state() { return app->main().state(); }
  TOutboxform& outbox() { return app->outbox(); }
  QTableWidget* list() { return control<QTableWidget>(&outbox(), "RecordList"); }
  void select(int row) { list()->selectRow(row); }
  void click(const char* name) { control<QPushButton>(&outbox(), name)->click(); }
  Bytes script() const { return dir.read(QStringLiteral("upload.txt")); }
  QStringList column(int c) {
    QStringList cells;
    for (int r = 0; r < list()->rowCount(); ++r) cells << list()->item(r, c)->text();
    return cells;
  }

  WorkDir dir;
  Platform platform;
  std::unique_ptr<Application> app;
};

}  // namespace

class OutboxTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void listsTheScriptInUseWithItsProblems() {
    Fixture f(kHand + joined({kResponse, kNew, {"M", "W", "ab", "", Bytes(33, 'x'), "/es"}}));
    QVERIFY(f.outbox().isVisible());
    QCOMPARE(f.outbox().windowTitle(), QStringLiteral("upload.txt - Upload Script"));
    QCOMPARE(f.column(1), (QStringList{"Text", "Responce", "New Message", "Mail"}));
    QCOMPARE(f.column(2), (QStringList{"", "B5", "B12", "ab"}));
    QCOMPARE(f.column(3), (QStringList{"G 5", "花見の件", "新しい話", QString(33, u'x')}));
    QCOMPARE(f.column(4), (QStringList{"1", "9", "6", "6"}));
    QCOMPARE(f.column(5).at(1), QString::number(joined({kResponse}).size()));
    f.select(1);
    QCOMPARE(control<QPlainTextEdit>(&f.outbox(), "RecordView")->toPlainText(),
             QStringLiteral("B5\nJ123\nW1\n花見の件\n> 桜が\n\n行きます\n/es\nE\n"));
    QVERIFY(control<QPushButton>(&f.outbox(), "BtEdit")->isEnabled());
    f.select(0);
    QVERIFY(!control<QPushButton>(&f.outbox(), "BtEdit")->isEnabled());  // hand-typed text has no composer
    QVERIFY(!control<QPushButton>(&f.outbox(), "BtUp")->isEnabled());
    auto* problems = control<QListWidget>(&f.outbox(), "ProblemList");
    QStringList texts;
    for (int i = 0; i < problems->count(); ++i) texts << problems->item(i)->text();
    QCOMPARE(texts, (QStringList{"4 番目 (19 行目): ID 'ab' が正しくありません",
                                 "4 番目 (21 行目): タイトルが 32 バイトを超えています (33 バイト)",
                                 "4 番目 (22 行目): \"/es\" の後に \"E\" がありません"}));
    problems->setCurrentRow(0);
    QCOMPARE(f.list()->currentRow(), 3);
  }

  void beforeAnythingNamesAScriptItIsTheOneTheComposersWouldChoose() {
    WorkDir dir;
    dir.write(QStringLiteral("upload.txt"), joined({kNew}));
    ScriptedPlatform platform;
    Application app(platform);
    QVERIFY(app.main().state().UploadFile.empty());  // a first start without settings
    control<QAction>(&app.main(), "UploadScript1")->trigger();
    QCOMPARE(app.outbox().windowTitle(), QStringLiteral("upload.txt - Upload Script"));
    QCOMPARE(app.outbox().content().blocks.size(), size_t(1));
    QVERIFY(app.main().state().UploadFile.empty());
    control<QTableWidget>(&app.outbox(), "RecordList")->selectRow(0);
    control<QPushButton>(&app.outbox(), "BtEdit")->click();
    QCOMPARE(app.newMessage().windowTitle(), QStringLiteral("upload.txt - New Message Window"));
    control<QLineEdit>(&app.newMessage(), "MesTitle")->setText(QStringLiteral("T"));
    control<QPushButton>(&app.newMessage(), "BitBtn1")->click();
    QCOMPARE(dir.read(QStringLiteral("upload.txt")), joined({newMessageRecord("B12", "T", {sj("本文")})}));
    QVERIFY(platform.boxes.empty());
    app.main().close();
  }

  void deleteAsksFirstAndRewritesTheScript() {
    Fixture f;
    f.select(2);
    f.platform.answers = {BoxAnswer::No};
    f.click("BtDelete");
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Confirmation);
    QCOMPARE(f.platform.boxes[0].buttons, BoxButtons::YesNoDefaultNo);
    QCOMPARE(f.platform.boxes[0].text,
             QStringLiteral("3 番目の New Message「新しい話」をアップロードファイルから削除しますか？"));
    QCOMPARE(f.script(), kHand + joined({kResponse, kNew, kMail}));
    f.platform.answers = {BoxAnswer::Yes};
    f.click("BtDelete");
    QCOMPARE(f.script(), kHand + joined({kResponse, kMail}));
    QCOMPARE(f.list()->rowCount(), 3);
    QCOMPARE(f.list()->currentRow(), 2);
  }

  void moveUpAndDownKeepEveryByte() {
    struct Case {
      int row;
      const char* button;
      Bytes script;
      int selected;
    } cases[] = {
        {3, "BtUp", kHand + joined({kResponse, kMail, kNew}), 2},
        {0, "BtDown", joined({kResponse}) + kHand + joined({kNew, kMail}), 1},
        {3, "BtDown", kHand + joined({kResponse, kNew, kMail}), 3},  // nothing below the last
    };
    for (const Case& c : cases) {
      Fixture f;
      f.select(c.row);
      f.click(c.button);
      QCOMPARE(f.script(), c.script);
      QCOMPARE(f.list()->currentRow(), c.selected);
      QVERIFY(f.platform.boxes.empty());
    }
  }

  void aScriptChangedElsewhereIsReadAgainNotOverwritten() {
    Fixture f;
    const Bytes elsewhere = joined({kMail});
    f.dir.write(QStringLiteral("upload.txt"), elsewhere);
    f.select(0);
    f.click("BtDown");
    QCOMPARE(f.script(), elsewhere);
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Information);
    QCOMPARE(f.column(1), QStringList{"Mail"});
  }

  // Ctrl+Up, Ctrl+Down and Delete from the list; another program's change is
  // read again when the window is activated, without a box.
  void keysMoveAndDeleteAndAnActivationRereads() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowActive(&f.outbox()));
    f.select(1);
    f.list()->setFocus();
    const struct {
      QKeyCombination key;
      Bytes script;
      int selected;
    } keys[] = {
        {Qt::CTRL | Qt::Key_Down, kHand + joined({kNew, kResponse, kMail}), 2},
        {Qt::CTRL | Qt::Key_Up, kHand + joined({kResponse, kNew, kMail}), 1},
        {QKeyCombination(Qt::Key_Delete), kHand + joined({kNew, kMail}), 1},
    };
    f.platform.answers = {BoxAnswer::Yes};
    for (const auto& k : keys) {
      QTest::keyClick(f.list(), k.key.key(), k.key.keyboardModifiers());
      QCOMPARE(f.script(), k.script);
      QCOMPARE(f.list()->currentRow(), k.selected);
    }
    const size_t boxes = f.platform.boxes.size();
    f.dir.write(QStringLiteral("upload.txt"), joined({kMail}));
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    QCOMPARE(f.list()->rowCount(), 3);
    f.outbox().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.outbox()));
    QCOMPARE(f.column(1), QStringList{"Mail"});
    QCOMPARE(f.platform.boxes.size(), boxes);
  }

  void aRecordAppendedWhileDeleteAsksIsKept() {
    Fixture f;
    f.select(2);
    f.platform.answers = {BoxAnswer::Yes};
    const Bytes appended = kHand + joined({kResponse, kNew, kMail, kNew});
    f.platform.meanwhile = [&] { f.dir.write(QStringLiteral("upload.txt"), appended); };
    f.click("BtDelete");
    QCOMPARE(f.script(), appended);
    QCOMPARE(f.platform.boxes.size(), size_t(2));
    QCOMPARE(f.platform.boxes[1].kind, BoxKind::Information);
    QCOMPARE(f.list()->rowCount(), 5);
  }

  void editOpensTheComposerOfTheKindFilledAndItsOkReplacesTheRecord() {
    struct Case {
      int row;
      const char* composer;
      const char* editor;
      QString text;
      Lines replaced;
    } cases[] = {
        {1, "res", "Resview", QStringLiteral("> 桜が\n\n行きます\n"),
         responseRecord("B5", "123", sj("直した題"), {sj("> 桜が"), "", sj("行きます")})},
        {2, "new", "NewView", QStringLiteral("本文\n"),
         newMessageRecord("B12", sj("直した題"), {sj("本文")})},
        {3, "mail", "MailView", QStringLiteral("こんにちは\n"),
         mailRecord(MailIds{"77", "1001"}, sj("直した題"), {sj("こんにちは")})},
    };
    for (const Case& c : cases) {
      Fixture f;
      f.select(c.row);
      f.click("BtEdit");
      ComposerWindow* w = QByteArray(c.composer) == "res" ? static_cast<ComposerWindow*>(&f.app->res())
                          : QByteArray(c.composer) == "new"
                              ? static_cast<ComposerWindow*>(&f.app->newMessage())
                              : static_cast<ComposerWindow*>(&f.app->mail());
      QVERIFY2(w->isVisible(), c.composer);
      QVERIFY(w->replacing());
      QCOMPARE(waitingItemsEnabled(&f.app->main()), 0);
      QCOMPARE(control<QPlainTextEdit>(w, c.editor)->toPlainText(), c.text);
      if (c.row == 1) {
        QCOMPARE(control<QLineEdit>(w, "Boardnum")->text(), QStringLiteral("B5"));
        QCOMPARE(control<QLineEdit>(w, "Mesnum")->text(), QStringLiteral("123"));
      } else if (c.row == 2) {
        QCOMPARE(control<QLineEdit>(w, "Boardnum")->text(), QStringLiteral("B12"));
      } else {
        QCOMPARE(control<QLineEdit>(w, "ID1")->text(), QStringLiteral("1001"));
      }
      auto* title = control<QLineEdit>(w, "MesTitle");
      const QString titles[] = {QStringLiteral("花見の件"), QStringLiteral("新しい話"),
                                QStringLiteral("お手紙")};
      QCOMPARE(title->text(), titles[c.row - 1]);
      title->setText(QStringLiteral("直した題"));
      control<QPushButton>(w, "BitBtn1")->click();
      QVERIFY(!w->isVisible());
      Lines records[] = {kResponse, kNew, kMail};
      records[c.row - 1] = c.replaced;
      QCOMPARE(f.script(), kHand + joined({records[0], records[1], records[2]}));
      QVERIFY2(f.platform.boxes.empty(), "no overwrite question");
      QCOMPARE(f.state().UploadRewrite, 1);
      QCOMPARE(f.column(3).at(c.row), QStringLiteral("直した題"));
      QVERIFY(!w->replacing());
    }
  }

  void theComposersNormalOpeningStillAppendsAfterAnEdit() {
    Fixture f;
    f.select(2);
    f.click("BtEdit");
    control<QPushButton>(&f.app->newMessage(), "BitBtn2")->click();  // Cancel: nothing written
    QCOMPARE(f.script(), kHand + joined({kResponse, kNew, kMail}));
    f.state().UploadRewrite = 0;
    control<QPushButton>(&f.app->main(), "BtNewmes")->click();
    QVERIFY(!f.app->newMessage().replacing());
    control<QLineEdit>(&f.app->newMessage(), "Boardnum")->setText(QStringLiteral("B3"));
    control<QLineEdit>(&f.app->newMessage(), "MesTitle")->setText(QStringLiteral("T"));
    control<QPushButton>(&f.app->newMessage(), "BitBtn1")->click();
    QCOMPARE(f.script(), kHand + joined({kResponse, kNew, kMail, newMessageRecord("B3", "T", {})}));
    QCOMPARE(f.list()->rowCount(), 5);  // the window followed the append
  }

  void aRecordGoneSinceTheEditIsAddedAtTheEnd() {
    Fixture f;
    f.select(1);
    f.click("BtEdit");
    f.dir.write(QStringLiteral("upload.txt"), joined({kMail}));
    control<QLineEdit>(&f.app->res(), "MesTitle")->setText(QStringLiteral("T"));
    control<QPushButton>(&f.app->res(), "BitBtn1")->click();
    QCOMPARE(f.script(),
             joined({kMail, responseRecord("B5", "123", "T", {sj("> 桜が"), "", sj("行きます")})}));
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Information);
    QCOMPARE(f.state().UploadRewrite, 1);  // the next composition still asks
  }

  void aDraftOfAnEditComesBackAsTheEdit() {
    Fixture f;
    f.select(3);
    f.click("BtEdit");
    control<QLineEdit>(&f.app->mail(), "MesTitle")->setText(QStringLiteral("下書きから"));
    f.platform.answers.push_back(BoxAnswer::Yes);  // end although the edit is not written
    f.app->main().close();                         // its draft stays
    const Draft draft =
        readDraft(f.dir.file(QStringLiteral("pelarin-mail.draft")).toStdString(), DraftKind::Mail);
    QCOMPARE(draft.replaces, joined({kMail}));
    QCOMPARE(draft.replacesAt, size_t(3));
    f.app.reset();

    f.platform.boxes.clear();
    f.start();
    QVERIFY(f.app->mail().isVisible());
    QVERIFY(f.app->mail().replacing());
    control<QPushButton>(&f.app->mail(), "BitBtn1")->click();
    QCOMPARE(f.script(),
             kHand + joined({kResponse, kNew,
                             mailRecord(MailIds{"77", "1001"}, sj("下書きから"), {sj("こんにちは")})}));
    QVERIFY(!f.dir.exists(QStringLiteral("pelarin-mail.draft")));
  }

  void anOpenComposerIsNotTakenOver() {
    Fixture f;
    control<QPushButton>(&f.app->main(), "BtNewmes")->click();
    control<QLineEdit>(&f.app->newMessage(), "MesTitle")->setText(QStringLiteral("typing"));
    f.select(2);
    f.click("BtEdit");
    QCOMPARE(f.platform.boxes.size(), size_t(1));
    QCOMPARE(f.platform.boxes[0].kind, BoxKind::Warning);
    QVERIFY(!f.app->newMessage().replacing());
    QCOMPARE(control<QLineEdit>(&f.app->newMessage(), "MesTitle")->text(), QStringLiteral("typing"));
  }
};

QTEST_MAIN(OutboxTest)
#include "outboxwin_test.moc"
