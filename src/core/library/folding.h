// The form both a message and a query are compared in: NFKC with case
// folding, so fullwidth letters and digits meet ASCII and halfwidth katakana
// meets katakana; then katakana as hiragana, and after a kana every
// character typed for the long-vowel mark (ー ｰ － ‐ ― ─) as the mark.
#pragma once

#include <string>
#include <string_view>

namespace pelarin {

// UTF-8 in, UTF-8 out.
std::string foldText(std::string_view utf8);
// The same for a text folded a piece at a time: before is the last
// character folded of the pieces before (0 at the start), updated.
std::string foldPiece(std::string_view utf8, char32_t& before);

}  // namespace pelarin
