#include "gui/outbox/outboxwin.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/app/appstate.h"
#include "core/compose/draft.h"
#include "core/compose/uploadscript.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/paths.h"
#include "gui/compose/composerwindow.h"
#include "gui/platform/command.h"
#include "gui/platform/fonts.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/counts.h"
#include "gui/shared/keys.h"

namespace pelarin::gui {

namespace {

enum Column { kNo, kKind, kAddressee, kTitle, kLines, kBytes, kColumns };

QString kindCaption(BlockKind kind) {
  switch (kind) {
    case BlockKind::Response:
      return QStringLiteral("Responce");
    case BlockKind::NewMessage:
      return QStringLiteral("New Message");
    case BlockKind::Mail:
      return QStringLiteral("Mail");
    case BlockKind::Text:
      break;
  }
  return QStringLiteral("Text");
}

QString addressees(const ScriptBlock& block) {
  if (block.kind != BlockKind::Mail) return toShownQ(block.board);
  QStringList ids;
  for (const Bytes& id : block.ids)
    if (!id.empty()) ids << toShownQ(id);
  return ids.join(QStringLiteral(", "));
}

// The composer's fields as its draft holds them: the system's bytes for the
// response's board and number, lossless UTF-8 for the rest.
Draft fieldsOf(const ScriptBlock& block, const Bytes& textFileDir, const Bytes& uploadFile) {
  const auto utf8 = [](ByteView bytes) { return cp932ToUtf8(bytes); };
  Bytes text;
  for (const Bytes& line : block.body) text += utf8(line) + "\n";
  Draft draft;
  draft.kind = block.kind == BlockKind::Response     ? DraftKind::Response
               : block.kind == BlockKind::NewMessage ? DraftKind::NewMessage
                                                     : DraftKind::Mail;
  draft.textFileDir = textFileDir;
  draft.uploadFile = uploadFile;
  for (const DraftField& field : draftFields(draft.kind)) draft.fields[field.name];
  draft.fields["MesTitle"] = utf8(block.title);
  if (block.kind == BlockKind::Response) {
    draft.fields["Boardnum"] = block.board;
    draft.fields["Mesnum"] = block.mesnum;
    draft.fields["Resview"] = text;
  } else if (block.kind == BlockKind::NewMessage) {
    draft.fields["Boardnum"] = utf8(block.board);
    draft.fields["NewView"] = text;
  } else {
    for (size_t i = 0; i < block.ids.size(); ++i) draft.fields["ID" + std::to_string(i)] = utf8(block.ids[i]);
    draft.fields["MailView"] = text;
  }
  return draft;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

TOutboxform::TOutboxform(AppState& state, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Upload Script"));
  RecordList = new QTableWidget(0, kColumns, this);
  RecordList->setObjectName(QStringLiteral("RecordList"));
  RecordList->setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Kind"),
                                         QStringLiteral("Board / To"), QStringLiteral("Title"),
                                         QStringLiteral("Lines"), QStringLiteral("Bytes")});
  RecordList->setSelectionBehavior(QAbstractItemView::SelectRows);
  RecordList->setSelectionMode(QAbstractItemView::SingleSelection);
  RecordList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  RecordList->verticalHeader()->hide();
  RecordList->horizontalHeader()->setStretchLastSection(false);
  RecordList->horizontalHeader()->setSectionResizeMode(kTitle, QHeaderView::Stretch);
  RecordView = new QPlainTextEdit(this);
  RecordView->setObjectName(QStringLiteral("RecordView"));
  RecordView->setReadOnly(true);
  RecordView->setLineWrapMode(QPlainTextEdit::NoWrap);
  ProblemLabel = new QLabel(this);
  ProblemLabel->setObjectName(QStringLiteral("ProblemLabel"));
  ProblemList = new QListWidget(this);
  ProblemList->setObjectName(QStringLiteral("ProblemList"));
  describe(RecordList, QStringLiteral("Records"), QStringLiteral("アップロードファイルの記事の一覧"));
  describe(RecordView, QStringLiteral("Record"), QStringLiteral("選んだ記事として送られる行"));
  describe(ProblemList, QStringLiteral("Problems"), QStringLiteral("アップロードファイルの問題の一覧"));
  BtEdit = button(this, "BtEdit", QStringLiteral("Edit..."));
  BtDelete = button(this, "BtDelete", QStringLiteral("Delete"));
  BtUp = button(this, "BtUp", QStringLiteral("Move Up"));
  BtDown = button(this, "BtDown", QStringLiteral("Move Down"));
  BtClose = button(this, "BtClose", QStringLiteral("Close"));

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {BtEdit, BtDelete, BtUp, BtDown}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(BtClose);
  auto* problems = new QWidget(this);
  auto* problemLayout = new QVBoxLayout(problems);
  problemLayout->setContentsMargins(0, 0, 0, 0);
  problemLayout->addWidget(ProblemLabel);
  problemLayout->addWidget(ProblemList);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(RecordList);
  splitter->addWidget(RecordView);
  splitter->addWidget(problems);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  splitter->setStretchFactor(2, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(splitter);
  resize(640, 560);

  connect(RecordList, &QTableWidget::itemSelectionChanged, this, &TOutboxform::RecordListSelect);
  connect(RecordList, &QTableWidget::cellDoubleClicked, this, [this] {
    if (BtEdit->isEnabled()) BtEditClick();
  });
  connect(ProblemList, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    selectRow(ProblemList->item(row)->data(Qt::UserRole).toInt());
  });
  connect(BtEdit, &QPushButton::clicked, this, &TOutboxform::BtEditClick);
  connect(BtDelete, &QPushButton::clicked, this, &TOutboxform::BtDeleteClick);
  connect(BtUp, &QPushButton::clicked, this, &TOutboxform::BtUpClick);
  connect(BtDown, &QPushButton::clicked, this, &TOutboxform::BtDownClick);
  connect(BtClose, &QPushButton::clicked, this, &QWidget::close);
  for (auto [key, target] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Up), BtUp},
                             {QKeySequence(Qt::CTRL | Qt::Key_Down), BtDown},
                             {QKeySequence(Qt::Key_Delete), BtDelete}}) {
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, target, [b = target] {
      if (b->isEnabled()) b->click();
    });
  }
  RecordListSelect();
}

void TOutboxform::setComposers(ComposerWindow* res, ComposerWindow* newMessage, ComposerWindow* mail) {
  res_ = res;
  new_ = newMessage;
  mail_ = mail;
  for (ComposerWindow* composer : {res, newMessage, mail})
    if (composer)
      connect(composer, &ComposerWindow::composed, this, [this] {
        if (isVisible()) runCommand(platform_, this, [this] { reload(); });
      });
}

void TOutboxform::open() {
  RecordView->setFont(stateFont(state_));
  setWindowTitle(toQ(scriptName()) + QStringLiteral(" - Upload Script"));
  reload();
  bringUp(this);
}

bool TOutboxform::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && isVisible()) {
    // Quietly: a box here would activate the window again when it closes. The
    // next command on the script says what is wrong with it.
    try {
      if (scriptBytes(readUploadScript(scriptPath())) != read_) reload();
    } catch (const Error&) {
    }
  }
  return QWidget::event(event);
}

void TOutboxform::reload() {
  const int row = selectedRow();
  // Emptied first: a script that cannot be read shows nothing stale.
  content_ = {};
  read_.clear();
  showContent();
  content_ = readUploadScript(scriptPath());
  read_ = scriptBytes(content_);
  showContent();
  selectRow(std::min(row, static_cast<int>(content_.blocks.size()) - 1));
}

void TOutboxform::showContent() {
  RecordList->setRowCount(static_cast<int>(content_.blocks.size()));
  for (int r = 0; r < RecordList->rowCount(); ++r) {
    const ScriptBlock& b = content_.blocks[static_cast<size_t>(r)];
    const QString cells[kColumns] = {
        QString::number(r + 1),  kindCaption(b.kind),
        addressees(b),           b.isRecord() ? toShownQ(b.title) : toShownQ(b.lines.front()),
        grouped(b.lines.size()), grouped(b.raw.size())};
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == kNo || c == kLines || c == kBytes) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      RecordList->setItem(r, c, item);
    }
  }
  RecordList->resizeColumnsToContents();
  RecordList->horizontalHeader()->setSectionResizeMode(kTitle, QHeaderView::Stretch);

  const std::vector<ScriptProblem> problems = checkUploadScript(content_);
  ProblemList->clear();
  for (const ScriptProblem& p : problems) {
    auto* item = new QListWidgetItem(
        QStringLiteral("%1 番目 (%2 行目): %3").arg(p.block).arg(p.line).arg(QString::fromStdString(p.text)),
        ProblemList);
    item->setData(Qt::UserRole, static_cast<int>(p.block) - 1);
  }
  ProblemLabel->setText(problems.empty() ? QStringLiteral("問題はありません")
                                         : QStringLiteral("問題: %1 件").arg(grouped(problems.size())));
  RecordListSelect();
}

void TOutboxform::selectRow(int row) {
  if (row < 0) {
    RecordList->clearSelection();
    RecordListSelect();
    return;
  }
  RecordList->selectRow(row);
}

int TOutboxform::selectedRow() const {
  const QList<QTableWidgetSelectionRange> ranges = RecordList->selectedRanges();
  return ranges.isEmpty() ? -1 : ranges.front().topRow();
}

void TOutboxform::RecordListSelect() {
  const int row = selectedRow();
  const int count = static_cast<int>(content_.blocks.size());
  const bool any = row >= 0 && row < count;
  BtEdit->setEnabled(any && content_.blocks[static_cast<size_t>(row)].isRecord());
  BtDelete->setEnabled(any);
  BtUp->setEnabled(any && row > 0);
  BtDown->setEnabled(any && row + 1 < count);
  // Every line the terminal sends, as it is.
  QString text;
  if (any)
    for (const Bytes& line : content_.blocks[static_cast<size_t>(row)].lines) text += toShownQ(line) + u'\n';
  RecordView->setPlainText(text);
}

ComposerWindow* TOutboxform::composerFor(BlockKind kind) const {
  switch (kind) {
    case BlockKind::Response:
      return res_;
    case BlockKind::NewMessage:
      return new_;
    case BlockKind::Mail:
      return mail_;
    case BlockKind::Text:
      break;
  }
  return nullptr;
}

Bytes TOutboxform::scriptName() const {
  if (!state_.UploadFile.empty()) return state_.UploadFile;
  AppState chosen = state_;
  ChooseUploadFile(chosen);
  return chosen.UploadFile;
}

std::filesystem::path TOutboxform::scriptPath() const {
  return pathFromText(state_.TextFileDir + scriptName());
}

bool TOutboxform::unchangedSinceRead() {
  const ScriptContent now = readUploadScript(scriptPath());
  if (scriptBytes(now) == read_) return true;
  readAgain();
  return false;
}

void TOutboxform::readAgain() {
  reload();
  platform_.messageBox(this, BoxKind::Information,
                       QStringLiteral("アップロードファイルが他で書き換えられていたため、読み直しました。\n"
                                      "内容を確かめてから、もう一度操作してください。"),
                       BoxButtons::Ok);
}

void TOutboxform::write(int row) {
  // Checked again under the script's lock: a record appended since the last
  // check (a composer's OK, another program) is read, not written over.
  if (!rewriteUploadScript(scriptPath(), read_, content_)) {
    readAgain();
    return;
  }
  read_ = scriptBytes(content_);
  renumber(content_);
  showContent();
  selectRow(row);
}

void TOutboxform::BtEditClick() {
  runCommand(platform_, this, [this] {
    const int row = selectedRow();
    if (row < 0 || !unchangedSinceRead()) return;
    const ScriptBlock& block = content_.blocks[static_cast<size_t>(row)];
    ComposerWindow* composer = composerFor(block.kind);
    if (!composer) return;
    if (composer->isVisible()) {
      platform_.messageBox(this, BoxKind::Warning,
                           QStringLiteral("%1 で編集中のメッセージがあります。\n"
                                          "そのウィンドウを閉じてから、もう一度選んでください。")
                               .arg(composer->designCaption()),
                           BoxButtons::Ok);
      composer->bringToFront();
      return;
    }
    composer->editRecord(fieldsOf(block, state_.TextFileDir, scriptName()), static_cast<size_t>(row),
                         block.raw);
  });
}

void TOutboxform::BtDeleteClick() {
  runCommand(platform_, this, [this] {
    const int row = selectedRow();
    if (row < 0 || !unchangedSinceRead()) return;
    const ScriptBlock& block = content_.blocks[static_cast<size_t>(row)];
    const QString what = block.isRecord() ? toShownQ(block.title) : toShownQ(block.lines.front());
    if (platform_.messageBox(this, BoxKind::Confirmation,
                             QStringLiteral("%1 番目の %2「%3」をアップロードファイルから削除しますか？")
                                 .arg(row + 1)
                                 .arg(kindCaption(block.kind), what),
                             BoxButtons::YesNoDefaultNo) != BoxAnswer::Yes)
      return;
    ScriptContent before = content_;
    content_.blocks.erase(content_.blocks.begin() + row);
    try {
      write(std::min(row, static_cast<int>(content_.blocks.size()) - 1));
    } catch (...) {
      content_ = std::move(before);
      throw;
    }
  });
}

void TOutboxform::BtUpClick() { move(-1); }

void TOutboxform::BtDownClick() { move(1); }

void TOutboxform::move(int by) {
  runCommand(platform_, this, [this, by] {
    const int row = selectedRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= static_cast<int>(content_.blocks.size()) || !unchangedSinceRead()) return;
    std::swap(content_.blocks[static_cast<size_t>(row)], content_.blocks[static_cast<size_t>(to)]);
    try {
      write(to);
    } catch (...) {
      std::swap(content_.blocks[static_cast<size_t>(row)], content_.blocks[static_cast<size_t>(to)]);
      throw;
    }
  });
}

}  // namespace pelarin::gui
