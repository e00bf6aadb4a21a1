#include <QDialog>
#include <QPushButton>
#include <functional>
#include <memory>

#include "core/app/appstate.h"
#include "gui/compose/hfsetwin.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/compose/sigwin.h"
#include "gui/lists/input.h"
#include "gui/platform/scriptedplatform.h"
#include "gui/shared/controls.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;

namespace {

// Stored sizes as after Init Size: every width 0, so each window derives it.
AppState initialSizes() {
  AppState s;
  s.ResHeight = s.NewHeight = s.MailHeight = s.ListHeight = 380;
  s.InputListHeight = 0;
  s.ResTop = 11, s.ResLeft = 12, s.NewTop = 21, s.NewLeft = 22, s.MailTop = 31, s.MailLeft = 32;
  s.InputListTop = 41, s.InputListLeft = 42;
  return s;
}

QWidget* c(QWidget* window, const char* name) { return testing::control<QWidget>(window, name); }
int x(QWidget* w, const char* n) { return c(w, n)->x(); }
int y(QWidget* w, const char* n) { return c(w, n)->y(); }
int wd(QWidget* w, const char* n) { return c(w, n)->width(); }
int ht(QWidget* w, const char* n) { return c(w, n)->height(); }
int r(QWidget* w, const char* n) { return right(c(w, n)); }
int b(QWidget* w, const char* n) { return bottom(c(w, n)); }

// The editor fills the client width and the height left below its top.
void checkEditor(QWidget* w, const char* editor, int top) {
  QCOMPARE(c(w, editor)->geometry(), QRect(0, top, w->width(), qMax(0, w->height() - top)));
}

// letternum, Label2 and linenum follow Label1 on its top.
void checkCounters(QWidget* w, int left, int top, int gap) {
  QCOMPARE(c(w, "Label1")->pos(), QPoint(left, top));
  QCOMPARE(c(w, "letternum")->pos(), QPoint(r(w, "Label1") + 2, top));
  QCOMPARE(c(w, "Label2")->pos(), QPoint(r(w, "letternum") + gap, top));
  QCOMPARE(c(w, "linenum")->pos(), QPoint(r(w, "Label2") + 2, top));
}

void checkRes(QWidget* w) {
  QCOMPARE(ht(w, "ResTitle"), ht(w, "Edit1"));
  QCOMPARE(ht(w, "MesTitle"), ht(w, "Edit1"));
  QCOMPARE(y(w, "BitBtn1"), 5);
  QCOMPARE(x(w, "Edit1"), 5);
  QCOMPARE(b(w, "Edit1"), b(w, "BitBtn1"));
  for (const char* n : {"ResTitle", "Edit3", "Boardnum"}) QCOMPARE(y(w, n), y(w, "Edit1"));
  QCOMPARE(x(w, "ResTitle"), r(w, "Edit1"));
  QCOMPARE(x(w, "MesTitle"), x(w, "ResTitle"));
  QCOMPARE(wd(w, "MesTitle"), wd(w, "ResTitle"));
  QCOMPARE(r(w, "Edit2"), x(w, "MesTitle"));
  QCOMPARE(x(w, "Edit4"), r(w, "MesTitle") + 2);
  QCOMPARE(x(w, "Mesnum"), r(w, "Edit4"));
  QCOMPARE(x(w, "Boardnum"), x(w, "Mesnum"));
  QCOMPARE(r(w, "Edit3"), x(w, "Boardnum"));
  QCOMPARE(x(w, "BitBtn1"), r(w, "Boardnum") + 15);
  QCOMPARE(x(w, "BitBtn2"), x(w, "BitBtn1"));
  QCOMPARE(y(w, "Edit2"), b(w, "Edit1") + 5);
  for (const char* n : {"MesTitle", "Edit4", "Mesnum", "BitBtn2"}) QCOMPARE(y(w, n), y(w, "Edit2"));
  checkCounters(w, x(w, "Edit1"), b(w, "Edit2") + 5, 15);
  checkEditor(w, "Resview", b(w, "letternum") + 5);
}

void checkNew(QWidget* w) {
  QCOMPARE(y(w, "BitBtn1"), 5);
  QCOMPARE(y(w, "BitBtn2"), 5);
  QCOMPARE(b(w, "Edit1"), b(w, "BitBtn1"));
  QCOMPARE(c(w, "Boardnum")->geometry(),
           QRect(r(w, "Edit1"), y(w, "Edit1"), wd(w, "Boardnum"), ht(w, "Edit1")));
  QCOMPARE(x(w, "Edit1"), 5);
  QCOMPARE(x(w, "BitBtn1"), r(w, "Boardnum") + 30);
  QCOMPARE(x(w, "BitBtn2"), r(w, "BitBtn1") + 15);
  QCOMPARE(c(w, "Edit2")->pos(), QPoint(x(w, "Edit1"), b(w, "Edit1") + 5));
  QCOMPARE(c(w, "MesTitle")->geometry(),
           QRect(r(w, "Edit2"), y(w, "Edit2"), wd(w, "MesTitle"), ht(w, "Edit2")));
  checkCounters(w, x(w, "Edit1"), b(w, "Edit2") + 5, 30);
  checkEditor(w, "NewView", b(w, "Label1") + 1);
}

void checkMail(QWidget* w) {
  QCOMPARE(y(w, "Quotation"), 5);
  QCOMPARE(y(w, "BitBtn1"), 5);
  QCOMPARE(y(w, "BitBtn2"), 5);
  QCOMPARE(x(w, "Edit1"), 5);
  QCOMPARE(b(w, "Edit1"), b(w, "Quotation"));
  QCOMPARE(x(w, "Quotation"), r(w, "Edit1") + 15);
  QCOMPARE(x(w, "BitBtn1"), r(w, "Quotation") + 15);
  QCOMPARE(x(w, "BitBtn2"), r(w, "BitBtn1") + 15);
  int left = x(w, "Edit1");
  for (const char* n : {"ID0", "ID1", "ID2", "ID3", "ID4", "ID5", "ID6", "ID7", "ID8", "ID9"}) {
    QCOMPARE(c(w, n)->pos(), QPoint(left, b(w, "Quotation") + 5));
    left = r(w, n);
  }
  QCOMPARE(c(w, "Edit2")->pos(), QPoint(x(w, "Edit1"), b(w, "ID0") + 5));
  QCOMPARE(c(w, "MesTitle")->geometry(),
           QRect(r(w, "Edit2") + 1, y(w, "Edit2"), wd(w, "MesTitle"), ht(w, "Edit2")));
  checkCounters(w, x(w, "Edit1"), b(w, "Edit2") + 5, 30);
  checkEditor(w, "MailView", b(w, "Label1") + 1);
}

void checkSig(QWidget* w) {
  QCOMPARE(y(w, "BitBtn1"), 5);
  QCOMPARE(y(w, "BitBtn2"), 5);
  checkCounters(w, r(w, "BitBtn1") + 10, b(w, "BitBtn1") - ht(w, "Label1"), 15);
  QCOMPARE(x(w, "BitBtn2"), r(w, "linenum") + 20);
  checkEditor(w, "SigView", b(w, "BitBtn2") + 5);
}

void checkInput(QWidget* w) {
  QCOMPARE(c(w, "BitBtn1")->pos(), QPoint(5, 5));
  QCOMPARE(c(w, "BitBtn2")->geometry(), QRect(r(w, "BitBtn1") + 10, 5, wd(w, "BitBtn2"), ht(w, "BitBtn1")));
  checkEditor(w, "SelectListBox", b(w, "BitBtn1") + 5);
}

struct Case {
  const char* window;
  std::function<std::unique_ptr<QWidget>(AppState&, Platform&)> make;
  std::function<void(QWidget*)> check;
  const char* reference;  // the control a width of 0 is derived from
  int margin;
};

template <typename W>
std::unique_ptr<QWidget> make(AppState& state, Platform& platform) {
  return std::make_unique<W>(state, platform);
}

const std::vector<Case>& cases() {
  static const std::vector<Case> all{
      {"TResform", make<TResform>, checkRes, "BitBtn1", 8},
      {"TNewform", make<TNewform>, checkNew, "BitBtn2", 8},
      {"TMailform", make<TMailform>, checkMail, "ID9", 8},
      {"TSigform", make<TSigform>, checkSig, "BitBtn2", 8},
      {"TInputList", make<TInputList>, checkInput, "BitBtn2", 10},
  };
  return all;
}

void activate(QWidget* window) {
  QEvent event(QEvent::WindowActivate);
  QCoreApplication::sendEvent(window, &event);
}

void showAndSettle(QWidget* window) {
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window));
  QCoreApplication::processEvents();
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void eachLayoutRuleHoldsAtCreationAndAfterResizing() {
    for (const Case& k : cases()) {
      AppState state = initialSizes();
      ScriptedPlatform platform;
      auto window = k.make(state, platform);
      k.check(window.get());
      if (QTest::currentTestFailed()) return qWarning("at creation of %s", k.window);
      showAndSettle(window.get());
      // Wide, narrow, and too short for the editor (its height stays 0).
      for (const QSize size : {QSize(760, 520), QSize(260, 140), QSize(120, 40)}) {
        window->resize(size);
        QCOMPARE(window->size(), size);
        k.check(window.get());
        if (QTest::currentTestFailed()) return qWarning("%s at %dx%d", k.window, size.width(), size.height());
      }
    }
  }

  void aWidthOfZeroIsDerivedFromTheReferenceControl() {
    for (const Case& k : cases()) {
      AppState state = initialSizes();
      ScriptedPlatform platform;
      auto window = k.make(state, platform);
      const int derived = right(c(window.get(), k.reference)) + k.margin;
      QVERIFY2(window->width() == derived, k.window);
    }
    // Heights: the stored one, the pick list's derived one, the signature editor's design one.
    AppState state = initialSizes();
    ScriptedPlatform platform;
    TResform res(state, platform);
    QCOMPARE(res.height(), 380);
    TInputList input(state, platform);
    QCOMPARE(input.height(), bottom(c(&input, "BitBtn2")) + 100);
    TSigform sig(state, platform);
    QCOMPARE(sig.height(), TSigform::kDesignHeight);
  }

  void storedSizesAreTakenAsTheyAre() {
    AppState state = initialSizes();
    state.ResWidth = 610, state.ResHeight = 333;
    state.NewWidth = 620, state.NewHeight = 344;
    state.MailWidth = 630, state.MailHeight = 355;
    state.InputListWidth = 240, state.InputListHeight = 190;
    ScriptedPlatform platform;
    QCOMPARE(TResform(state, platform).size(), QSize(610, 333));
    QCOMPARE(TNewform(state, platform).size(), QSize(620, 344));
    QCOMPARE(TMailform(state, platform).size(), QSize(630, 355));
    QCOMPARE(TInputList(state, platform).size(), QSize(240, 190));
  }

  // A resize made while a composer stays open is undone at its next
  // activation; its close records the size and position it had.
  void composersTakeTheirSizeAtActivationAndRecordItAtClose() {
    struct Composer {
      const char* name;
      std::function<std::unique_ptr<QWidget>(AppState&, Platform&)> make;
      int32_t AppState::*height;
      int32_t AppState::*width;
      int32_t AppState::*top;
      int32_t AppState::*left;
    };
    const std::vector<Composer> composers{
        {"TResform", make<TResform>, &AppState::ResHeight, &AppState::ResWidth, &AppState::ResTop,
         &AppState::ResLeft},
        {"TNewform", make<TNewform>, &AppState::NewHeight, &AppState::NewWidth, &AppState::NewTop,
         &AppState::NewLeft},
        {"TMailform", make<TMailform>, &AppState::MailHeight, &AppState::MailWidth, &AppState::MailTop,
         &AppState::MailLeft},
    };
    for (const Composer& k : composers) {
      AppState state = initialSizes();
      ScriptedPlatform platform;
      auto window = k.make(state, platform);
      const QSize created = window->size();
      showAndSettle(window.get());
      // A size the user gives stays through the next activation.
      QVERIFY2(window->size() == created, k.name);
      window->resize(700, 500);
      activate(window.get());
      QVERIFY2(window->size() == QSize(700, 500), k.name);

      window->resize(650, 420);
      window->move(77, 88);
      window->close();
      QVERIFY2(state.*k.width == 650 && state.*k.height == 420, k.name);
      QVERIFY2(state.*k.left == 77 && state.*k.top == 88, k.name);

      state.*k.top = 15, state.*k.left = 25;
      static_cast<ComposerWindow*>(window.get())->placeAtStoredPosition();
      QVERIFY2(window->pos() == QPoint(25, 15), k.name);
      showAndSettle(window.get());
      QVERIFY2(window->size() == QSize(650, 420), k.name);
      // Any size the controls fit in; a smaller one grows to them (captions_test).
      window->resize(created.width() + 1, 300);
      activate(window.get());
      QVERIFY2(window->size() == QSize(created.width() + 1, 300), k.name);
    }
  }

  void thePickListTakesItsSizeAtCreationOnly() {
    AppState state = initialSizes();
    ScriptedPlatform platform;
    TInputList input(state, platform);
    auto* ok = testing::control<QPushButton>(&input, "BitBtn1");
    QVERIFY(!ok->isEnabled());
    input.placeAtStoredPosition();
    QCOMPARE(input.pos(), QPoint(42, 41));
    showAndSettle(&input);
    input.resize(333, 222);
    activate(&input);
    QCOMPARE(input.size(), QSize(333, 222));

    ok->setEnabled(true);
    input.move(50, 60);
    testing::control<QPushButton>(&input, "BitBtn2")->click();
    QVERIFY(!input.isVisible());
    QCOMPARE(input.result(), int(QDialog::Rejected));
    QCOMPARE(state.InputListWidth, 333);
    QCOMPARE(state.InputListHeight, 222);
    QCOMPARE(state.InputListLeft, 50);
    QCOMPARE(state.InputListTop, 60);
    QVERIFY(!ok->isEnabled());

    // The close box records too.
    showAndSettle(&input);
    input.resize(280, 180);
    input.close();
    QCOMPARE(state.InputListWidth, 280);
    QCOMPARE(state.InputListHeight, 180);
  }

  void theFontCommandReachesEveryTextArea() {
    AppState state = initialSizes();
    ScriptedPlatform platform;
    TResform res(state, platform);
    TNewform nw(state, platform);
    TMailform mail(state, platform);
    TSigform sig(state, platform);
    TInputList input(state, platform);
    THFsetform hfset(state, platform);
    QFont font(QStringLiteral("Monospace"));
    font.setPointSize(15);
    res.applyFont(font);
    nw.applyFont(font);
    mail.applyFont(font);
    sig.applyFont(font);
    input.applyFont(font);
    hfset.applyFont(font);
    const std::vector<std::pair<QWidget*, const char*>> areas{
        {&res, "Resview"},         {&nw, "NewView"},  {&mail, "MailView"}, {&sig, "SigView"},
        {&input, "SelectListBox"}, {&hfset, "HLeft"}, {&hfset, "Hsuf"},    {&hfset, "HRight"},
        {&hfset, "FLeft"},         {&hfset, "Fsuf"},  {&hfset, "FRight"}};
    for (const auto& [window, name] : areas) QVERIFY2(c(window, name)->font().pointSize() == 15, name);
    // Other controls keep theirs.
    QVERIFY(c(&res, "MesTitle")->font().pointSize() != 15);
  }
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
