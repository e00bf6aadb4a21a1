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

}  // namespace pelarin
