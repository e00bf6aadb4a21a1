#include "gui/compose/hfsetwin.h"

#include <QLineEdit>
#include <QPushButton>
#include <tuple>

#include "core/app/appstate.h"
#include "core/app/defaults.h"
#include "core/text/fieldencoder.h"
#include "gui/compose/radiogroup.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"

namespace pelarin::gui {

namespace {

// Design sizes; FormCreate places every control.
constexpr int kBoxHeight = 24;
constexpr int kBlockLabelWidth = 49;  // "Hedder", "Footer"
constexpr int kLeftLabelWidth = 33;   // "Left"
constexpr int kFieldLabelWidth = 49;  // "Suffics", "Right", "Mark"
constexpr int kLeftWidth = 350;       // HLeft, FLeft
constexpr int kRadioWidth = 190;
constexpr int kButtonWidth = 75, kButtonHeight = 25;

// The initial centre items and quotation style.
constexpr int kHeaderCenter = 1, kFooterCenter = 2, kQuoteStyle = 0;

QLineEdit* caption(QWidget* parent, const char* name, const char* text, int width) {
  return captionBox(parent, name, QString::fromLatin1(text), QRect(0, 0, width, kBoxHeight));
}

QLineEdit* textBox(QWidget* parent, const char* name, int width) {
  return designControl<QLineEdit>(parent, name, QRect(0, 0, width, kBoxHeight));
}

RadioGroup* centreGroup(QWidget* parent, const char* name) {
  return designRadioGroup(parent, name, QStringLiteral("Center"),
                          {QStringLiteral("None"), QStringLiteral("Name"), QStringLiteral("Date")}, 3,
                          QRect(0, 0, kRadioWidth, 0));
}

void placeRight(QWidget* control, const QWidget* leftNeighbour) {
  control->move(right(leftNeighbour) + 2, leftNeighbour->y());
}

void stretchTo(QWidget* control, int rightEdge) {
  control->resize(rightEdge - control->x(), control->height());
}

// One block: the caption, "Left" and the left box in a row; under it the
// centre group, with "Suffics" and the suffix box beside it and "Right" and
// the right box under those, both boxes ending with the left box.
struct Block {
  QLineEdit* caption;
  QLineEdit* leftLabel;
  QLineEdit* leftBox;
  RadioGroup* centre;
  QLineEdit* suffixLabel;
  QLineEdit* suffixBox;
  QLineEdit* rightLabel;
  QLineEdit* rightBox;

  // Returns the block's bottom.
  int place(int top) const {
    caption->move(5, top);
    placeRight(leftLabel, caption);
    placeRight(leftBox, leftLabel);
    const int edge = right(leftBox);
    const int centreTop = bottom(leftBox) + 3;
    centre->move(5, centreTop);
    suffixLabel->move(right(centre) + 2, centreTop);
    placeRight(suffixBox, suffixLabel);
    stretchTo(suffixBox, edge);
    rightLabel->move(suffixLabel->x(), bottom(suffixLabel) + 3);
    placeRight(rightBox, rightLabel);
    stretchTo(rightBox, edge);
    // The group stands beside both rows.
    centre->resize(centre->width(), bottom(rightBox) - centreTop);
    return qMax(bottom(centre), bottom(rightBox));
  }
};

}  // namespace

THFsetform::THFsetform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Quotation Setting Window"));
  Edit1 = caption(this, "Edit1", "Hedder", kBlockLabelWidth);
  Edit2 = caption(this, "Edit2", "Left", kLeftLabelWidth);
  HLeft = textBox(this, "HLeft", kLeftWidth);
  HedRadio = centreGroup(this, "HedRadio");
  Edit3 = caption(this, "Edit3", "Suffics", kFieldLabelWidth);
  Hsuf = textBox(this, "Hsuf", 0);
  Edit4 = caption(this, "Edit4", "Right", kFieldLabelWidth);
  HRight = textBox(this, "HRight", 0);
  Edit5 = caption(this, "Edit5", "Footer", kBlockLabelWidth);
  Edit6 = caption(this, "Edit6", "Left", kLeftLabelWidth);
  FLeft = textBox(this, "FLeft", kLeftWidth);
  FootRadio = centreGroup(this, "FootRadio");
  Edit7 = caption(this, "Edit7", "Suffics", kFieldLabelWidth);
  Fsuf = textBox(this, "Fsuf", 0);
  Edit8 = caption(this, "Edit8", "Right", kFieldLabelWidth);
  FRight = textBox(this, "FRight", 0);
  Qradio = designRadioGroup(this, "Qradio", QStringLiteral("Quotation"),
                            {QStringLiteral("None"), QStringLiteral("Name")}, 2, QRect(0, 0, kRadioWidth, 0));
  Edit9 = caption(this, "Edit9", "Mark", kFieldLabelWidth);
  Qmark = textBox(this, "Qmark", 0);
  // Each box read as its block's caption and its own.
  for (auto [field, block, caption] : {std::tuple{HLeft, Edit1, Edit2},
                                       {Hsuf, Edit1, Edit3},
                                       {HRight, Edit1, Edit4},
                                       {FLeft, Edit5, Edit6},
                                       {Fsuf, Edit5, Edit7},
                                       {FRight, Edit5, Edit8}})
    nameBy(field, {block, caption});
  nameBy(Qmark, {Edit9});
  // Captions of the same role line up, however wide the face makes one of them.
  sameWidth({Edit1, Edit5});
  sameWidth({Edit2, Edit6});
  sameWidth({Edit3, Edit4, Edit7, Edit8, Edit9});
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setDefault(true);
  BtReset = designButton(this, "BtReset", QStringLiteral("RESET"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));

  connect(BitBtn1, &QPushButton::clicked, this, &THFsetform::BitBtn1Click);
  connect(BtReset, &QPushButton::clicked, this, &THFsetform::BtResetClick);
  connect(BitBtn2, &QPushButton::clicked, this, &THFsetform::BitBtn2Click);
  FormCreate();
}

void THFsetform::FormCreate() {
  const int header = Block{Edit1, Edit2, HLeft, HedRadio, Edit3, Hsuf, Edit4, HRight}.place(5);
  const int footer = Block{Edit5, Edit6, FLeft, FootRadio, Edit7, Fsuf, Edit8, FRight}.place(header + 10);
  Qradio->move(5, footer + 5);
  Edit9->move(right(Qradio) + 2, Qradio->y());
  placeRight(Qmark, Edit9);
  stretchTo(Qmark, right(FRight));
  Qradio->resize(Qradio->width(), HedRadio->height());
  BitBtn1->move(Edit4->x(), bottom(Qradio) + 10);
  BtReset->move(right(BitBtn1) + 5, BitBtn1->y());
  BitBtn2->move(right(BtReset) + 5, BitBtn1->y());
  setFixedSize(right(HLeft) + 8, bottom(BitBtn1) + 8);
}

void THFsetform::applyFont(const QFont& font) {
  for (QLineEdit* box : {HLeft, Hsuf, HRight, FLeft, Fsuf, FRight}) box->setFont(font);
}

void THFsetform::execute() {
  HLeft->setText(toQ(state_.HeaderLeft));
  Hsuf->setText(toQ(state_.HeaderSuffix));
  HRight->setText(toQ(state_.HeaderRight));
  FLeft->setText(toQ(state_.FooterLeft));
  Fsuf->setText(toQ(state_.FooterSuffix));
  FRight->setText(toQ(state_.FooterRight));
  HedRadio->setItemIndex(state_.HeaderCenter);
  FootRadio->setItemIndex(state_.FooterCenter);
  Qmark->setText(toQ(state_.QuoteMark));
  Qradio->setItemIndex(state_.QuoteStyle);
  exec();
}

void THFsetform::BitBtn1Click() {
  runCommand(platform_, this, [this] {
    // Every box is encoded before any setting changes: a text without a code page 932 form changes none.
    FieldEncoder fields;
    Bytes headerLeft = toBytes(fields, "Hedder Left", HLeft->text());
    Bytes headerSuffix = toBytes(fields, "Hedder Suffics", Hsuf->text());
    Bytes headerRight = toBytes(fields, "Hedder Right", HRight->text());
    Bytes footerLeft = toBytes(fields, "Footer Left", FLeft->text());
    Bytes footerSuffix = toBytes(fields, "Footer Suffics", Fsuf->text());
    Bytes footerRight = toBytes(fields, "Footer Right", FRight->text());
    Bytes mark = toBytes(fields, "Mark", Qmark->text());
    fields.check();
    state_.HeaderLeft = std::move(headerLeft);
    state_.HeaderSuffix = std::move(headerSuffix);
    state_.HeaderRight = std::move(headerRight);
    state_.FooterLeft = std::move(footerLeft);
    state_.FooterSuffix = std::move(footerSuffix);
    state_.FooterRight = std::move(footerRight);
    state_.QuoteMark = std::move(mark);
    // A stored item outside a group's items checks none: it stays as it was.
    if (HedRadio->itemIndex() >= 0) state_.HeaderCenter = HedRadio->itemIndex();
    if (FootRadio->itemIndex() >= 0) state_.FooterCenter = FootRadio->itemIndex();
    if (Qradio->itemIndex() >= 0) state_.QuoteStyle = Qradio->itemIndex();
    accept();
  });
}

void THFsetform::BtResetClick() {
  HLeft->setText(toQ(defaults::kHeaderLeft));
  Hsuf->setText(toQ(defaults::kHeaderSuffix));
  HRight->setText(toQ(defaults::kHeaderRight));
  FLeft->setText(toQ(defaults::kFooterLeft));
  Fsuf->setText(toQ(defaults::kFooterSuffix));
  FRight->setText(toQ(defaults::kFooterRight));
  HedRadio->setItemIndex(kHeaderCenter);
  FootRadio->setItemIndex(kFooterCenter);
  Qmark->setText(toQ(defaults::kQuoteMark));
  Qradio->setItemIndex(kQuoteStyle);
}

void THFsetform::BitBtn2Click() { reject(); }

}  // namespace pelarin::gui
