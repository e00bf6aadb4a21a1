// Where a query's texts are in a message as it is shown, found as the
// search finds them (folded, wrapped lines joined), for marking them and
// for the words around the first one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelarin {

// The folded texts a query looks for (its text terms and phrases, not the
// ones it excludes).
std::vector<std::string> textsToMark(const std::vector<std::string>& terms);

// Byte ranges of utf8 holding one of the folded texts, in order, joined
// where they overlap; one the capture wrapped runs over the line end.
std::vector<std::pair<size_t, size_t>> foundSpans(std::string_view utf8, const std::vector<std::string>& folded);

// About `characters` characters around the first found text of a body, on
// one line, with "…" where it was cut; empty when none is found.
std::string snippetOf(std::string_view bodyUtf8, const std::vector<std::string>& folded, size_t characters = 40);

}  // namespace pelarin
