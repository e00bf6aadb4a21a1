#include "gui/compose/mailwin.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "core/app/appstate.h"
#include "core/compose/quotation.h"
#include "core/logimport/messagefile.h"
#include "core/text/fieldencoder.h"
#include "core/text/integers.h"
#include "core/text/paths.h"
#include "gui/compose/latinfield.h"
#include "gui/compose/quotesource.h"
#include "gui/lists/input.h"
#include "gui/platform/command.h"
#include "gui/platform/fonts.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"
#include "gui/shared/keys.h"

namespace pelarin::gui {

namespace {

// Design sizes; the layout rule places every control.
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kBoxHeight = 24;
constexpr int kMailToWidth = 97;      // Edit1 "Mail To. ID..."
constexpr int kIdWidth = 49;          // ID0 .. ID9
constexpr int kTitleLabelWidth = 41;  // Edit2 "Title"
constexpr int kTitleWidth = 300;      // MesTitle

// Board keys from here on are file areas, which have nothing to quote.
constexpr int32_t kFileAreaKey = 30000;

constexpr const char* kIdNames[TMailform::kIds] = {"ID0", "ID1", "ID2", "ID3", "ID4",
                                                   "ID5", "ID6", "ID7", "ID8", "ID9"};

}  // namespace

TMailform::TMailform(AppState& state, Platform& platform, QWidget* parent)
    : ComposerWindow(state, platform, DraftKind::Mail, parent), state_(state), platform_(platform) {
  setWindowTitle(designCaption());
  Edit1 = captionBox(this, "Edit1", QStringLiteral("Mail To. ID..."), QRect(0, 0, kMailToWidth, kBoxHeight));
  Quotation =
      designButton(this, "Quotation", QStringLiteral("Quotation"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setEnabled(false);
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  for (int i = 0; i < kIds; ++i) {
    QLineEdit* id = designControl<LatinField>(this, kIdNames[i], QRect(0, 0, kIdWidth, kBoxHeight));
    // The right button picks from the name list instead.
    id->setContextMenuPolicy(Qt::PreventContextMenu);
    id->installEventFilter(this);
    describe(id, QStringLiteral("Mail To ID %1").arg(i + 1));
    ID[static_cast<size_t>(i)] = id;
  }
  Edit2 = captionBox(this, "Edit2", QStringLiteral("Title"), QRect(0, 0, kTitleLabelWidth, kBoxHeight));
  MesTitle = designControl<QLineEdit>(this, "MesTitle", QRect(0, 0, kTitleWidth, kBoxHeight));
  nameBy(MesTitle, {Edit2});
  counters_ = makeCounterRow(this);
  MailView = designEditor(this, "MailView");
  describe(MailView, QStringLiteral("Message"), QStringLiteral("メールの本文"));
  followCaret(MailView, counters_, &state_);

  // Focus order: the IDs, the title, the text, OK, Cancel.
  std::vector<QWidget*> order(ID.begin(), ID.end());
  order.insert(order.end(), {MesTitle, MailView, BitBtn1, BitBtn2});
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

  connect(ID[0], &QLineEdit::textChanged, this, &TMailform::ID0Change);
  connect(MesTitle, &QLineEdit::textChanged, this, &TMailform::MesTitleChange);
  connect(Quotation, &QPushButton::clicked, this, &TMailform::QuotationClick);
  connect(BitBtn1, &QPushButton::clicked, this, &TMailform::BitBtn1Click);
  okOnCtrlEnter(this, BitBtn1);
  connect(BitBtn2, &QPushButton::clicked, this, &TMailform::BitBtn2Click);
  FormCreate();
}

StoredGeometry TMailform::stored() {
  return {state_.MailHeight, state_.MailWidth, state_.MailTop, state_.MailLeft};
}

int TMailform::derivedWidth() const { return right(ID[kIds - 1]) + 8; }

void TMailform::applyFont(const QFont& font) { MailView->setFont(font); }

void TMailform::open(bool quotationEnabled) {
  Quotation->setEnabled(quotationEnabled);
  const bool opened = openComposition([this] {
    // Read before anything changes: a failure leaves the window closed and the
    // main window's commands enabled.
    const std::optional<Lines> signature = signatureLines(state_);

    MailView->setFont(stateFont(state_));
    counters_.reset();
    for (QLineEdit* id : ID) id->clear();
    MesTitle->clear();
    MailView->clear();
    if (signature) MailView->setLines(*signature);
    return true;
  });
  // Not where the last opening left it: a Cancel clicked then would take the next space.
  if (opened) ID[0]->setFocus();
}

QString TMailform::designCaption() const { return QStringLiteral("Mail Window"); }

void TMailform::fillDraft(Draft& draft) const {
  for (size_t i = 0; i < ID.size(); ++i) draft.fields[kIdNames[i]] = ID[i]->text().toStdString();
  draft.fields["MesTitle"] = MesTitle->text().toStdString();
  draft.fields["MailView"] = MailView->toPlainText().toStdString();
}

void TMailform::takeDraft(const Draft& draft) {
  // A start shows no message yet, so there is nothing to quote.
  Quotation->setEnabled(false);
  MailView->setFont(stateFont(state_));
  counters_.reset();
  for (size_t i = 0; i < ID.size(); ++i) ID[i]->setText(QString::fromStdString(draft.field(kIdNames[i])));
  MesTitle->setText(QString::fromStdString(draft.field("MesTitle")));
  MailView->setPlainText(QString::fromStdString(draft.field("MailView")));
  updateOk();
}

void TMailform::updateOk() { BitBtn1->setEnabled(!ID[0]->text().isEmpty() && !MesTitle->text().isEmpty()); }

void TMailform::ID0Change() { updateOk(); }

void TMailform::MesTitleChange() { updateOk(); }

bool TMailform::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    const auto field = std::find(ID.begin(), ID.end(), watched);
    if (field != ID.end()) {
      IDMouseDown(*field);
      return true;
    }
  }
  return ComposerWindow::eventFilter(watched, event);
}

void TMailform::IDMouseDown(QLineEdit* field) {
  if (!pickList_) return;
  runCommand(platform_, this, [this, field] {
    const std::optional<Bytes> picked = pickList_->offer(
        pathFromText(state_.WorkDir + state_.ListFileName + ".nam"), QStringLiteral(" ID List"));
    if (picked) field->setText(toQ(idFromPick(*picked)));
  });
}

void TMailform::QuotationClick() {
  runCommand(platform_, this, [this] {
    if (state_.MesCount == 0) return;
    // Everything is read first: a failure leaves the fields and the text as they were.
    const StoredMessage message = readMessage(messagePath(pathFromText(state_.WorkDir), state_.CurrentMes));
    if (StrToInt(message.keys.BoardKey) >= kFileAreaKey) return;
    const Lines text = FillMailEditor(state_, quoteSource(state_, message));
    ID[0]->setText(toQ(message.keys.WriterId));
    MailView->setLines(text);
  });
}

void TMailform::BitBtn1Click() {
  runCommand(platform_, this, [this] {
    MailIds ids;
    FieldEncoder fields;
    for (size_t i = 0; i < ids.size(); ++i)
      ids[i] = toBytes(fields, ("Mail To. ID " + std::to_string(i + 1)).c_str(), ID[i]->text());
    const Bytes title = toBytes(fields, "Title", MesTitle->text());
    const Lines text = MailView->lines(fields, "Text");
    fields.check();
    writeRecord(mailRecord(ids, title, text));
    close();
  });
}

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
