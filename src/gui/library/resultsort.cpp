#include "gui/library/resultsort.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "core/library/folding.h"
#include "core/library/library.h"
#include "core/library/librarydates.h"
#include "core/text/cp932.h"

namespace pelarin::gui {

namespace {

// Key lines are read this many messages at a time, asking stop() between.
constexpr size_t kPiece = 4096;

struct Entry {
  std::string text;
  int64_t number = -1;
  size_t position = 0;  // in the library's order
};

int64_t numberOf(ByteView bytes) {
  std::string_view s = bytes;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  int64_t n = -1;
  if (std::from_chars(s.data(), s.data() + s.size(), n).ec != std::errc()) return -1;
  return n;
}

std::string textOf(ByteView bytes) {
  std::string folded = foldText(cp932ToUtf8(bytes));
  const size_t first = folded.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return folded.substr(first, folded.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::optional<std::vector<int64_t>> sortedIds(Library& library, const std::vector<int64_t>& ids,
                                              ResultSort sort, size_t limit,
                                              const std::function<bool()>& stop) {
  const size_t kept = limit == 0 ? ids.size() : std::min(limit, ids.size());
  if (sort.key == ResultKey::Order) {
    std::vector<int64_t> out(kept);
    if (sort.descending)
      std::copy_n(ids.rbegin(), kept, out.begin());
    else
      std::copy_n(ids.begin(), kept, out.begin());
    return out;
  }
  const bool byText = sort.key == ResultKey::Writer || sort.key == ResultKey::Title;
  auto before = [&](const Entry& a, const Entry& b) {
    const int c = byText ? a.text.compare(b.text) : (a.number < b.number ? -1 : a.number > b.number ? 1 : 0);
    if (c != 0) return sort.descending ? c > 0 : c < 0;
    return a.position < b.position;
  };
  // Only the best `kept` are needed: the rest is cut whenever it doubles.
  std::vector<Entry> best;
  auto cut = [&] {
    if (best.size() <= kept) return;
    std::nth_element(best.begin(), best.begin() + static_cast<std::ptrdiff_t>(kept), best.end(), before);
    best.resize(kept);
  };
  for (size_t from = 0; from < ids.size(); from += kPiece) {
    if (stop && stop()) return std::nullopt;
    const std::vector<int64_t> piece(
        ids.begin() + static_cast<std::ptrdiff_t>(from),
        ids.begin() + static_cast<std::ptrdiff_t>(std::min(ids.size(), from + kPiece)));
    size_t position = from;
    if (sort.key == ResultKey::Date) {
      eachPosted(library, piece, [&](int64_t, std::optional<int64_t> posted) {
        Entry e;
        e.position = position++;
        e.number = posted.value_or(INT64_MIN);
        best.push_back(std::move(e));
      });
      if (best.size() >= 2 * kept + kPiece) cut();
      continue;
    }
    library.eachListed(piece, [&](int64_t, const std::string&, ByteView lines) {
      const MessageKeys k = keysFromLines(lines);
      Entry e;
      e.position = position++;
      switch (sort.key) {
        case ResultKey::Number:
          e.number = numberOf(k.MesNumber);
          break;
        case ResultKey::WriterId:
          e.number = numberOf(k.WriterId);
          break;
        case ResultKey::Reply:
          e.number = numberOf(k.ResNumber);
          break;
        case ResultKey::Writer:
          e.text = textOf(k.WriterName);
          break;
        case ResultKey::Title:
          e.text = textOf(k.Title);
          break;
        case ResultKey::Order:
        case ResultKey::Date:
          break;
      }
      best.push_back(std::move(e));
    });
    if (best.size() >= 2 * kept + kPiece) cut();
  }
  cut();
  std::sort(best.begin(), best.end(), before);
  std::vector<int64_t> out;
  out.reserve(best.size());
  for (const Entry& e : best) out.push_back(ids[e.position]);
  return out;
}

}  // namespace pelarin::gui
