#include "gui/compose/reswin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <vector>

#include "core/app/appstate.h"
#include "core/compose/quotation.h"
#include "core/logimport/boardkey.h"
#include "core/logimport/messagefile.h"
#include "core/text/cp932.h"
#include "core/text/fieldencoder.h"
#include "core/text/integers.h"
#include "core/text/paths.h"
#include "gui/compose/bytelimit.h"
#include "gui/compose/quotesource.h"
#include "gui/platform/command.h"
#include "gui/platform/fonts.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"
#include "gui/shared/keys.h"

namespace pelarin::gui {

namespace {

// Design sizes; the layout rule places every control.
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kBoxHeight = 24;
constexpr int kResToWidth = 73;       // Edit1 "Res. To ..."
constexpr int kTitleLabelWidth = 41;  // Edit2 "Title"
constexpr int kBoardLabelWidth = 65;  // Edit3 "Board No."
constexpr int kMesLabelWidth = 81;    // Edit4 "Message No."
constexpr int kTitleWidth = 257;      // ResTitle, and MesTitle after it
constexpr int kNumberWidth = 49;      // Boardnum, Mesnum
constexpr size_t kTitleBytes = 32;

size_t bytesOf(const QString& text) { return cp932Length(text.toStdU16String()); }

// SelFirstLine and SelLastLine from the viewer's selection, measured as the
// system's text: code page 932 bytes, each line break counting 2.
void quotationRangeOf(AppState& state, const QPlainTextEdit& docview) {
  const QTextDocument& document = *docview.document();
  std::vector<size_t> lengths;
  std::vector<size_t> starts;
  size_t offset = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    starts.push_back(offset);
    lengths.push_back(bytesOf(block.text()));
    offset += lengths.back() + 2;
  }
  const auto bytePosition = [&](int position) {
    const QTextBlock block = document.findBlock(position);
    return starts[static_cast<size_t>(block.blockNumber())] +
           bytesOf(block.text().left(position - block.position()));
  };
  const QTextCursor cursor = docview.textCursor();
  const size_t start = bytePosition(cursor.selectionStart());
  QuotationRange(state, lengths, start, bytePosition(cursor.selectionEnd()) - start);
}

}  // namespace

TResform::TResform(AppState& state, Platform& platform, QWidget* parent)
    : ComposerWindow(state, platform, DraftKind::Response, parent), state_(state), platform_(platform) {
  setWindowTitle(designCaption());
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  Edit1 = captionBox(this, "Edit1", QStringLiteral("Res. To ..."), QRect(0, 0, kResToWidth, kBoxHeight));
  ResTitle = designControl<QLineEdit>(this, "ResTitle", QRect(0, 0, kTitleWidth, kBoxHeight));
  ResTitle->setReadOnly(true);
  Edit3 = captionBox(this, "Edit3", QStringLiteral("Board No."), QRect(0, 0, kBoardLabelWidth, kBoxHeight));
  Boardnum = designControl<QLineEdit>(this, "Boardnum", QRect(0, 0, kNumberWidth, kBoxHeight));
  Boardnum->setReadOnly(true);
  Edit2 = captionBox(this, "Edit2", QStringLiteral("Title"), QRect(0, 0, kTitleLabelWidth, kBoxHeight));
  MesTitle = designControl<QLineEdit>(this, "MesTitle", QRect(0, 0, kTitleWidth, kBoxHeight));
  MesTitle->setValidator(new ByteLimit(kTitleBytes, MesTitle));
  Edit4 = captionBox(this, "Edit4", QStringLiteral("Message No."), QRect(0, 0, kMesLabelWidth, kBoxHeight));
  Mesnum = designControl<QLineEdit>(this, "Mesnum", QRect(0, 0, kNumberWidth, kBoxHeight));
  Mesnum->setReadOnly(true);
  nameBy(ResTitle, {Edit1});
  nameBy(Boardnum, {Edit3});
  nameBy(MesTitle, {Edit2});
  nameBy(Mesnum, {Edit4});
  counters_ = makeCounterRow(this);
  Resview = designEditor(this, "Resview");
  describe(Resview, QStringLiteral("Message"), QStringLiteral("レスの本文"));
  setTabOrder(MesTitle, Resview);
  BitBtn1->setEnabled(false);

  connect(BitBtn1, &QPushButton::clicked, this, &TResform::BitBtn1Click);
  okOnCtrlEnter(this, BitBtn1);
  connect(BitBtn2, &QPushButton::clicked, this, &TResform::BitBtn2Click);
  connect(MesTitle, &QLineEdit::textChanged, this, &TResform::MesTitleChange);
  followCaret(Resview, counters_, &state_);
  FormCreate();
}

StoredGeometry TResform::stored() {
  return {state_.ResHeight, state_.ResWidth, state_.ResTop, state_.ResLeft};
}

int TResform::derivedWidth() const { return right(BitBtn1) + 8; }

void TResform::applyFont(const QFont& font) { Resview->setFont(font); }

void TResform::open(const QPlainTextEdit& docview) {
  const bool opened = openComposition([&] {
    quotationRangeOf(state_, docview);
    Resview->setFont(stateFont(state_));
    counters_.reset();
    if (state_.MesCount == 0) return false;

    // Everything is read before a field changes, so a failure leaves the window as it was.
    const StoredMessage message = readMessage(messagePath(pathFromText(state_.WorkDir), state_.CurrentMes));
    // Mail and file areas are answered elsewhere.
    if (StrToInt(message.keys.BoardKey) >= kMailKey) return false;
    Bytes board = responseBoardCode(message.keys.BoardKey);
    const Lines text = FillResponseEditor(state_, quoteSource(state_, message));

    board_ = std::move(board);
    number_ = message.keys.MesNumber;
    Boardnum->setText(toQ(board_));
    Mesnum->setText(toQ(number_));
    ResTitle->setText(toShownQ(message.keys.Title));
    MesTitle->clear();
    MesTitleChange();
    Resview->setLines(text);
    return true;
  });
  if (!opened) return;
  bringUp(this);
  MesTitle->setFocus();
}

QString TResform::designCaption() const { return QStringLiteral("Responce Window"); }

void TResform::fillDraft(Draft& draft) const {
  draft.fields["Boardnum"] = board_;
  draft.fields["Mesnum"] = number_;
  draft.fields["ResTitle"] = ResTitle->text().toStdString();
  draft.fields["MesTitle"] = MesTitle->text().toStdString();
  draft.fields["Resview"] = Resview->toPlainText().toStdString();
}

void TResform::takeDraft(const Draft& draft) {
  Resview->setFont(stateFont(state_));
  counters_.reset();
  board_ = draft.field("Boardnum");
  number_ = draft.field("Mesnum");
  Boardnum->setText(toQ(board_));
  Mesnum->setText(toQ(number_));
  ResTitle->setText(QString::fromStdString(draft.field("ResTitle")));
  MesTitle->setText(QString::fromStdString(draft.field("MesTitle")));
  MesTitleChange();
  Resview->setPlainText(QString::fromStdString(draft.field("Resview")));
  MesTitle->setFocus();
}

void TResform::MesTitleChange() { BitBtn1->setEnabled(!MesTitle->text().isEmpty()); }

void TResform::BitBtn1Click() {
  runCommand(platform_, this, [this] {
    if (MesTitle->text().isEmpty()) {
      // The window stays open: closing would throw the composition away.
      platform_.messageBox(this, BoxKind::Error, QStringLiteral("Title is Empty !"), BoxButtons::Ok);
      return;
    }
    FieldEncoder fields;
    const Bytes title = toBytes(fields, "Title", MesTitle->text());
    const Lines text = Resview->lines(fields, "Text");
    fields.check();
    writeRecord(responseRecord(board_, number_, title, text));
    close();
  });
}

void TResform::BitBtn2Click() { close(); }

void TResform::FormResize() {
  ResTitle->resize(ResTitle->width(), Edit1->height());
  MesTitle->resize(MesTitle->width(), Edit1->height());
  BitBtn1->move(BitBtn1->x(), 5);
  Edit1->move(5, bottom(BitBtn1) - Edit1->height());
  const int row1 = Edit1->y();
  ResTitle->move(right(Edit1), row1);
  MesTitle->setGeometry(ResTitle->x(), MesTitle->y(), ResTitle->width(), MesTitle->height());
  Edit2->move(MesTitle->x() - Edit2->width(), Edit2->y());
  Edit4->move(right(MesTitle) + 2, Edit4->y());
  Mesnum->move(right(Edit4), Mesnum->y());
  Boardnum->move(Mesnum->x(), row1);
  Edit3->move(Boardnum->x() - Edit3->width(), row1);
  BitBtn1->move(right(Boardnum) + 15, BitBtn1->y());
  BitBtn2->move(BitBtn1->x(), BitBtn2->y());
  const int row2 = bottom(Edit1) + 5;
  for (QWidget* w : std::initializer_list<QWidget*>{Edit2, MesTitle, Edit4, Mesnum, BitBtn2})
    w->move(w->x(), row2);
  placeCounterRow(counters_, Edit1->x(), bottom(Edit2) + 5, 15);
  const int top = bottom(counters_.letternum) + 5;
  Resview->setGeometry(0, top, width(), qMax(0, height() - top));
}

}  // namespace pelarin::gui
