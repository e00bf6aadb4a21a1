// The Quotation Setting Window: its layout, the ten settings in and out,
// RESET into the controls only, and a text without a code page 932 form.
#include "gui/compose/hfsetwin.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>

#include "core/app/appstate.h"
#include "core/app/defaults.h"
#include "gui/compose/radiogroup.h"
#include "gui/platform/scriptedplatform.h"
#include "support/guitest.h"

using namespace pelarin;
using namespace pelarin::gui;
using testing::control;
using testing::sj;

namespace {

QLineEdit* box(QWidget* w, const char* name) { return control<QLineEdit>(w, name); }
RadioGroup* group(QWidget* w, const char* name) { return control<RadioGroup>(w, name); }
QPushButton* button(QWidget* w, const char* name) { return control<QPushButton>(w, name); }
int rightOf(const QWidget* w) { return w->x() + w->width(); }
int bottomOf(const QWidget* w) { return w->y() + w->height(); }

AppState quotation() {
  AppState s;
  s.QuoteMark = sj("＞");
  s.QuoteStyle = 1;
  s.HeaderLeft = "<<";
  s.HeaderCenter = 0;
  s.HeaderSuffix = sj("さんへ");
  s.HeaderRight = ">>";
  s.FooterLeft = "[";
  s.FooterCenter = 1;
  s.FooterSuffix = "";
  s.FooterRight = "]";
  return s;
}

void whileOpen(THFsetform& dialog, const std::function<void()>& inside) {
  QTimer::singleShot(0, &dialog, [&dialog, inside] {
    if (!dialog.isVisible()) qFatal("the dialog is not open");
    inside();
    if (dialog.isVisible()) dialog.reject();
  });
}

}  // namespace

class HfsetwinTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void laidOutOnceAtCreation() {
    AppState state;
    ScriptedPlatform platform;
    THFsetform d(state, platform);
    QCOMPARE(d.windowTitle(), QStringLiteral("Quotation Setting Window"));
    QWidget* hLeft = box(&d, "HLeft");
    const int edge = rightOf(hLeft);
    // Header and footer blocks: caption, "Left", left box; the centre group
    // under them with "Suffics" and "Right" rows beside it.
    const struct {
      const char *caption, *text, *leftLabel, *left, *centre, *suffixLabel, *suffix, *rightLabel, *right;
    } blocks[] = {{"Edit1", "Hedder", "Edit2", "HLeft", "HedRadio", "Edit3", "Hsuf", "Edit4", "HRight"},
                  {"Edit5", "Footer", "Edit6", "FLeft", "FootRadio", "Edit7", "Fsuf", "Edit8", "FRight"}};
    int top = 5;
    for (const auto& b : blocks) {
      QCOMPARE(box(&d, b.caption)->text(), QLatin1String(b.text));
      QCOMPARE(box(&d, b.caption)->pos(), QPoint(5, top));
      QCOMPARE(box(&d, b.leftLabel)->text(), QStringLiteral("Left"));
      QCOMPARE(box(&d, b.leftLabel)->pos(), QPoint(rightOf(box(&d, b.caption)) + 2, top));
      QCOMPARE(box(&d, b.left)->pos(), QPoint(rightOf(box(&d, b.leftLabel)) + 2, top));
      QCOMPARE(rightOf(box(&d, b.left)), edge);
      RadioGroup* centre = group(&d, b.centre);
      QCOMPARE(centre->pos(), QPoint(5, bottomOf(box(&d, b.left)) + 3));
      QCOMPARE(box(&d, b.suffixLabel)->text(), QStringLiteral("Suffics"));
      QCOMPARE(box(&d, b.suffixLabel)->pos(), QPoint(rightOf(centre) + 2, centre->y()));
      QCOMPARE(box(&d, b.suffix)->pos(), QPoint(rightOf(box(&d, b.suffixLabel)) + 2, centre->y()));
      QCOMPARE(rightOf(box(&d, b.suffix)), edge);
      QCOMPARE(box(&d, b.rightLabel)->text(), QStringLiteral("Right"));
      QCOMPARE(box(&d, b.rightLabel)->x(), box(&d, b.suffixLabel)->x());
      QVERIFY(box(&d, b.rightLabel)->y() > bottomOf(box(&d, b.suffixLabel)));
      QCOMPARE(box(&d, b.right)->pos(),
               QPoint(rightOf(box(&d, b.rightLabel)) + 2, box(&d, b.rightLabel)->y()));
      QCOMPARE(rightOf(box(&d, b.right)), edge);
      for (const char* name : {b.left, b.suffix, b.right})
        QCOMPARE(box(&d, name)->height(), box(&d, b.caption)->height());
      QCOMPARE(bottomOf(centre), bottomOf(box(&d, b.right)));
      QCOMPARE(centre->title(), QStringLiteral("Center"));
      QCOMPARE(centre->count(), 3);
      QCOMPARE(centre->item(2)->text(), QStringLiteral("Date"));
      top = bottomOf(centre) + 10;
    }
    RadioGroup* style = group(&d, "Qradio");
    QCOMPARE(style->title(), QStringLiteral("Quotation"));
    QCOMPARE(style->item(1)->text(), QStringLiteral("Name"));
    QCOMPARE(style->pos(), QPoint(5, bottomOf(group(&d, "FootRadio")) + 5));
    QCOMPARE(box(&d, "Edit9")->text(), QStringLiteral("Mark"));
    QCOMPARE(box(&d, "Edit9")->pos(), QPoint(rightOf(style) + 2, style->y()));
    QCOMPARE(box(&d, "Qmark")->pos(), QPoint(rightOf(box(&d, "Edit9")) + 2, style->y()));
    QCOMPARE(rightOf(box(&d, "Qmark")), rightOf(box(&d, "FRight")));

    QPushButton* ok = button(&d, "BitBtn1");
    QCOMPARE(ok->pos(), QPoint(box(&d, "Edit8")->x(), bottomOf(style) + 10));
    QCOMPARE(button(&d, "BtReset")->text(), QStringLiteral("RESET"));
    QCOMPARE(button(&d, "BtReset")->pos(), QPoint(rightOf(ok) + 5, ok->y()));
    QCOMPARE(button(&d, "BitBtn2")->pos(), QPoint(rightOf(button(&d, "BtReset")) + 5, ok->y()));
    QCOMPARE(d.size(), QSize(edge + 8, bottomOf(ok) + 8));
    QCOMPARE(d.minimumSize(), d.maximumSize());
  }

  void openingShowsTheSettingsAndOkStoresTheControls() {
    AppState state = quotation();
    ScriptedPlatform platform;
    THFsetform d(state, platform);
    whileOpen(d, [&] {
      QCOMPARE(box(&d, "Qmark")->text(), QStringLiteral("＞"));
      QCOMPARE(group(&d, "Qradio")->itemIndex(), 1);
      QCOMPARE(box(&d, "HLeft")->text(), QStringLiteral("<<"));
      QCOMPARE(group(&d, "HedRadio")->itemIndex(), 0);
      QCOMPARE(box(&d, "Hsuf")->text(), QStringLiteral("さんへ"));
      QCOMPARE(box(&d, "HRight")->text(), QStringLiteral(">>"));
      QCOMPARE(box(&d, "FLeft")->text(), QStringLiteral("["));
      QCOMPARE(group(&d, "FootRadio")->itemIndex(), 1);
      QCOMPARE(box(&d, "Fsuf")->text(), QString());
      QCOMPARE(box(&d, "FRight")->text(), QStringLiteral("]"));

      box(&d, "Qmark")->setText(QStringLiteral("| "));
      group(&d, "Qradio")->item(0)->click();
      box(&d, "HLeft")->clear();
      group(&d, "HedRadio")->item(2)->click();
      box(&d, "Hsuf")->setText(QStringLiteral(" 宛"));
      box(&d, "Fsuf")->setText(QStringLiteral("以上"));
      group(&d, "FootRadio")->item(0)->click();
      button(&d, "BitBtn1")->click();
      QVERIFY(!d.isVisible());
    });
    d.execute();
    QCOMPARE(state.QuoteMark, Bytes("| "));
    QCOMPARE(state.QuoteStyle, 0);
    QCOMPARE(state.HeaderLeft, Bytes());
    QCOMPARE(state.HeaderCenter, 2);
    QCOMPARE(state.HeaderSuffix, sj(" 宛"));
    QCOMPARE(state.HeaderRight, Bytes(">>"));
    QCOMPARE(state.FooterLeft, Bytes("["));
    QCOMPARE(state.FooterCenter, 0);
    QCOMPARE(state.FooterSuffix, sj("以上"));
    QCOMPARE(state.FooterRight, Bytes("]"));
    QVERIFY(platform.boxes.empty());
  }

  void resetFillsTheControlsOnly() {
    AppState state = quotation();
    const AppState before = state;
    ScriptedPlatform platform;
    THFsetform d(state, platform);
    whileOpen(d, [&] {
      button(&d, "BtReset")->click();
      QVERIFY(d.isVisible());
      QCOMPARE(box(&d, "HLeft")->text(), QString(24, QLatin1Char('-')));
      QCOMPARE(box(&d, "Hsuf")->text(), QStringLiteral("さんへのレスです"));
      QCOMPARE(group(&d, "HedRadio")->itemIndex(), 1);
      QCOMPARE(group(&d, "FootRadio")->itemIndex(), 2);
      QCOMPARE(box(&d, "Fsuf")->text(), QStringLiteral(" written by Pelarin"));
      QCOMPARE(box(&d, "FRight")->text(), QString(17, QLatin1Char('-')));
      QCOMPARE(group(&d, "Qradio")->itemIndex(), 0);
      QCOMPARE(box(&d, "Qmark")->text(), QStringLiteral(">"));
      button(&d, "BitBtn2")->click();
    });
    d.execute();
    QCOMPARE(state.HeaderLeft, before.HeaderLeft);
    QCOMPARE(state.HeaderSuffix, before.HeaderSuffix);
    QCOMPARE(state.HeaderCenter, before.HeaderCenter);
    QCOMPARE(state.FooterCenter, before.FooterCenter);
    QCOMPARE(state.QuoteMark, before.QuoteMark);
    QCOMPARE(state.QuoteStyle, before.QuoteStyle);

    // The next opening starts from the settings again; RESET and OK stores the defaults.
    whileOpen(d, [&] {
      QCOMPARE(box(&d, "HLeft")->text(), QStringLiteral("<<"));
      button(&d, "BtReset")->click();
      button(&d, "BitBtn1")->click();
    });
    d.execute();
    QCOMPARE(state.HeaderSuffix, Bytes(defaults::kHeaderSuffix));
    QCOMPARE(state.HeaderCenter, 1);
    QCOMPARE(state.FooterCenter, 2);
    QCOMPARE(state.QuoteStyle, 0);
  }

  void textWithoutCodePageFormStoresNothing() {
    AppState state = quotation();
    state.FooterCenter = 9;  // no item: OK keeps it
    ScriptedPlatform platform;
    THFsetform d(state, platform);
    whileOpen(d, [&] {
      QCOMPARE(group(&d, "FootRadio")->itemIndex(), -1);
      box(&d, "HLeft")->setText(QStringLiteral("new"));
      box(&d, "FRight")->setText(QStringLiteral("🙂"));
      button(&d, "BitBtn1")->click();
      QVERIFY(d.isVisible());
      QCOMPARE(box(&d, "FRight")->text(), QStringLiteral("🙂"));
      box(&d, "FRight")->setText(QStringLiteral("ok"));
      button(&d, "BitBtn1")->click();
      QVERIFY(!d.isVisible());
    });
    d.execute();
    QCOMPARE(platform.boxes.size(), size_t{1});
    QCOMPARE(platform.boxes[0].kind, BoxKind::Error);
    QCOMPARE(state.HeaderLeft, Bytes("new"));
    QCOMPARE(state.FooterRight, Bytes("ok"));
    QCOMPARE(state.FooterCenter, 9);
  }
};

QTEST_MAIN(HfsetwinTest)
#include "hfsetwin_test.moc"
