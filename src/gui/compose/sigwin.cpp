#include "gui/compose/sigwin.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/app/appstate.h"
#include "core/compose/signature.h"
#include "core/text/paths.h"
#include "gui/platform/command.h"
#include "gui/platform/fonts.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"
#include "gui/shared/keys.h"
#include "gui/shared/placement.h"

namespace pelarin::gui {

namespace {

constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kOkLeft = 5;

}  // namespace

TSigform::TSigform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Signature Edit"));
  BitBtn1 =
      designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(kOkLeft, 0, kButtonWidth, kButtonHeight));
  counters_ = makeCounterRow(this);
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  SigView = designEditor(this, "SigView");
  describe(SigView, QStringLiteral("Signature"), QStringLiteral("署名の本文"));

  // The signature counts as the composers do but never takes the alarm colours.
  followCaret(SigView, counters_, nullptr);
  connect(BitBtn1, &QPushButton::clicked, this, &TSigform::BitBtn1Click);
  okOnCtrlEnter(this, BitBtn1);
  connect(BitBtn2, &QPushButton::clicked, this, &TSigform::BitBtn2Click);
  FormResize();
  setClientSize(this, right(BitBtn2) + 8, kDesignHeight);
}

void TSigform::applyFont(const QFont& font) { SigView->setFont(font); }

std::filesystem::path TSigform::signatureFile() const {
  return pathFromText(state_.WorkDir + kSignatureFileName);
}

// Every editor line is written, a final empty one too; the line break that
// ends the last line adds none.
void TSigform::BitBtn1Click() {
  runCommand(platform_, this, [this] {
    writeSignature(signatureFile(), SigView->lines());
    accept();
  });
}

void TSigform::BitBtn2Click() { reject(); }

void TSigform::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

void TSigform::FormResize() {
  BitBtn1->move(BitBtn1->x(), 5);
  BitBtn2->move(BitBtn2->x(), BitBtn1->y());
  placeCounterRow(counters_, right(BitBtn1) + 10, bottom(BitBtn1) - counters_.Label1->height(), 15);
  BitBtn2->move(right(counters_.linenum) + 20, BitBtn2->y());
  const int top = bottom(BitBtn2) + 5;
  SigView->setGeometry(0, top, width(), qMax(0, height() - top));
}

void TSigform::execute() {
  applyFont(stateFont(state_));
  counters_.reset();
  SigView->clear();
  const bool loaded = runCommand(platform_, this, [this] {
    const std::filesystem::path file = signatureFile();
    ensureSignature(file);
    SigView->setLines(readSignature(file).value_or(Lines{}));
  });
  if (!loaded) return;
  // Typing goes into the signature, and Enter makes a new line there instead of closing.
  SigView->setFocus();
  exec();
}

}  // namespace pelarin::gui
