#include "gui/compose/hfsetwin.h"

#include <QLineEdit>

#include "gui/platform/geometry.h"

namespace pelarin::gui {

namespace {

constexpr int kBoxLeft = 5, kBoxTop = 5, kBoxWidth = 200, kBoxHeight = 24, kRowStep = 27;

QRect row(int n) { return QRect(kBoxLeft, kBoxTop + n * kRowStep, kBoxWidth, kBoxHeight); }

}  // namespace

THFsetform::THFsetform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Quotation Setting Window"));
  HLeft = designControl<QLineEdit>(this, "HLeft", row(0));
  Hsuf = designControl<QLineEdit>(this, "Hsuf", row(1));
  HRight = designControl<QLineEdit>(this, "HRight", row(2));
  FLeft = designControl<QLineEdit>(this, "FLeft", row(3));
  Fsuf = designControl<QLineEdit>(this, "Fsuf", row(4));
  FRight = designControl<QLineEdit>(this, "FRight", row(5));
}

void THFsetform::applyFont(const QFont& font) {
  for (QLineEdit* box : {HLeft, Hsuf, HRight, FLeft, Fsuf, FRight}) box->setFont(font);
}

void THFsetform::execute() {}

}  // namespace pelarin::gui
