// The Option and Help commands of the main window: the font of every text
// area, the help file, the version box.
#include <QAction>
#include <QFontDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <memory>

#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/compose/hfsetwin.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/compose/sigwin.h"
#include "gui/lists/input.h"
#include "gui/platform/qtplatform.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/reading/listwin.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;

class ViewmainOptionsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void fontGoesToEveryTextAreaAndTheSettings() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    auto* view = control<QPlainTextEdit>(&main, "Docview");
    const QFont before = view->font();

    control<QAction>(&main, "Font1")->trigger();  // cancelled
    QCOMPARE(view->font(), before);
    QCOMPARE(main.state().FontSize, 9);

    QFont chosen(QStringLiteral("DejaVu Sans Mono"), 12);
    chosen.setItalic(true);
    platform.fonts.push_back(chosen);
    control<QAction>(&main, "Font1")->trigger();
    QCOMPARE(view->font(), chosen);
    QCOMPARE(main.state().FontSize, 12);
    QCOMPARE(main.state().FontName, Bytes("DejaVu Sans Mono"));
    auto* grid = control<QTableView>(&app.list(), "MesList");
    QCOMPARE(grid->font(), chosen);
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 24);
    const QList<QPair<QWidget*, const char*>> areas{
        {&app.mail(), "MailView"},       {&app.newMessage(), "NewView"}, {&app.res(), "Resview"},
        {&app.input(), "SelectListBox"}, {&app.hfset(), "HLeft"},        {&app.hfset(), "FRight"},
        {&app.sig(), "SigView"}};
    for (const auto& [window, name] : areas) QVERIFY2(control<QWidget>(window, name)->font() == chosen, name);
    QVERIFY(platform.boxes.empty());
    QVERIFY(main.close());
  }
  void keepingTheFaceTheDefaultShowsKeepsItsName() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    TLogview& main = app.main();
    const QString shown = QFontInfo(control<QPlainTextEdit>(&main, "Docview")->font()).family();
    platform.fonts.push_back(QFont(shown, 11));
    control<QAction>(&main, "Font1")->trigger();
    QCOMPARE(main.state().FontName, testing::sj("ＭＳ ゴシック"));
    QCOMPARE(main.state().FontSize, 11);
    QVERIFY(main.close());
  }
  void helpShownAndClosedWhenTheFileExists() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    control<QAction>(&app.main(), "Help2")->trigger();
    QVERIFY(platform.helpShown.empty());

    dir.write(QStringLiteral("pelarin.HLP"), "<html></html>");
    control<QAction>(&app.main(), "Help2")->trigger();
    QCOMPARE(platform.helpShown.size(), size_t{1});
    QCOMPARE(platform.helpShown[0], dir.file(QStringLiteral("pelarin.HLP")));
    QVERIFY(app.main().close());
    QCOMPARE(platform.helpClosed.size(), size_t{1});
    QCOMPARE(platform.helpClosed[0], dir.file(QStringLiteral("pelarin.HLP")));
  }

  void aboutNamesTheProgramAndItsVersion() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    control<QAction>(&app.main(), "About1")->trigger();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Information);
    const QStringList lines = platform.boxes[0].text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("Pelarin")));
    QVERIFY(lines[0].contains(QStringLiteral(PELARIN_VERSION)));
    QVERIFY(app.main().close());
  }

  // Body lines wider than the window wrap only when the user asks, from the viewer's menu.
  void viewerWrapsLongLinesOnlyWhenAsked() {
    testing::WorkDir dir;
    ScriptedPlatform platform;
    Application app(platform);
    QPlainTextEdit* viewer = control<QPlainTextEdit>(&app.main(), "Docview");
    QCOMPARE(viewer->lineWrapMode(), QPlainTextEdit::NoWrap);
    std::unique_ptr<QMenu> menu(app.main().viewerMenu());
    QAction* wrap = nullptr;
    bool copy = false;
    for (QAction* a : menu->actions()) {
      if (a->objectName() == QStringLiteral("WrapLines")) wrap = a;
      copy = copy || a->objectName() == QStringLiteral("edit-copy");
    }
    QVERIFY(wrap);
    QVERIFY(copy);  // the standard commands stay
    QCOMPARE(QString(wrap->text()).remove(QLatin1Char('&')), QStringLiteral("Wrap long lines"));
    QVERIFY(!wrap->isChecked());
    wrap->trigger();
    QCOMPARE(viewer->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    wrap->trigger();
    QCOMPARE(viewer->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(app.main().close());
  }

  void fontDialogPreviewsJapanese() {
    QFontDialog dialog;
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    showJapaneseSample(dialog);
    bool japanese = false;
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
      japanese = japanese || edit->text().contains(QStringLiteral("あいう"));
    QVERIFY(japanese);
  }
};

QTEST_MAIN(ViewmainOptionsTest)
#include "viewmain_options_test.moc"
