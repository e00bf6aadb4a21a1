#include "core/library/foundtext.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>

#include "core/library/folding.h"
#include "core/library/searchquery.h"
#include "core/library/tokenizer.h"

namespace pelarin {

namespace {

// A text folded as the search folds it, each byte knowing the characters
// of the original it came from.
struct Mapped {
  std::string text;
  std::vector<size_t> begin, end;  // per byte of text: its source in the original
};

bool joinsThePrevious(UChar32 c) {
  return u_getCombiningClass(c) > 0 || c == 0x3099 || c == 0x309A || c == 0xFF9E || c == 0xFF9F;
}

Mapped foldMapped(std::string_view s) {
  Mapped m;
  const auto n = static_cast<int32_t>(s.size());
  char32_t before = 0;
  for (int32_t i = 0; i < n;) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(s.data(), i, n, c);
    // A voiced mark or an accent folds with the character it follows.
    for (int32_t j = i; j < n;) {
      UChar32 next;
      U8_NEXT(s.data(), j, n, next);
      if (next < 0 || !joinsThePrevious(next)) break;
      i = j;
    }
    const std::string folded = foldPiece(s.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)), before);
    m.text += folded;
    m.begin.insert(m.begin.end(), folded.size(), static_cast<size_t>(start));
    m.end.insert(m.end.end(), folded.size(), static_cast<size_t>(i));
  }
  return m;
}

// The line ends the capture wrapped Japanese text at, taken out as the index takes them.
Mapped joined(const Mapped& m) {
  Mapped out;
  const std::string j = joinWrapped(m.text);
  if (j.size() == m.text.size()) return m;
  // joinWrapped only drops bytes: walk both to keep each kept byte's source.
  size_t k = 0;
  for (size_t i = 0; i < m.text.size() && k < j.size(); ++i) {
    if (m.text[i] != j[k]) continue;
    out.text += j[k++];
    out.begin.push_back(m.begin[i]);
    out.end.push_back(m.end[i]);
  }
  return out;
}

}  // namespace

std::vector<std::string> textsToMark(const std::vector<std::string>& terms) {
  std::vector<std::string> out;
  for (const auto& group : parseQuery(terms).groups)
    for (const QueryTerm& t : group) {
      if (!t.isText() || t.excluded) continue;
      std::string f = foldText(t.text);
      if (!f.empty() && std::find(out.begin(), out.end(), f) == out.end()) out.push_back(std::move(f));
    }
  return out;
}

std::vector<std::pair<size_t, size_t>> foundSpans(std::string_view utf8, const std::vector<std::string>& folded) {
  std::vector<std::pair<size_t, size_t>> spans;
  if (folded.empty() || utf8.empty()) return spans;
  const Mapped m = joined(foldMapped(utf8));
  for (const std::string& f : folded)
    for (size_t at = m.text.find(f); at != std::string::npos; at = m.text.find(f, at + f.size()))
      spans.emplace_back(m.begin[at], m.end[at + f.size() - 1]);
  std::sort(spans.begin(), spans.end());
  std::vector<std::pair<size_t, size_t>> merged;
  for (const auto& s : spans) {
    if (!merged.empty() && s.first <= merged.back().second)
      merged.back().second = std::max(merged.back().second, s.second);
    else
      merged.push_back(s);
  }
  return merged;
}

std::string snippetOf(std::string_view body, const std::vector<std::string>& folded, size_t characters) {
  const std::vector<std::pair<size_t, size_t>> spans = foundSpans(body, folded);
  if (spans.empty()) return {};
  const auto n = static_cast<int32_t>(body.size());
  const auto [first, last] = spans.front();
  // Characters of the found text, then as many before it as after it.
  size_t found = 0;
  for (int32_t i = static_cast<int32_t>(first); i < static_cast<int32_t>(last);) {
    U8_FWD_1(body.data(), i, n);
    ++found;
  }
  const size_t side = characters > found ? (characters - found) / 2 : 0;
  auto from = static_cast<int32_t>(first);
  for (size_t k = 0; k < side && from > 0; ++k) U8_BACK_1(reinterpret_cast<const uint8_t*>(body.data()), 0, from);
  auto to = static_cast<int32_t>(last);
  for (size_t k = 0; k < side && to < n; ++k) U8_FWD_1(body.data(), to, n);
  std::string out = from > 0 ? "…" : "";
  bool blank = false;
  for (int32_t i = from; i < to; ++i) {
    const char c = body[static_cast<size_t>(i)];
    // On one line: line ends and runs of blanks are one blank.
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') {
      blank = true;
      continue;
    }
    if (blank && out != "…" && !out.empty()) out += ' ';
    blank = false;
    out += c;
  }
  if (to < n) out += "…";
  return out;
}

}  // namespace pelarin
