#include "gui/lists/setlist.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "core/lists/bbsini.h"
#include "core/lists/boardlistuse.h"
#include "core/lists/listbuilders.h"
#include "core/text/errors.h"
#include "core/text/fieldencoder.h"
#include "core/text/paths.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"
#include "gui/shared/placement.h"

namespace pelarin::gui {

namespace {

constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kColumnWidth = 145, kRowHeight = 24;

QComboBox* dropDown(QWidget* parent, const QString& name) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  // What is typed is stored: no completion from the entries, and without a
  // completer Enter matches an entry in the same case only.
  box->setCompleter(nullptr);
  box->resize(kColumnWidth, kRowHeight);
  return box;
}

QLineEdit* edit(QWidget* parent, const QString& name) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->resize(kColumnWidth, kRowHeight);
  return box;
}

void offer(const std::array<QComboBox*, kBbsEntries>& boxes, const std::vector<Bytes>& stems) {
  QStringList names;
  for (const Bytes& stem : stems) names << toQ(stem);
  for (QComboBox* box : boxes) box->addItems(names);
}

}  // namespace

TSetLog::TSetLog(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("関連付け"));
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setDefault(true);
  const QRect header(0, 0, kColumnWidth, kRowHeight);
  Edit1 = captionBox(this, "Edit1", QStringLiteral("BBS File"), header);
  Edit2 = captionBox(this, "Edit2", QStringLiteral("Target File"), header);
  Edit3 = captionBox(this, "Edit3", QStringLiteral("Upload File Name"), header);
  for (int i = 0; i < kBbsEntries; ++i) {
    const QString n = QString::number(i + 1);
    List[static_cast<size_t>(i)] = dropDown(this, QStringLiteral("List") + n);
    Target[static_cast<size_t>(i)] = edit(this, QStringLiteral("Target") + n);
    upload[static_cast<size_t>(i)] = dropDown(this, QStringLiteral("upload") + n);
    // Each row read as its column's caption and its number.
    // Each row read as its column's caption and its number; a drop-down's
    // typing box, which takes the focus, as its drop-down.
    for (auto [box, caption] :
         {std::pair{List[static_cast<size_t>(i)], Edit1}, {upload[static_cast<size_t>(i)], Edit3}}) {
      describe(box, caption->text() + u' ' + n);
      describe(box->lineEdit(), caption->text() + u' ' + n);
    }
    describe(Target[static_cast<size_t>(i)], Edit2->text() + u' ' + n);
  }
  // Row by row, as the user reads the table.
  QWidget* previous = BitBtn2;
  for (size_t i = 0; i < kBbsEntries; ++i)
    for (QWidget* w : std::initializer_list<QWidget*>{List[i], Target[i], upload[i]}) {
      setTabOrder(previous, w);
      previous = w;
    }
  setTabOrder(BitBtn1, BitBtn2);

  connect(BitBtn1, &QPushButton::clicked, this, &TSetLog::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TSetLog::BitBtn2Click);
  FormCreate();
}

void TSetLog::FormCreate() {
  BitBtn1->move(5, 3);
  BitBtn2->move(right(BitBtn1) + 5, 3);
  const int headerTop = bottom(BitBtn1) + 5;
  Edit1->move(5, headerTop);
  Edit2->move(right(Edit1) + 2, headerTop);
  Edit3->move(right(Edit2) + 2, headerTop);
  int top = bottom(Edit1) + 1;
  for (size_t i = 0; i < kBbsEntries; ++i) {
    List[i]->setGeometry(Edit1->x(), top, Edit1->width(), List[i]->height());
    Target[i]->setGeometry(Edit2->x(), top, Edit2->width(), List[i]->height());
    upload[i]->setGeometry(Edit3->x(), top, Edit3->width(), List[i]->height());
    top = bottom(List[i]) + 1;
  }
  setClientSize(this, right(Edit3) + 5, bottom(List[kBbsEntries - 1]) + 5);
  setFixedSize(size());
}

void TSetLog::fill() {
  for (size_t i = 0; i < kBbsEntries; ++i) {
    List[i]->clear();
    upload[i]->clear();
    Target[i]->clear();
  }
  offer(List, fileStems(pathFromText(state_.WorkDir), kBoardListExtension));
  const Bytes textDir = state_.TextFileDir.empty() ? Bytes(".") : state_.TextFileDir;
  offer(upload, fileStems(pathFromText(textDir), ".txt"));
  for (size_t i = 0; i < kBbsEntries; ++i) {
    List[i]->setEditText(toQ(state_.BbsTable[i].List));
    Target[i]->setText(toQ(state_.BbsTable[i].Target));
    upload[i]->setEditText(toQ(state_.BbsTable[i].Upload));
  }
}

void TSetLog::execute() {
  if (!runCommand(platform_, parentWidget(), [this] { fill(); })) return;
  exec();
}

void TSetLog::BitBtn1Click() {
  runCommand(platform_, this, [this] {
    BbsTableType table{};
    FieldEncoder fields;
    for (size_t i = 0; i < kBbsEntries; ++i) {
      const std::string row = " " + std::to_string(i + 1);
      table[i].List = toBytes(fields, ("BBS File" + row).c_str(), List[i]->currentText());
      table[i].Target = toBytes(fields, ("Target File" + row).c_str(), Target[i]->text());
      table[i].Upload = toBytes(fields, ("Upload File Name" + row).c_str(), upload[i]->currentText());
    }
    fields.check(kSettingsEncodeHeading, "関連付けは変わっていません。");
    writeBbsIni(pathFromText(state_.WorkDir + kBbsIniName), table);
    state_.BbsTable = table;
    accept();
  });
}

void TSetLog::BitBtn2Click() { reject(); }

}  // namespace pelarin::gui
