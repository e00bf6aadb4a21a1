#include "core/app/workdir.h"

#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/paths.h"

namespace pelarin {

Bytes workDirText(const std::filesystem::path& dir, std::string* warning) {
  auto u8 = dir.u8string();
  std::vector<char32_t> failed;
  Bytes text = utf16ToCp932(
      utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size())), failed);
  if (!failed.empty()) {
    if (warning)
      *warning =
          NameError("作業ディレクトリ", dir, failed, "ファイルは現在のディレクトリからの相対パスで扱います。")
              .what();
    return Bytes();
  }
  if (text.empty() || text.back() != kSeparator) text += kSeparator;
  return text;
}

Bytes currentWorkDir(std::string* warning) { return workDirText(std::filesystem::current_path(), warning); }

}  // namespace pelarin
