#include "core/text/errors.h"

#include <unicode/uchar.h>

#include <cstring>

#include "core/text/cp932.h"

namespace pelarin {

namespace {

constexpr char kEncodeMessage[] = "Characters that cannot be sent in Shift-JIS:";

// Spaces, controls, format characters and marks without a base show nothing one could quote.
bool invisible(char32_t c) {
  const auto u = static_cast<UChar32>(c);
  switch (u_charType(u)) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SPACE_SEPARATOR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
    case U_NON_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_PRIVATE_USE_CHAR:
    case U_SURROGATE:
    case U_UNASSIGNED:
      return true;
    default:
      return u_hasBinaryProperty(u, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
  }
}

std::string characterList(const std::vector<char32_t>& characters) {
  std::string list;
  for (char32_t c : characters) {
    if (!list.empty()) list += ' ';
    list += characterDescription(c);
  }
  return list;
}

std::vector<char32_t> allCharacters(const std::vector<FieldCharacters>& fields) {
  std::vector<char32_t> all;
  for (const FieldCharacters& f : fields) all.insert(all.end(), f.characters.begin(), f.characters.end());
  return all;
}

std::string encodeMessage(const std::vector<FieldCharacters>& fields,
                          const std::string& heading = kEncodeMessage,
                          const std::string& closing = std::string()) {
  std::string text = heading;
  if (fields.size() == 1 && fields[0].caption.empty())
    text += " " + characterList(fields[0].characters);
  else
    for (const FieldCharacters& f : fields) text += "\n" + f.caption + ": " + characterList(f.characters);
  if (!closing.empty()) text += "\n" + closing;
  return text;
}

}  // namespace

const char kSettingsEncodeHeading[] = "Shift-JIS で表せないため設定に保存できない文字があります:";

ConversionError::ConversionError(const Bytes& text)
    : Error("'" + cp932ToUtf8(text) + "' は整数ではありません"), text_(text) {}

ConversionError::ConversionError(const Bytes& text, const std::string& where)
    : Error("'" + cp932ToUtf8(text) + "' は整数ではありません\n" + where), text_(text) {}

NotANumberError::NotANumberError() : Error("入力値が数値ではありません") {}

FileError::FileError(const std::string& action, const std::filesystem::path& path, int errorNumber)
    : Error(action + " \"" + path.string() + "\": " + std::strerror(errorNumber)),
      path_(path),
      errno_(errorNumber) {}

FileError::FileError(const std::string& action, const std::filesystem::path& path, int errorNumber,
                     const std::string& reason)
    : Error(action + " \"" + path.string() + "\": " + reason), path_(path), errno_(errorNumber) {}

std::string characterDescription(char32_t c) {
  char code[16];
  std::snprintf(code, sizeof code, " (U+%04X)", static_cast<unsigned>(c));
  if (!invisible(c)) return "\"" + codePointToUtf8(c) + "\"" + code;
  char name[128];
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = u_charName(static_cast<UChar32>(c), U_UNICODE_CHAR_NAME, name, sizeof name, &status);
  if (U_FAILURE(status) || length <= 0) {
    // Controls, private use and unassigned code points have no name of their own.
    status = U_ZERO_ERROR;
    length = u_charName(static_cast<UChar32>(c), U_EXTENDED_CHAR_NAME, name, sizeof name, &status);
  }
  if (U_FAILURE(status) || length <= 0 || length >= static_cast<int32_t>(sizeof name)) return code + 1;
  return std::string(name, static_cast<size_t>(length)) + code;
}

EncodeError::EncodeError(std::vector<char32_t> characters)
    : EncodeError(std::vector<FieldCharacters>{{std::string(), std::move(characters)}}) {}

EncodeError::EncodeError(std::vector<FieldCharacters> fields)
    : Error(encodeMessage(fields)), fields_(std::move(fields)), characters_(allCharacters(fields_)) {}

EncodeError::EncodeError(std::vector<FieldCharacters> fields, const std::string& heading,
                         const std::string& closing)
    : Error(encodeMessage(fields, heading, closing)),
      fields_(std::move(fields)),
      characters_(allCharacters(fields_)) {}

NameError::NameError(const std::string& what, const std::filesystem::path& path,
                     const std::vector<char32_t>& characters, const std::string& instead)
    : Error(what + " '" + path.string() + "' の名前には Shift-JIS で表せない文字があります: " +
            characterList(characters) + "\n" + instead) {}

}  // namespace pelarin
