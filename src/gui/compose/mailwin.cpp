#include "gui/compose/mailwin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <vector>

#include "core/app/appstate.h"

namespace pelarin::gui {

namespace {

// Design sizes; the layout rule places every control.
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kBoxHeight = 24;
constexpr int kMailToWidth = 97;      // Edit1 "Mail To. ID..."
constexpr int kIdWidth = 49;          // ID0 .. ID9
constexpr int kTitleLabelWidth = 41;  // Edit2 "Title"
constexpr int kTitleWidth = 300;      // MesTitle

constexpr const char* kIdNames[TMailform::kIds] = {"ID0", "ID1", "ID2", "ID3", "ID4",
                                                   "ID5", "ID6", "ID7", "ID8", "ID9"};

}  // namespace

TMailform::TMailform(AppState& state, Platform& platform, QWidget* parent)
    : ComposerWindow(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Mail Window"));
  Edit1 = captionBox(this, "Edit1", QStringLiteral("Mail To. ID..."), QRect(0, 0, kMailToWidth, kBoxHeight));
  Quotation =
      designButton(this, "Quotation", QStringLiteral("Quotation"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setEnabled(false);
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  for (int i = 0; i < kIds; ++i)
    ID[static_cast<size_t>(i)] =
        designControl<QLineEdit>(this, kIdNames[i], QRect(0, 0, kIdWidth, kBoxHeight));
  Edit2 = captionBox(this, "Edit2", QStringLiteral("Title"), QRect(0, 0, kTitleLabelWidth, kBoxHeight));
  MesTitle = designControl<QLineEdit>(this, "MesTitle", QRect(0, 0, kTitleWidth, kBoxHeight));
  counters_ = makeCounterRow(this);
  MailView = designEditor(this, "MailView");

  // Focus order: the IDs, the title, the text, OK, Cancel.
  std::vector<QWidget*> order(ID.begin(), ID.end());
  order.insert(order.end(), {MesTitle, MailView, BitBtn1, BitBtn2});
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

  connect(BitBtn2, &QPushButton::clicked, this, &TMailform::BitBtn2Click);
  FormCreate();
}

StoredGeometry TMailform::stored() {
  return {state_.MailHeight, state_.MailWidth, state_.MailTop, state_.MailLeft};
}

int TMailform::derivedWidth() const { return right(ID[kIds - 1]) + 8; }

void TMailform::applyFont(const QFont& font) { MailView->setFont(font); }

void TMailform::open(bool /*quotationEnabled*/) {}

void TMailform::BitBtn2Click() { close(); }

void TMailform::FormResize() {
  Quotation->move(Quotation->x(), 5);
  BitBtn1->move(BitBtn1->x(), Quotation->y());
  BitBtn2->move(BitBtn2->x(), Quotation->y());
  Edit1->move(5, bottom(Quotation) - Edit1->height());
  Quotation->move(right(Edit1) + 15, Quotation->y());
  BitBtn1->move(right(Quotation) + 15, BitBtn1->y());
  BitBtn2->move(right(BitBtn1) + 15, BitBtn2->y());
  const int idTop = bottom(Quotation) + 5;
  int left = Edit1->x();
  for (QLineEdit* id : ID) {
    id->move(left, idTop);
    left = right(id);
  }
  Edit2->move(Edit1->x(), bottom(ID[0]) + 5);
  MesTitle->setGeometry(right(Edit2) + 1, Edit2->y(), MesTitle->width(), Edit2->height());
  placeCounterRow(counters_, Edit1->x(), bottom(Edit2) + 5, 30);
  const int top = bottom(counters_.Label1) + 1;
  MailView->setGeometry(0, top, width(), qMax(0, height() - top));
}

}  // namespace pelarin::gui
