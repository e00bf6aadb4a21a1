#include "gui/compose/bytelimit.h"

#include <algorithm>

#include "core/text/cp932.h"

namespace pelarin::gui {

namespace {

size_t bytesOf(const QString& text, int from, int units) {
  return cp932Length(std::u16string_view(reinterpret_cast<const char16_t*>(text.constData()) + from,
                                         static_cast<size_t>(units)));
}

// Removes whole characters ending at `end` until the text fits or nothing is
// left before `end`; returns where the removal began.
int dropBefore(QString& text, int end, size_t& length, size_t limit) {
  int cut = end;
  while (length > limit && cut > 0) {
    const int units = cut >= 2 && text[cut - 1].isLowSurrogate() && text[cut - 2].isHighSurrogate() ? 2 : 1;
    cut -= units;
    length -= bytesOf(text, cut, units);
  }
  text.remove(cut, end - cut);
  return cut;
}

}  // namespace

QValidator::State ByteLimit::validate(QString& input, int& pos) const {
  size_t length = bytesOf(input, 0, static_cast<int>(input.size()));
  if (length <= limit_) return Acceptable;
  if (pos > 0) pos = dropBefore(input, pos, length, limit_);
  // A caret at the start (a text set whole) cuts from the end.
  if (length > limit_) dropBefore(input, static_cast<int>(input.size()), length, limit_);
  pos = std::min(pos, static_cast<int>(input.size()));
  return Acceptable;
}

}  // namespace pelarin::gui
