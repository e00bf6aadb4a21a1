#include "core/text/errors.h"

#include <cstring>

#include "core/text/cp932.h"

namespace pelarin {

namespace {

std::string encodeMessage(const std::vector<char32_t>& characters) {
  std::string list;
  for (char32_t c : characters) {
    if (!list.empty()) list += ' ';
    list += "\"" + codePointToUtf8(c) + "\"";
    char code[16];
    std::snprintf(code, sizeof code, " (U+%04X)", static_cast<unsigned>(c));
    list += code;
  }
  return "Characters that cannot be sent in Shift-JIS: " + list;
}

}  // namespace

ConversionError::ConversionError(const Bytes& text)
    : Error("'" + cp932ToUtf8(text) + "' は整数ではありません"), text_(text) {}

NotANumberError::NotANumberError() : Error("入力値が数値ではありません") {}

FileError::FileError(const std::string& action, const std::filesystem::path& path, int errorNumber)
    : Error(action + " \"" + path.string() + "\": " + std::strerror(errorNumber)),
      path_(path),
      errno_(errorNumber) {}

FileError::FileError(const std::string& action, const std::filesystem::path& path, int errorNumber,
                     const std::string& reason)
    : Error(action + " \"" + path.string() + "\": " + reason), path_(path), errno_(errorNumber) {}

EncodeError::EncodeError(std::vector<char32_t> characters)
    : Error(encodeMessage(characters)), characters_(std::move(characters)) {}

}  // namespace pelarin
