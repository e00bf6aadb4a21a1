#include "gui/app/initwin.h"

#include <QLineEdit>
#include <QPushButton>

#include "core/app/appstate.h"
#include "core/app/directories.h"
#include "core/text/errors.h"
#include "core/text/fieldencoder.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"

namespace pelarin::gui {

TInitform::TInitform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Initial Directories"));
  Edit2 = captionBox(this, "Edit2", QStringLiteral("Log File Directory"), QRect(8, 8, 121, 21));
  logfiledir = designControl<QLineEdit>(this, "logfiledir", QRect(136, 8, 297, 21));
  Edit1 = captionBox(this, "Edit1", QStringLiteral("Text File Directory"), QRect(8, 32, 121, 21));
  textfiledir = designControl<QLineEdit>(this, "textfiledir", QRect(136, 32, 297, 21));
  Edit3 = captionBox(this, "Edit3", QStringLiteral("UpLoad File Name"), QRect(8, 56, 121, 21));
  upfilename = designControl<QLineEdit>(this, "upfilename", QRect(136, 56, 297, 21));
  Edit4 = captionBox(this, "Edit4", QStringLiteral("List File Name"), QRect(8, 80, 121, 21));
  listfilename = designControl<QLineEdit>(this, "listfilename", QRect(136, 80, 297, 21));
  nameBy(logfiledir, {Edit2});
  nameBy(textfiledir, {Edit1});
  nameBy(upfilename, {Edit3});
  nameBy(listfilename, {Edit4});
  BitBtn1 = designControl<QPushButton>(this, "BitBtn1", QRect(48, 112, 75, 25));
  BitBtn1->setText(QStringLiteral("OK"));
  BitBtn1->setDefault(true);
  BitBtn2 = designControl<QPushButton>(this, "BitBtn2", QRect(200, 112, 75, 25));
  BitBtn2->setText(QStringLiteral("Cancel"));
  connect(BitBtn1, &QPushButton::clicked, this, &TInitform::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TInitform::BitBtn2Click);
  FormCreate();
}

void TInitform::FormCreate() {
  // As wide as the widest caption: at a larger font Edit2's width would cut the others.
  sameWidth({Edit1, Edit2, Edit3, Edit4});
  for (QLineEdit* label : {Edit1, Edit3, Edit4}) label->resize(label->width(), Edit2->height());
  for (QLineEdit* box : {textfiledir, upfilename, listfilename})
    box->resize(logfiledir->width(), box->height());
  for (QLineEdit* box : {logfiledir, textfiledir, upfilename, listfilename})
    box->resize(box->width(), Edit1->height());

  Edit2->move(8, 3);
  QLineEdit* above = Edit2;
  for (QLineEdit* label : {Edit1, Edit3, Edit4}) {
    label->move(8, bottom(above) + 1);
    above = label;
  }

  logfiledir->move(right(Edit2) + 5, Edit2->y());
  textfiledir->move(logfiledir->x(), Edit1->y());
  upfilename->move(logfiledir->x(), Edit3->y());
  listfilename->move(logfiledir->x(), Edit4->y());

  BitBtn1->move(BitBtn1->x(), bottom(Edit4) + 5);
  BitBtn2->move(BitBtn2->x(), bottom(Edit4) + 5);

  setFixedSize(right(textfiledir) + 8, bottom(BitBtn1) + 8);
}

void TInitform::execute() {
  logfiledir->setText(toQ(state_.LogFileDir));
  textfiledir->setText(toQ(state_.TextFileDir));
  upfilename->setText(toQ(state_.UpFileName));
  listfilename->setText(toQ(state_.ListFileName));
  exec();
}

void TInitform::BitBtn1Click() {
  runCommand(platform_, this, [this] {
    // Every box is encoded before any field changes: a text without a code page 932 form changes none.
    FieldEncoder fields;
    const Bytes log = withSeparator(toBytes(fields, "Log File Directory", logfiledir->text()));
    const Bytes text = withSeparator(toBytes(fields, "Text File Directory", textfiledir->text()));
    const Bytes upload = toBytes(fields, "UpLoad File Name", upfilename->text());
    const Bytes list = toBytes(fields, "List File Name", listfilename->text());
    fields.check(kSettingsEncodeHeading, "設定は変わっていません。");
    logfiledir->setText(toQ(log));
    state_.LogFileDir = log;
    textfiledir->setText(toQ(text));
    state_.TextFileDir = text;
    state_.UpFileName = upload;
    state_.ListFileName = list;
    accept();
  });
}

void TInitform::BitBtn2Click() { reject(); }

}  // namespace pelarin::gui
