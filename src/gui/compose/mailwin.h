// The "Mail Window": mail to up to ten user IDs, written to the upload script.
#pragma once

#include <array>

#include "gui/compose/composerwindow.h"
#include "gui/compose/editorparts.h"

class QLineEdit;
class QPushButton;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;
class TInputList;

class TMailform : public ComposerWindow {
  Q_OBJECT

 public:
  static constexpr int kIds = 10;

  TMailform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Mail To command; quotationEnabled: the shown message has a title and
  // a writer ID. Brings an open window to the front, else clears and shows it.
  // Throws FileError when the signature cannot be read; the window then stays closed.
  void open(bool quotationEnabled);

  // The window that offers the list for the right-button pick.
  void setPickList(TInputList* pickList) { pickList_ = pickList; }

  // The Font command.
  void applyFont(const QFont& font);

  QString designCaption() const override;

 protected:
  StoredGeometry stored() override;
  int derivedWidth() const override;
  void FormResize() override;
  void fillDraft(Draft& draft) const override;
  void takeDraft(const Draft& draft) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ID0Change();
  void MesTitleChange();
  void IDMouseDown(QLineEdit* field);
  void QuotationClick();
  void BitBtn1Click();
  void BitBtn2Click();
  // OK is enabled with a first recipient and a title.
  void updateOk();

  AppState& state_;
  Platform& platform_;
  TInputList* pickList_ = nullptr;
  QLineEdit* Edit1;
  QPushButton* Quotation;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  std::array<QLineEdit*, kIds> ID;  // ID0 .. ID9
  QLineEdit* Edit2;
  QLineEdit* MesTitle;
  CounterRow counters_;
  EditorView* MailView;
};

}  // namespace pelarin::gui
