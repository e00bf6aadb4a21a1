#include "gui/compose/latinfield.h"

#include <QValidator>

namespace pelarin::gui {

namespace {

constexpr char16_t kFirstFullwidth = 0xFF01, kLastFullwidth = 0xFF5E;
constexpr char16_t kFullwidthOffset = 0xFF01 - 0x21;

// A validator may change what it checks; the field then shows the changed text.
class AsciiForms : public QValidator {
 public:
  AsciiForms(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}

  State validate(QString& input, int&) const override {
    input = asciiForms(input);
    return limit_ == 0 || input.size() <= limit_ ? Acceptable : Invalid;
  }

 private:
  int limit_;
};

}  // namespace

QString asciiForms(QString text) {
  for (QChar& c : text)
    if (c.unicode() >= kFirstFullwidth && c.unicode() <= kLastFullwidth)
      c = QChar(static_cast<char16_t>(c.unicode() - kFullwidthOffset));
  return text;
}

LatinField::LatinField(QWidget* parent, int typedLimit) : QLineEdit(parent) {
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
  setValidator(new AsciiForms(typedLimit, this));
}

QVariant LatinField::inputMethodQuery(Qt::InputMethodQuery query) const {
  return inputMethodQuery(query, QVariant());
}

QVariant LatinField::inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const {
  if (query == Qt::ImEnabled) return false;
  return QLineEdit::inputMethodQuery(query, argument);
}

}  // namespace pelarin::gui
