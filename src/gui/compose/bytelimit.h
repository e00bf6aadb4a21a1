// A one-line field limited in code page 932 bytes, as the host limits titles.
#pragma once

#include <QValidator>
#include <cstddef>

namespace pelarin::gui {

// What typing or pasting adds beyond the limit is dropped from the end of the
// insertion (just before the caret), whole characters at a time, so a pasted
// text is cut to fit and a typed character that does not fit is refused.
// A character without a code page 932 form counts one byte here; OK reports it.
class ByteLimit : public QValidator {
 public:
  ByteLimit(size_t limit, QObject* parent) : QValidator(parent), limit_(limit) {}

  State validate(QString& input, int& pos) const override;

 private:
  size_t limit_;
};

}  // namespace pelarin::gui
