#include "core/text/paths.h"

#include "core/text/cp932.h"

namespace pelarin {

std::filesystem::path pathFromText(ByteView text) {
  std::string utf8 = cp932ToUtf8(text);
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

Bytes textFromPath(const std::filesystem::path& path) {
  auto u8 = path.u8string();
  return utf8ToCp932(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

bool fileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool entryExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

void removeQuietly(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace pelarin
