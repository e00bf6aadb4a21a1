// The Signature Edit window: the file made at first use, its lines in and
// out, counters without colours, and failures that keep the user's text.
#include "gui/compose/sigwin.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "core/app/appstate.h"
#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/qtext.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;
using testing::sj;

namespace {

QPlainTextEdit* view(QWidget* w) { return control<QPlainTextEdit>(w, "SigView"); }
QString counter(QWidget* w, const char* name) { return control<QLabel>(w, name)->text(); }

// A state whose work directory is the test's directory.
AppState inDir(const testing::WorkDir& dir) {
  AppState state;
  state.WorkDir = pathToBytes(QDir(dir.path()).absolutePath() + QLatin1Char('/'));
  return state;
}

// Runs `inside` once the window is up, then lets `execute` return. Tells
// whether the window was shown at all.
std::shared_ptr<bool> whileOpen(TSigform& window, const std::function<void()>& inside) {
  auto shown = std::make_shared<bool>(false);
  QTimer::singleShot(0, &window, [&window, inside, shown] {
    if (!window.isVisible()) return;
    *shown = true;
    inside();
    if (window.isVisible()) window.reject();
  });
  return shown;
}

}  // namespace

class SigwinTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void firstUseMakesAnEmptyFileAndCancelKeepsIt() {
    testing::WorkDir dir;
    AppState state = inDir(dir);
    state.FontSize = 15;
    ScriptedPlatform platform;
    TSigform window(state, platform);
    const auto shown = whileOpen(window, [&] {
      QVERIFY(window.isModal());
      QVERIFY(dir.exists("sig.txt"));
      QCOMPARE(view(&window)->toPlainText(), QString());
      QCOMPARE(view(&window)->font().pointSize(), 15);
      QCOMPARE(counter(&window, "letternum"), QStringLiteral("0"));
      QCOMPARE(counter(&window, "linenum"), QStringLiteral("0"));
      view(&window)->setPlainText(QStringLiteral("typed"));
      control<QPushButton>(&window, "BitBtn2")->click();
      QVERIFY(!window.isVisible());
    });
    window.execute();
    QVERIFY(*shown);
    QCOMPARE(dir.read("sig.txt"), Bytes());
    QVERIFY(platform.boxes.empty());
  }

  void linesGoInAndOutWithCrLf() {
    testing::WorkDir dir;
    dir.write("sig.txt", sj("--\r\n山田 太郎\r\n  mail: taro\r\n"));
    AppState state = inDir(dir);
    ScriptedPlatform platform;
    TSigform window(state, platform);
    whileOpen(window, [&] {
      QCOMPARE(view(&window)->toPlainText(), QStringLiteral("--\n山田 太郎\n  mail: taro\n"));
      QCOMPARE(view(&window)->textCursor().position(), 0);
      control<QPushButton>(&window, "BitBtn1")->click();
      QVERIFY(!window.isVisible());
    });
    window.execute();
    QCOMPARE(dir.read("sig.txt"), sj("--\r\n山田 太郎\r\n  mail: taro\r\n"));
    QVERIFY(platform.boxes.empty());
  }

  void okWritesTheEditorsLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("no final break") << QStringLiteral("a\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("final break adds no line") << QStringLiteral("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("final empty line is kept") << QStringLiteral("a\nb\n\n") << QByteArray("a\r\nb\r\n\r\n");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("only a break") << QStringLiteral("\n") << QByteArray("\r\n");
  }

  void okWritesTheEditorsLines() {
    QFETCH(QString, text);
    QFETCH(QByteArray, file);
    testing::WorkDir dir;
    dir.write("sig.txt", "old\r\n");
    AppState state = inDir(dir);
    ScriptedPlatform platform;
    TSigform window(state, platform);
    whileOpen(window, [&] {
      view(&window)->setPlainText(text);
      control<QPushButton>(&window, "BitBtn1")->click();
    });
    window.execute();
    QCOMPARE(dir.read("sig.txt"), Bytes(file.constData(), size_t(file.size())));

    // What was written comes back as it was typed, a final empty line too.
    whileOpen(window, [&] {
      const QString back = view(&window)->toPlainText();
      QCOMPARE(back, text.isEmpty() || text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n'));
    });
    window.execute();
  }

  void countersFollowTheCaretButNeverColour() {
    testing::WorkDir dir;
    dir.write("sig.txt", sj("1\r\n2\r\nあいう\r\n"));
    AppState state = inDir(dir);
    // Thresholds every position passes.
    state.AlarmLetters = 1;
    state.LetterCaution = 0;
    state.AlarmLines = 1;
    state.LineCaution = 0;
    ScriptedPlatform platform;
    TSigform window(state, platform);
    auto* letters = control<QLabel>(&window, "letternum");
    auto* lines = control<QLabel>(&window, "linenum");
    const QColor letterBefore = letters->palette().color(QPalette::Window);
    const QColor lineBefore = lines->palette().color(QPalette::Window);
    whileOpen(window, [&] {
      QPlainTextEdit* editor = view(&window);
      editor->moveCursor(QTextCursor::Down);
      editor->moveCursor(QTextCursor::Down);
      QTest::keyClick(editor, Qt::Key_End);
      QCOMPARE(counter(&window, "letternum"), QStringLiteral("6"));
      QCOMPARE(counter(&window, "linenum"), QStringLiteral("3"));
      QCOMPARE(letters->palette().color(QPalette::Window), letterBefore);
      QCOMPARE(lines->palette().color(QPalette::Window), lineBefore);
    });
    window.execute();
  }

  void unreadableFileAtOpeningIsReportedAndNothingShown() {
    testing::WorkDir dir;
    AppState state = inDir(dir);
    state.WorkDir += "missing/";
    ScriptedPlatform platform;
    TSigform window(state, platform);
    const auto shown = whileOpen(window, [] {});
    window.execute();
    QVERIFY(!*shown);
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QVERIFY(!QDir(dir.file("missing")).exists());
  }

  void failedWriteKeepsTheWindowAndItsText_data() {
    QTest::addColumn<bool>("directoryGone");
    QTest::addColumn<QString>("text");
    QTest::newRow("directory gone") << true << QStringLiteral("new signature");
    QTest::newRow("no code page form") << false << QStringLiteral("new 🙂");
  }

  void failedWriteKeepsTheWindowAndItsText() {
    QFETCH(bool, directoryGone);
    QFETCH(QString, text);
    testing::WorkDir dir;
    dir.write("sig.txt", "kept\r\n");
    AppState state = inDir(dir);
    const Bytes workDir = state.WorkDir;
    ScriptedPlatform platform;
    TSigform window(state, platform);
    whileOpen(window, [&] {
      if (directoryGone) state.WorkDir += "missing/";
      view(&window)->setPlainText(text);
      control<QPushButton>(&window, "BitBtn1")->click();
      QVERIFY(window.isVisible());
      QCOMPARE(view(&window)->toPlainText(), text);
      state.WorkDir = workDir;
    });
    window.execute();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    // The user's file, never the temporary one beside it.
    if (directoryGone)
      QVERIFY2(platform.boxes[0].text.contains(QStringLiteral("/sig.txt\": ")),
               qPrintable(platform.boxes[0].text));
    QCOMPARE(dir.read("sig.txt"), Bytes("kept\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("sig.txt")});
  }

  void signatureOpensTheWindowFromTheMainWindow() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TSigform& window = app.sig();
    whileOpen(window, [&] {
      view(&window)->setPlainText(QStringLiteral("from the menu"));
      control<QPushButton>(&window, "BitBtn1")->click();
    });
    control<QAction>(&app.main(), "Signature1")->trigger();
    QCOMPARE(dir.read("sig.txt"), Bytes("from the menu\r\n"));
    QVERIFY(app.main().close());
  }
};

QTEST_MAIN(SigwinTest)
#include "sigwin_test.moc"
