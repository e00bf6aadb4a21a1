// Conversion between code page 932 bytes and Unicode; glibc iconv "CP932" is the table.
//
// Decoding is lossless, so that what the user did not edit goes back out as the bytes it came from:
// - 0x80, 0xA0 and 0xFD-0xFF decode as Windows does: U+0080, U+F8F0, U+F8F1, U+F8F2, U+F8F3.
// - Every other unit without a form is carried by a code point of the supplementary private-use
//   plane 15, which code page 932 never maps to (its user-defined area F040-F9FC is U+E000-U+E757):
//   a lead byte alone (at the end, or before a byte that is no trail byte) is U+F0000 + the byte
//   (U+F0081-U+F00FC); a lead and a trail byte without a mapping are one unit, U+F0000 + the 16-bit
//   code (U+F8140-U+FFCFC), so its trail byte (0x5C, say) is never read as a character of its own.
// In UTF-16 a carried unit is a surrogate pair; it counts as the bytes it stands for. Only the units
// decoding gives are carried back; any other code point of the plane has no form.
// Encoding never substitutes: a character without a form is an error that names it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/text/bytes.h"

namespace pelarin {

std::string cp932ToUtf8(ByteView bytes);
std::u16string cp932ToUtf16(ByteView bytes);

// A code point that carries bytes without a Unicode form.
bool isCarriedUnit(char32_t c);

// Throws EncodeError naming every character that has no code page 932 form. A kana followed by a
// combining voiced or semi-voiced mark (U+3099, U+309A) is first composed to one character.
Bytes utf8ToCp932(std::string_view utf8);
Bytes utf16ToCp932(std::u16string_view utf16);

// As above, but each character without a form becomes "?" and goes to `failed` (each once).
Bytes utf16ToCp932(std::u16string_view utf16, std::vector<char32_t>& failed);

// Appends the form of one code point; false (nothing appended) when it has none.
bool appendCp932(char32_t c, Bytes& out);
// The character a kana and a following voiced or semi-voiced mark compose, or 0.
char32_t composedKana(char32_t base, char32_t mark);

// Bytes the text takes in code page 932; a character without a form counts one byte.
size_t cp932Length(std::u16string_view utf16);

std::string utf16ToUtf8(std::u16string_view utf16);
std::u16string utf8ToUtf16(std::string_view utf8);
std::string codePointToUtf8(char32_t c);

}  // namespace pelarin
