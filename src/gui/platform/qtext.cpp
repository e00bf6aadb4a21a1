#include "gui/platform/qtext.h"

#include "core/text/cp932.h"

namespace pelarin::gui {

QString toQ(ByteView cp932) {
  std::u16string u = cp932ToUtf16(cp932);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

Bytes toBytes(const QString& text) {
  return utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<size_t>(text.size())));
}

QString pathToQ(ByteView cp932Path) { return toQ(cp932Path); }

Bytes pathToBytes(const QString& path) { return toBytes(path); }

std::filesystem::path toPath(const QString& path) {
  QByteArray utf8 = path.toUtf8();
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace pelarin::gui
