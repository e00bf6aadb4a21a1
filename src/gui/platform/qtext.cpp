#include "gui/platform/qtext.h"

#include "core/text/cp932.h"
#include "core/text/fieldencoder.h"

namespace pelarin::gui {

QString toQ(ByteView cp932) {
  std::u16string u = cp932ToUtf16(cp932);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

Bytes toBytes(const QString& text) {
  return utf16ToCp932(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())));
}

Bytes toBytes(FieldEncoder& fields, const char* caption, const QString& text) {
  return fields.encode(caption, std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                    static_cast<size_t>(text.size())));
}

QString toShownQ(ByteView cp932) {
  QString text = toQ(cp932);
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (!text[i].isHighSurrogate() || !text[i + 1].isLowSurrogate()) continue;
    if (isCarriedUnit(QChar::surrogateToUcs4(text[i], text[i + 1]))) text.replace(i, 2, QChar(0xFFFD));
  }
  return text;
}

QString pathToQ(ByteView cp932Path) { return toQ(cp932Path); }

Bytes pathToBytes(const QString& path) { return toBytes(path); }

std::filesystem::path toPath(const QString& path) {
  QByteArray utf8 = path.toUtf8();
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace pelarin::gui
