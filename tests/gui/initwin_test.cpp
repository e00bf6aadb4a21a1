// The Directories dialog: its layout, OK with the separator appended, Cancel,
// and its opening from the main window.
#include "gui/app/initwin.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

namespace {

QLineEdit* box(QWidget* w, const char* name) { return control<QLineEdit>(w, name); }

// Runs `inside` once the modal dialog is up, then lets `execute` return.
void whileOpen(TInitform& dialog, const std::function<void()>& inside) {
  QTimer::singleShot(0, &dialog, [&dialog, inside] {
    if (!dialog.isVisible()) qFatal("the dialog is not open");
    inside();
    if (dialog.isVisible()) dialog.reject();
  });
}

}  // namespace

class InitwinTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void laidOutOnceAtCreation() {
    AppState state;
    ScriptedPlatform platform;
    TInitform dialog(state, platform);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Initial Directories"));
    const QList<QPair<const char*, const char*>> rows{{"Edit2", "logfiledir"},
                                                      {"Edit1", "textfiledir"},
                                                      {"Edit3", "upfilename"},
                                                      {"Edit4", "listfilename"}};
    int top = 3;
    for (const auto& [label, edit] : rows) {
      const QRect l = box(&dialog, label)->geometry();
      const QRect e = box(&dialog, edit)->geometry();
      QCOMPARE(l.topLeft(), QPoint(8, top));
      QCOMPARE(l.size(), box(&dialog, "Edit2")->size());
      QCOMPARE(e.top(), top);
      QCOMPARE(e.left(), box(&dialog, "Edit2")->geometry().right() + 1 + 5);
      QCOMPARE(e.width(), box(&dialog, "logfiledir")->width());
      QCOMPARE(e.height(), box(&dialog, "Edit1")->height());
      QVERIFY(box(&dialog, label)->isReadOnly());
      top = l.bottom() + 1 + 1;
    }
    QCOMPARE(box(&dialog, "Edit3")->text(), QStringLiteral("UpLoad File Name"));
    const int buttonTop = box(&dialog, "Edit4")->geometry().bottom() + 1 + 5;
    QCOMPARE(control<QPushButton>(&dialog, "BitBtn1")->pos(), QPoint(48, buttonTop));
    QCOMPARE(control<QPushButton>(&dialog, "BitBtn2")->pos(), QPoint(200, buttonTop));
    const QRect text = box(&dialog, "textfiledir")->geometry();
    const QRect ok = control<QPushButton>(&dialog, "BitBtn1")->geometry();
    QCOMPARE(dialog.size(), QSize(text.right() + 1 + 8, ok.bottom() + 1 + 8));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
  }

  void okStoresTheBoxesWithSeparators() {
    AppState state;
    state.LogFileDir = "old/";
    state.UpFileName = "upload.txt";
    ScriptedPlatform platform;
    TInitform dialog(state, platform);
    whileOpen(dialog, [&] {
      QCOMPARE(box(&dialog, "logfiledir")->text(), QStringLiteral("old/"));
      box(&dialog, "logfiledir")->setText(QStringLiteral("/home/u/ログ"));
      box(&dialog, "textfiledir")->setText(QString());
      box(&dialog, "upfilename")->setText(QString());
      box(&dialog, "listfilename")->setText(QStringLiteral("host"));
      control<QPushButton>(&dialog, "BitBtn1")->click();
      QVERIFY(!dialog.isVisible());
      // The box shows the separator it got.
      QCOMPARE(box(&dialog, "logfiledir")->text(), QStringLiteral("/home/u/ログ/"));
    });
    dialog.execute();
    QCOMPARE(state.LogFileDir, testing::sj("/home/u/ログ/"));
    QCOMPARE(state.TextFileDir, Bytes());
    QCOMPARE(state.UpFileName, Bytes());
    QCOMPARE(state.ListFileName, Bytes("host"));
    QVERIFY(platform.boxes.empty());
  }

  void cancelChangesNothingAndTheNextOpeningShowsTheFields() {
    AppState state;
    state.LogFileDir = "logs/";
    state.ListFileName = "pelarin";
    ScriptedPlatform platform;
    TInitform dialog(state, platform);
    whileOpen(dialog, [&] {
      box(&dialog, "logfiledir")->setText(QStringLiteral("elsewhere"));
      box(&dialog, "listfilename")->setText(QStringLiteral("other"));
      control<QPushButton>(&dialog, "BitBtn2")->click();
    });
    dialog.execute();
    QCOMPARE(state.LogFileDir, Bytes("logs/"));
    QCOMPARE(state.ListFileName, Bytes("pelarin"));
    whileOpen(dialog, [&] { QCOMPARE(box(&dialog, "logfiledir")->text(), QStringLiteral("logs/")); });
    dialog.execute();
  }

  void textWithoutCodePageFormChangesNoField() {
    AppState state;
    state.LogFileDir = "logs/";
    ScriptedPlatform platform;
    TInitform dialog(state, platform);
    whileOpen(dialog, [&] {
      box(&dialog, "logfiledir")->setText(QStringLiteral("new"));
      box(&dialog, "textfiledir")->setText(QStringLiteral("보관"));
      box(&dialog, "listfilename")->setText(QStringLiteral("😀"));
      control<QPushButton>(&dialog, "BitBtn1")->click();
      // The error is shown and the dialog stays open with the user's text.
      QVERIFY(dialog.isVisible());
      QCOMPARE(box(&dialog, "logfiledir")->text(), QStringLiteral("new"));
    });
    dialog.execute();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    // These texts are kept, not sent: the box says so, with every field's characters.
    QCOMPARE(platform.boxes[0].text,
             QStringLiteral("Shift-JIS で表せないため設定に保存できない文字があります:\n"
                            "Text File Directory: \"보\" (U+BCF4) \"관\" (U+AD00)\n"
                            "List File Name: \"😀\" (U+1F600)\n"
                            "設定は変わっていません。"));
    QCOMPARE(state.LogFileDir, Bytes("logs/"));
  }

  void directryOpensTheDialogFromTheMainWindow() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TInitform& dialog = app.init();
    bool wasModal = false;
    whileOpen(dialog, [&] {
      wasModal = dialog.isModal();
      box(&dialog, "textfiledir")->setText(QStringLiteral("out"));
      control<QPushButton>(&dialog, "BitBtn1")->click();
    });
    control<QAction>(&app.main(), "Directry1")->trigger();
    QVERIFY(wasModal);
    QCOMPARE(app.main().state().TextFileDir, Bytes("out/"));
    QVERIFY(app.main().close());
  }
};

QTEST_MAIN(InitwinTest)
#include "initwin_test.moc"
