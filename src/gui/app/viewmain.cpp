#include "gui/app/viewmain.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/app/lockfile.h"
#include "core/library/library.h"
#include "core/library/readerwalk.h"
#include "core/text/paths.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/programend.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/reading/listwin.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"
#include "gui/shared/keys.h"

namespace pelarin::gui {

namespace {

template <typename T>
T* named(QWidget* parent, const char* name) {
  auto* control = new T(parent);
  control->setObjectName(QString::fromLatin1(name));
  return control;
}

// The main window lays its controls out itself: only their widths matter here, measured.
QPushButton* button(QWidget* parent, const char* name, const char* caption, int width) {
  return designButton(parent, name, QString::fromLatin1(caption), QRect(0, 0, width, 23));
}

QLineEdit* caption(QWidget* parent, const char* name, int width, const char* text) {
  return captionBox(parent, name, QString::fromLatin1(text), QRect(0, 0, width, 25));
}

QLineEdit* value(QWidget* parent, const char* name, int width, const char* widest = "") {
  return valueBox(parent, name, QString::fromLatin1(widest), QRect(0, 0, width, 25));
}

}  // namespace

TLogview::TLogview(Platform& platform, QWidget* parent) : QMainWindow(parent), platform_(platform) {
  setWindowTitle(QStringLiteral("Pelarin for Windows    "));
  createControls();
  createMenus();
  openMenuBarOnF10(this, menuBar());
  work_ = std::make_unique<BackgroundWork>(this);
  connect(work_.get(), &BackgroundWork::started, this, [this] { setWorking(true); });
  connect(work_.get(), &BackgroundWork::ended, this, [this] { setWorking(false); });
  // Before the creation steps: a signal during one of their boxes still ends the program cleanly.
  if (ProgramEnd* end = ProgramEnd::instance())
    connect(end, &ProgramEnd::requested, this, &TLogview::endProgram);
  FormCreate();
}

TLogview::~TLogview() {
  if (writer_.joinable()) writer_.join();
}

void TLogview::attach(const Windows& windows) {
  windows_ = windows;
  if (TListform* list = windows_.list) {
    connect(list, &TListform::rowSelected, this, &TLogview::MesListSelectCell);
    connect(list, &TListform::listActivated, this, [this] { BtList->setEnabled(false); });
    connect(list, &TListform::listClosed, this, [this] { BtList->setEnabled(true); });
    list->setWorkRunner([this](const std::function<void(Progress&)>& work) {
      runWork({QStringLiteral("一覧の作成中"), QString(), 0, QStringLiteral("メッセージ")}, work);
    });
  }
  for (ComposerWindow* composer :
       std::initializer_list<ComposerWindow*>{windows_.newMessage, windows_.res, windows_.mail}) {
    if (!composer) continue;
    connect(composer, &ComposerWindow::composing, this, [this] { setComposing(true); });
    connect(composer, &ComposerWindow::composed, this, [this] { setComposing(false); });
  }
}

void TLogview::setComposing(bool on) {
  // No count of open composers is kept: any close enables all seven.
  for (const char* name :
       {"Load1", "Append1", "LoadBBSFile1", "Directry1", "Quotation1", "Signature1", "Relevance1"})
    if (QAction* item = findChild<QAction*>(QString::fromLatin1(name))) item->setEnabled(!on);
}

void TLogview::createControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  setCentralWidget(client);
  client->installEventFilter(this);

  BtPrevious = button(client, "BtPrevious", "<<", 80);
  BtResponce = button(client, "BtResponce", "RES..", 90);
  BtNext = button(client, "BtNext", ">>", 81);
  BtNewmes = button(client, "BtNewmes", "New Message", 101);
  BtMail = button(client, "BtMail", "Mail To..", 75);
  BtList = button(client, "BtList", "List", 73);
  BtResponce->setEnabled(false);
  BtList->setEnabled(false);

  Edit2 = caption(client, "Edit2", 73, "B.Number");
  BoadNumber = value(client, "BoadNumber", 41, "B99");
  Edit3 = caption(client, "Edit3", 97, "Mes. Number");
  Mesnumber = value(client, "Mesnumber", 41, "99999");
  Edit4 = caption(client, "Edit4", 48, "Writer");
  IDnum = value(client, "IDnum", 40, "9999");
  IDnum->setReadOnly(false);
  IDnum->setMaxLength(4);
  WriterName = value(client, "WriterName", 145);
  Edit5 = caption(client, "Edit5", 65, "Res. No.");
  ResTitle = value(client, "ResTitle", 65, "99999");
  Edit6 = caption(client, "Edit6", 41, "Title");
  Title = value(client, "Title", 300);

  nameBy(BoadNumber, {Edit2});
  nameBy(Mesnumber, {Edit3});
  describe(IDnum, Edit4->text() + QStringLiteral(" ID"));
  nameBy(WriterName, {Edit4});
  nameBy(ResTitle, {Edit5});
  nameBy(Title, {Edit6});
  describe(BtPrevious, QStringLiteral("Previous"), QStringLiteral("前のメッセージ"));
  describe(BtNext, QStringLiteral("Next"), QStringLiteral("次のメッセージ"));

  Docview = named<QPlainTextEdit>(client, "Docview");
  describe(Docview, QStringLiteral("Message"), QStringLiteral("読んでいるメッセージの本文"));
  Docview->setReadOnly(true);
  Docview->setLineWrapMode(QPlainTextEdit::NoWrap);
  Docview->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Docview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Docview->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 9));
  createViewerMenu();

  connect(BtPrevious, &QPushButton::clicked, this, &TLogview::BtPreviousClick);
  connect(BtResponce, &QPushButton::clicked, this, &TLogview::BtResponceClick);
  connect(BtNext, &QPushButton::clicked, this, &TLogview::BtNextClick);
  connect(BtNewmes, &QPushButton::clicked, this, &TLogview::BtNewmesClick);
  connect(BtMail, &QPushButton::clicked, this, &TLogview::BtMailClick);
  connect(BtList, &QPushButton::clicked, this, &TLogview::BtListClick);
  connect(BoadNumber, &QLineEdit::textChanged, this, &TLogview::BoadNumberChange);

  // The menu's shortcuts come before the editing keys of the focused box.
  for (QWidget* w : client->findChildren<QWidget*>()) w->installEventFilter(this);

  // The controls stand in their design places before the window has a size.
  layoutControls();
}

QAction* TLogview::addItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& key,
                           void (TLogview::*handler)()) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  if (!key.isEmpty()) {
    action->setShortcut(key);
    menuKeys_.insert(key);
  }
  connect(action, &QAction::triggered, this, handler);
  return action;
}

void TLogview::createMenus() {
  QMenuBar* bar = menuBar();
  auto menu = [bar](const char* name, const char* caption) {
    QMenu* m = bar->addMenu(QString::fromLatin1(caption));
    m->setObjectName(QString::fromLatin1(name));
    return m;
  };
  auto ctrl = [](char key) { return QKeySequence(Qt::CTRL | static_cast<Qt::Key>(key)); };

  QMenu* file = menu("File1", "&File");
  addItem(file, "Load1", QStringLiteral("&Load"), ctrl('O'), &TLogview::Load1Click);
  addItem(file, "Append1", QStringLiteral("&Append"), ctrl('A'), &TLogview::Append1Click);
  file->addSeparator();
  addItem(file, "LoadBBSFile1", QStringLiteral("Load &BBS File"), ctrl('W'), &TLogview::LoadBBSFile1Click);
  addItem(file, "UploadScript1", QStringLiteral("&Upload Script"), ctrl('S'), &TLogview::UploadScript1Click);
  file->addSeparator();
  addItem(file, "Exit1", QStringLiteral("E&xit"), ctrl('Q'), &TLogview::Exit1Click);

  QMenu* control = menu("Control1", "&Control");
  addItem(control, "Next1", QStringLiteral("&Next"), ctrl('K'), &TLogview::Next1Click);
  addItem(control, "Privious1", QStringLiteral("&Privious"), ctrl('J'), &TLogview::Privious1Click);
  control->addSeparator();
  addItem(control, "NewMessage1", QStringLiteral("New &Message"), ctrl('N'), &TLogview::BtNewmesClick);
  Responce1 =
      addItem(control, "Responce1", QStringLiteral("&Responce"), ctrl('R'), &TLogview::BtResponceClick);
  Responce1->setEnabled(false);
  addItem(control, "MailTo1", QStringLiteral("Mail &To"), ctrl('M'), &TLogview::BtMailClick);
  addItem(control, "List1", QStringLiteral("&List"), ctrl('L'), &TLogview::List1Click);

  QMenu* option = menu("Option1", "&Option");
  addItem(option, "Directry1", QStringLiteral("&Directry"), ctrl('Y'), &TLogview::Directry1Click);
  addItem(option, "Quotation1", QStringLiteral("&Quotation"), ctrl('I'), &TLogview::Quotation1Click);
  addItem(option, "Signature1", QStringLiteral("&Signature"), ctrl('G'), &TLogview::Signature1Click);
  addItem(option, "Font1", QStringLiteral("&Font"), ctrl('F'), &TLogview::Font1Click);
  addItem(option, "Relevance1", QStringLiteral("&Relevance"), ctrl('U'), &TLogview::Relevance1Click);
  addItem(option, "Alart1", QStringLiteral("&Other Config"), ctrl('E'), &TLogview::Alart1Click);
  option->addSeparator();
  addItem(option, "BoardList1", QStringLiteral("Make &Board List"), ctrl('B'), &TLogview::BoardList1Click);
  addItem(option, "NameList1", QStringLiteral("Make &Name List"), ctrl('Z'), &TLogview::NameList1Click);

  QMenu* window = menu("Window1", "&Window");
  addItem(window, "InitSize1", QStringLiteral("Init &Size"), ctrl('T'), &TLogview::InitSize1Click);
  addItem(window, "InitPosition1", QStringLiteral("Init &Position"), ctrl('P'),
          &TLogview::InitPosition1Click);

  createLibraryMenu(menu("Library1", "&Library"));

  // Disabled together while store work runs; each keeps its own state for after.
  storeCommands_ = new QActionGroup(this);
  storeCommands_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  for (const char* name :
       {"Load1", "Append1", "LoadBBSFile1", "Directry1", "BoardList1", "NameList1", "Next1", "Privious1",
        "NewMessage1", "Responce1", "MailTo1", "List1", "NextUnread1", "PreviousUnread1", "Mark1"})
    storeCommands_->addAction(findChild<QAction*>(QString::fromLatin1(name)));

  QMenu* help = menu("Help1", "&Help");
  Help2 = addItem(help, "Help2", QStringLiteral("&Help"), ctrl('H'), &TLogview::Help2Click);
  addItem(help, "About1", QStringLiteral("&About"), QKeySequence(), &TLogview::About1Click);
}

bool TLogview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize) {
    FormResize();
    return false;
  }
  if (event->type() == QEvent::KeyPress) {
    // Where the viewer or a box showing the header has it; a button and the ID box keep their Space.
    auto* box = qobject_cast<QLineEdit*>(watched);
    if ((watched == Docview || watched == centralWidget() || (box && box->isReadOnly())) &&
        spaceKey(static_cast<QKeyEvent*>(event)))
      return true;
  }
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Left unaccepted, the key goes to the menu item instead of the box.
    if (menuKeys_.contains(QKeySequence(key->keyCombination()))) return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TLogview::moveMainWindow(int top, int left) { move(left, top); }

void TLogview::setApplicationTitle(const Bytes& title) { applicationTitle_ = toQ(title); }

void TLogview::setMainCaption(const Bytes& caption) { setWindowTitle(toQ(caption)); }

void TLogview::setHelpFile(const std::filesystem::path& /*file*/) {
  // The Help command and the close look the file up again when they need it.
}

void TLogview::disableHelp() { Help2->setEnabled(false); }

void TLogview::setViewerFont(const Bytes& face, int size) {
  QFont font = Docview->font();
  font.setFamily(toQ(face));
  if (size > 0) font.setPointSize(size);
  Docview->setFont(font);
}

std::filesystem::path TLogview::workFile(const char* name) const {
  return pathFromText(state_.WorkDir + name);
}

}  // namespace pelarin::gui
