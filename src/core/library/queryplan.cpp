// Terms as the planner takes them: read as one query, then each part given
// to the index, to SQL on the message row, or to a check of the text.
#include <set>

#include "core/library/searchplan.h"

#include "core/library/folding.h"
#include "core/library/librarystate.h"
#include "core/library/messageindex.h"
#include "core/library/posteddate.h"
#include "core/library/searchquery.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/cp932.h"

namespace pelarin {

namespace {

// A ? for a text; the values are bound in the order their ? stand in the conditions.
std::string textParam(SearchQuery& p, std::string value) {
  p.values.emplace_back(std::move(value));
  return "?";
}

void addCondition(SearchQuery& p, const std::string& condition) {
  p.where += (p.where.empty() ? "" : " AND ") + condition;
}

unsigned fieldsOf(QueryTerm::Field f) {
  if (f == QueryTerm::Field::Title) return kCheckTitle;
  if (f == QueryTerm::Field::Name) return kCheckWriter;
  return kCheckTitle | kCheckWriter | kCheckBody;
}

// The index's expression of a text term, within its field.
// The token of a one-character term in the table of characters, within its field.
std::string characterTokenOf(const QueryTerm& t, const TermQuery& q) {
  const std::string_view mark = t.field == QueryTerm::Field::Title  ? kTitleCharacterMark
                                : t.field == QueryTerm::Field::Name ? kWriterCharacterMark
                                                                    : std::string_view();
  return "\"" + std::string(mark) + q.character + "\"";
}

std::string expressionOf(const QueryTerm& t, const TermQuery& q) {
  if (q.expression.empty()) return {};
  if (t.field == QueryTerm::Field::Title) return "{title} : (" + q.expression + ")";
  if (t.field == QueryTerm::Field::Name) return "{writer} : (" + q.expression + ")";
  return q.expression;
}

// A message without a date matches no date: term; excluding one ("-date:1994") keeps it.
std::string dateCondition(const QueryTerm& t) {
  if (t.until <= t.value) {
    termQuery(t.text);  // its own refusal of a text that is no UTF-8 or too long
    throw SearchTermError(badDateText(t.text));
  }
  // Both bounds always, an open end at the far value: walkedDates (librarydates.h) reads them back.
  return "(m.posted IS NOT NULL AND m.posted >= " + std::to_string(t.value) + " AND m.posted < " +
         std::to_string(t.until) + ")";
}

// A field term as SQL on messages m; numbers go in as they are (digits only).
std::string conditionOf(SearchQuery& p, const QueryTerm& t) {
  using F = QueryTerm::Field;
  const std::string n = std::to_string(t.value);
  switch (t.field) {
    case F::WriterId: return "m.writer_id = " + n;
    case F::Board: return "m.board_key = " + n;
    case F::Number: return "m.number = " + n;
    case F::Reply: return "m.reply = " + n;
    case F::IsResponse: return "m.reply > 0";
    case F::IsMail: return "m.board_key = 20000";
    // The reader's state in an OR group, by the flags of the row.
    case F::IsUnread: return "(" + unreadCondition() + ")";
    case F::IsMarked: return markedCondition();
    case F::Host: return "m.host = " + textParam(p, t.text);
    case F::Date: return dateCondition(t);
    default: return "1";
  }
}

}  // namespace

SearchQuery searchQueryOf(const std::vector<std::string>& terms, const LibraryFilter& filter) {
  const ParsedQuery query = parseQuery(terms);
  SearchQuery p;
  p.filter = filter;
  p.state.hideMuted = !filter.muted;
  std::set<std::string> planned;
  const auto addMatch = [&p](const std::string& e) {
    if (!p.match.empty()) p.match += " AND ";
    p.match += "(" + e + ")";
  };
  for (const std::vector<QueryTerm>& group : query.groups) {
    // The reader's state alone in its group goes to the sieve held in memory.
    if (group.size() == 1 &&
        (group[0].field == QueryTerm::Field::IsUnread || group[0].field == QueryTerm::Field::IsMarked)) {
      const bool ex = group[0].excluded;
      if (group[0].field == QueryTerm::Field::IsUnread)
        (ex ? p.state.read : p.state.unread) = true;
      else
        (ex ? p.state.unmarked : p.state.marked) = true;
      continue;
    }
    if (group.size() == 1 && group[0].isText()) {
      const QueryTerm& t = group[0];
      const TermQuery q = termQuery(t.text);
      // A term twice would cost the index twice and narrow nothing.
      if (q.folded.empty() || !planned.insert((t.excluded ? "-" : "+") + std::to_string(fieldsOf(t.field)) + q.folded).second)
        continue;
      const std::string e = expressionOf(t, q);
      const bool exact = q.exact && !e.empty();
      if (!q.character.empty() && (exact || !t.excluded)) {
        p.characterTerms.push_back({characterTokenOf(t, q), e, t.excluded});
        if (!exact) p.checks.push_back({{q.folded, fieldsOf(t.field), false}});
        continue;
      }
      if (!t.excluded) {
        if (!e.empty()) addMatch(e);
        if (!exact) p.checks.push_back({{q.folded, fieldsOf(t.field), false}});
      } else if (exact) {
        p.exclude += (p.exclude.empty() ? "(" : " OR (") + e + ")";
      } else {
        p.checks.push_back({{q.folded, fieldsOf(t.field), true}});
      }
      continue;
    }
    std::vector<TermQuery> queries;
    bool allText = true;  // the index alone answers the group
    for (const QueryTerm& t : group) {
      queries.push_back(t.isText() ? termQuery(t.text) : TermQuery{});
      allText = allText && t.isText() && !t.excluded && !expressionOf(t, queries.back()).empty();
    }
    std::vector<SearchCheck> checks;
    bool inexact = false;
    std::string any;
    for (size_t k = 0; k < group.size(); ++k) {
      const QueryTerm& t = group[k];
      std::string one;
      if (t.isText()) {
        const TermQuery& q = queries[k];
        const std::string e = expressionOf(t, q);
        inexact = inexact || !q.exact || e.empty();
        if (!q.folded.empty()) checks.push_back({q.folded, fieldsOf(t.field), t.excluded});
        if (allText)
          one = "(" + e + ")";
        else if (!e.empty())
          one = std::string("m.id ") + (t.excluded ? "NOT IN" : "IN") + " (SELECT rowid FROM fts WHERE fts MATCH " +
                textParam(p, e) + ")";
        else
          one = "1";  // no words for the index: the checks decide
      } else {
        one = conditionOf(p, t);
        if (t.excluded) one = "NOT (" + one + ")";
      }
      any += (any.empty() ? "" : " OR ") + one;
    }
    if (allText)
      addMatch(any);
    else if (!any.empty())
      addCondition(p, "(" + any + ")");
    if (inexact && !checks.empty()) p.checks.push_back(checks);
  }
  return p;
}

// Every group of checks holds in the fields, folded as the index reads them.
bool searchConfirms(const std::vector<std::vector<SearchCheck>>& checks, ByteView keys, ByteView body) {
  // Title and writer name are key lines 3 and 6.
  std::vector<ByteView> lines;
  size_t pos = 0;
  for (int i = 0; i < 6; ++i) {
    const size_t end = keys.find("\r\n", pos);
    if (end == ByteView::npos) break;
    lines.push_back(keys.substr(pos, end - pos));
    pos = end + 2;
  }
  if (lines.size() < 6) return false;
  const std::string fields[] = {foldText(cp932ToUtf8(lines[2])), foldText(cp932ToUtf8(lines[5])),
                                joinWrapped(foldText(cp932ToUtf8(body)))};
  const unsigned bits[] = {kCheckTitle, kCheckWriter, kCheckBody};
  for (const std::vector<SearchCheck>& group : checks) {
    bool holds = false;
    for (const SearchCheck& c : group) {
      bool found = false;
      for (int f = 0; f < 3; ++f)
        if ((c.fields & bits[f]) && fields[f].find(c.folded) != std::string::npos) found = true;
      holds = holds || found != c.excluded;
    }
    if (!holds) return false;
  }
  return true;
}

}  // namespace pelarin
