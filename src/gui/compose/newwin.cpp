#include "gui/compose/newwin.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "core/app/appstate.h"
#include "core/text/errors.h"
#include "core/text/fieldencoder.h"
#include "core/text/paths.h"
#include "gui/compose/bytelimit.h"
#include "gui/compose/latinfield.h"
#include "gui/compose/quotesource.h"
#include "gui/lists/input.h"
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
constexpr int kBoardLabelWidth = 89;  // Edit1 "Board Number"
constexpr int kBoardWidth = 41;       // Boardnum: four characters
constexpr int kBoardTyped = 4;
constexpr int kTitleLabelWidth = 41;  // Edit2 "Title"
constexpr int kTitleWidth = 257;      // MesTitle: 32 bytes
constexpr size_t kTitleBytes = 32;

// The OK rule looks at the emptiness and the first two characters of a field;
// a character without a code page 932 form is reported by OK, not here.
Bytes ruleText(const QString& text) {
  try {
    return toBytes(text.left(2));
  } catch (const EncodeError&) {
    return "?";
  }
}

}  // namespace

TNewform::TNewform(AppState& state, Platform& platform, QWidget* parent)
    : ComposerWindow(state, platform, DraftKind::NewMessage, parent), state_(state), platform_(platform) {
  setWindowTitle(designCaption());
  Edit1 =
      captionBox(this, "Edit1", QStringLiteral("Board Number"), QRect(0, 0, kBoardLabelWidth, kBoxHeight));
  // Four characters typed; a validator rather than a maximum length, which
  // would also cut the five characters a pick may give.
  Boardnum = new LatinField(this, kBoardTyped);
  Boardnum->setObjectName(QStringLiteral("Boardnum"));
  Boardnum->setGeometry(0, 0, kBoardWidth, kBoxHeight);
  // The right button picks from the board list instead.
  Boardnum->setContextMenuPolicy(Qt::PreventContextMenu);
  Boardnum->installEventFilter(this);
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setEnabled(false);
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  Edit2 = captionBox(this, "Edit2", QStringLiteral("Title"), QRect(0, 0, kTitleLabelWidth, kBoxHeight));
  MesTitle = designControl<QLineEdit>(this, "MesTitle", QRect(0, 0, kTitleWidth, kBoxHeight));
  MesTitle->setValidator(new ByteLimit(kTitleBytes, MesTitle));
  nameBy(Boardnum, {Edit1});
  nameBy(MesTitle, {Edit2});
  counters_ = makeCounterRow(this);
  NewView = designEditor(this, "NewView");
  describe(NewView, QStringLiteral("Message"), QStringLiteral("新しいメッセージの本文"));
  followCaret(NewView, counters_, &state_);
  // The fields before the buttons: from the board, Tab must not land on Cancel,
  // where the space that converts a title closes the window.
  setTabOrder(Boardnum, MesTitle);
  setTabOrder(MesTitle, NewView);
  setTabOrder(NewView, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);

  connect(Boardnum, &QLineEdit::textChanged, this, &TNewform::BoardnumChange);
  connect(MesTitle, &QLineEdit::textChanged, this, &TNewform::MesTitleChange);
  connect(BitBtn1, &QPushButton::clicked, this, &TNewform::BitBtn1Click);
  okOnCtrlEnter(this, BitBtn1);
  connect(BitBtn2, &QPushButton::clicked, this, &TNewform::BitBtn2Click);
  FormCreate();
}

StoredGeometry TNewform::stored() {
  return {state_.NewHeight, state_.NewWidth, state_.NewTop, state_.NewLeft};
}

int TNewform::derivedWidth() const { return right(BitBtn2) + 8; }

void TNewform::applyFont(const QFont& font) { NewView->setFont(font); }

void TNewform::open() {
  const bool opened = openComposition([this] {
    // Read before anything changes: a failure leaves the window closed and the
    // main window's commands enabled.
    const std::optional<Lines> signature = signatureLines(state_);

    NewView->setFont(stateFont(state_));
    counters_.reset();
    NewView->clear();
    if (signature) NewView->setLines(*signature);
    Boardnum->clear();
    MesTitle->clear();
    return true;
  });
  // Not where the last opening left it: a Cancel clicked then would take the next space.
  if (opened) Boardnum->setFocus();
}

QString TNewform::designCaption() const { return QStringLiteral("New Message Window"); }

void TNewform::fillDraft(Draft& draft) const {
  draft.fields["Boardnum"] = Boardnum->text().toStdString();
  draft.fields["MesTitle"] = MesTitle->text().toStdString();
  draft.fields["NewView"] = NewView->toPlainText().toStdString();
}

void TNewform::takeDraft(const Draft& draft) {
  NewView->setFont(stateFont(state_));
  counters_.reset();
  NewView->setPlainText(QString::fromStdString(draft.field("NewView")));
  // A picked board number may be longer than typing allows.
  const QValidator* limit = Boardnum->validator();
  Boardnum->setValidator(nullptr);
  Boardnum->setText(QString::fromStdString(draft.field("Boardnum")));
  Boardnum->setValidator(limit);
  MesTitle->setText(QString::fromStdString(draft.field("MesTitle")));
  updateOk();
}

void TNewform::updateOk() {
  BitBtn1->setEnabled(newMessageAccepted(ruleText(Boardnum->text()), ruleText(MesTitle->text())));
}

void TNewform::BoardnumChange() { updateOk(); }

void TNewform::MesTitleChange() { updateOk(); }

bool TNewform::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Boardnum && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    BoardnumMouseDown();
    return true;
  }
  return ComposerWindow::eventFilter(watched, event);
}

void TNewform::BoardnumMouseDown() {
  if (!pickList_) return;
  runCommand(platform_, this, [this] {
    const std::optional<Bytes> picked = pickList_->offer(
        pathFromText(state_.WorkDir + state_.ListFileName + ".bod"), QStringLiteral(" Board List"));
    if (!picked) return;
    // The four-character limit is for typing: a picked number may have five.
    const QValidator* limit = Boardnum->validator();
    Boardnum->setValidator(nullptr);
    Boardnum->setText(toQ(boardFromPick(*picked)));
    Boardnum->setValidator(limit);
  });
}

void TNewform::BitBtn1Click() {
  runCommand(platform_, this, [this] {
    // The window stays open, so the text typed so far is not lost.
    if (Boardnum->text().isEmpty() || MesTitle->text().isEmpty()) {
      platform_.messageBox(this, BoxKind::Error, QStringLiteral("Title or Board No. is Empty !"));
      return;
    }
    FieldEncoder fields;
    const Bytes board = toBytes(fields, "Board Number", Boardnum->text());
    const Bytes title = toBytes(fields, "Title", MesTitle->text());
    const Lines text = NewView->lines(fields, "Text");
    fields.check();
    writeRecord(newMessageRecord(board, title, text));
    close();
  });
}

void TNewform::BitBtn2Click() { close(); }

void TNewform::FormResize() {
  BitBtn1->move(BitBtn1->x(), 5);
  BitBtn2->move(BitBtn2->x(), BitBtn1->y());
  Edit1->move(Edit1->x(), bottom(BitBtn1) - Edit1->height());
  Boardnum->setGeometry(Boardnum->x(), Edit1->y(), Boardnum->width(), Edit1->height());
  Edit1->move(5, Edit1->y());
  Boardnum->move(right(Edit1), Boardnum->y());
  BitBtn1->move(right(Boardnum) + 30, BitBtn1->y());
  BitBtn2->move(right(BitBtn1) + 15, BitBtn2->y());
  Edit2->move(Edit1->x(), bottom(Edit1) + 5);
  MesTitle->setGeometry(right(Edit2), Edit2->y(), MesTitle->width(), Edit2->height());
  placeCounterRow(counters_, Edit1->x(), bottom(Edit2) + 5, 30);
  const int top = bottom(counters_.Label1) + 1;
  NewView->setGeometry(0, top, width(), qMax(0, height() - top));
}

}  // namespace pelarin::gui
