// Conversion between code page 932 bytes and Unicode, through iconv "CP932".
// Decoding never fails (invalid bytes become U+FFFD); encoding never substitutes.
#pragma once

#include <string>
#include <string_view>

#include "core/text/bytes.h"

namespace pelarin {

std::string cp932ToUtf8(ByteView bytes);
std::u16string cp932ToUtf16(ByteView bytes);

// Throws EncodeError naming every character that has no code page 932 form.
Bytes utf8ToCp932(std::string_view utf8);
Bytes utf16ToCp932(std::u16string_view utf16);

// Bytes the text takes in code page 932; a character without a form counts one byte.
size_t cp932Length(std::u16string_view utf16);

std::string utf16ToUtf8(std::u16string_view utf16);
std::u16string utf8ToUtf16(std::string_view utf8);
std::string codePointToUtf8(char32_t c);

}  // namespace pelarin
