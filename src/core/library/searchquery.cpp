#include "core/library/searchquery.h"

#include <optional>

#include "core/library/posteddate.h"
#include "core/reading/boardcode.h"

namespace pelarin {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

size_t blankAt(std::string_view s, size_t i) {
  if (i >= s.size()) return 0;
  if (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r') return 1;
  if (s.substr(i, 3) == kIdeographicSpace) return 3;
  return 0;
}

// One item as written: its text, whether quoted, and what came before it.
struct Item {
  std::string text;
  bool quoted = false;
  bool excluded = false;
  std::string prefix;  // "title" for title:..., empty for none
};

std::optional<int64_t> digits(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  int64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool isPrefix(const std::string& p) {
  for (const char* known : {"title", "name", "id", "board", "host", "no", "re", "is", "date"})
    if (p == known) return true;
  return false;
}

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}

  std::optional<Item> next() {
    while (size_t b = blankAt(s_, i_)) i_ += b;
    if (i_ >= s_.size()) return std::nullopt;
    Item item;
    // A minus with nothing after it is the text "-".
    if (s_[i_] == '-' && i_ + 1 < s_.size() && !blankAt(s_, i_ + 1)) {
      item.excluded = true;
      ++i_;
    }
    size_t colon = i_;
    while (colon < s_.size() && ((s_[colon] >= 'a' && s_[colon] <= 'z') || (s_[colon] >= 'A' && s_[colon] <= 'Z')))
      ++colon;
    if (colon < s_.size() && s_[colon] == ':' && colon > i_ && isPrefix(lower(s_.substr(i_, colon - i_))) &&
        colon + 1 < s_.size() && !blankAt(s_, colon + 1)) {
      item.prefix = lower(s_.substr(i_, colon - i_));
      i_ = colon + 1;
    }
    if (s_[i_] == '"') {
      const size_t close = s_.find('"', i_ + 1);
      if (close != std::string_view::npos) {
        item.text = std::string(s_.substr(i_ + 1, close - i_ - 1));
        item.quoted = true;
        i_ = close + 1;
        return item;
      }
    }
    const size_t start = i_;
    while (i_ < s_.size() && !blankAt(s_, i_)) ++i_;
    item.text = std::string(s_.substr(start, i_ - start));
    return item;
  }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

// The term an item is; a field whose value it cannot be is text as written.
QueryTerm termOf(const Item& item) {
  using F = QueryTerm::Field;
  QueryTerm t;
  t.excluded = item.excluded;
  t.phrase = item.quoted;
  t.text = item.text;
  const std::string& p = item.prefix;
  if (p.empty()) return t;
  std::optional<int64_t> n;
  if (p == "title") t.field = F::Title;
  else if (p == "name") t.field = F::Name;
  else if (p == "host") t.field = F::Host;
  else if (p == "is" && lower(item.text) == "response") t.field = F::IsResponse;
  else if (p == "is" && lower(item.text) == "mail") t.field = F::IsMail;
  else if (p == "is" && lower(item.text) == "unread")
    t.field = F::IsUnread;
  else if (p == "is" && lower(item.text) == "marked")
    t.field = F::IsMarked;
  else if (p == "id" && (n = digits(item.text))) t.field = F::WriterId;
  else if (p == "no" && (n = digits(item.text))) t.field = F::Number;
  else if (p == "re" && (n = digits(item.text))) t.field = F::Reply;
  else if (p == "date") {
    // A malformed one is refused by the search rather than looked for as text.
    t.field = F::Date;
    if (const auto range = postedRange(item.text)) {
      t.value = range->first;
      t.until = range->second;
    }
  } else if (p == "board") {
    std::string code = item.text;
    for (char& c : code)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (const std::optional<int32_t> key = BoardKeyOfCode(code)) {
      t.field = F::Board;
      n = *key;
    }
  }
  if (n) t.value = *n;
  if (t.field == F::Text) t.text = p + ":" + (item.quoted ? "\"" + item.text + "\"" : item.text);
  return t;
}

}  // namespace

ParsedQuery parseQuery(std::string_view utf8) {
  std::vector<Item> items;
  Reader reader(utf8);
  while (std::optional<Item> item = reader.next()) items.push_back(std::move(*item));
  ParsedQuery q;
  bool joinNext = false;
  for (size_t k = 0; k < items.size(); ++k) {
    const Item& item = items[k];
    const bool isOr = item.text == "OR" && !item.quoted && !item.excluded && item.prefix.empty();
    // OR between two terms joins them; at either end it is the word itself.
    if (isOr && !q.groups.empty() && k + 1 < items.size() && !joinNext) {
      joinNext = true;
      continue;
    }
    if (joinNext)
      q.groups.back().push_back(termOf(item));
    else
      q.groups.push_back({termOf(item)});
    joinNext = false;
  }
  return q;
}

ParsedQuery parseQuery(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& a : arguments) text += (text.empty() ? "" : " ") + a;
  return parseQuery(text);
}

}  // namespace pelarin
