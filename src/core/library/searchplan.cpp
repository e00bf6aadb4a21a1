// The search plan. Matches come in the library's order (host, board key,
// number, id) in one of two ways, chosen by their estimated cost:
// - walk: the order index, each message asked of the index; cheap when hits
//   are dense, since the first `limit` come after few steps (tens of µs each);
// - gather: every hit from the index in one pass (a fraction of a µs each),
//   ranked by the order held in memory, the first `limit` partially sorted.
#include "core/library/searchplan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <iterator>
#include <optional>

#include "core/library/bodypacking.h"
#include "core/library/librarydates.h"
#include "core/library/librarystate.h"
#include "core/library/sqlite.h"

namespace pelarin {

namespace {

// Measured on the bench library of real prose (see bench/prose_bench.cpp).
constexpr double kWalkStepUs = 30;       // one message of the order asked of the index
constexpr double kGatherHitUs = 0.1;     // one hit read from the index and ranked
constexpr double kOrderMessageUs = 0.4;  // the order built, per message
constexpr int kSample = 1000;

std::string filterSql(const LibraryFilter& f, std::vector<SqlValue>& values) {
  std::string sql;
  if (f.host) {
    sql += " AND m.host = ?";
    values.emplace_back(*f.host);
  }
  if (f.boardKey) {
    sql += " AND m.board_key = ?";
    values.emplace_back(int64_t{*f.boardKey});
  }
  if (f.writerId) {
    sql += " AND m.writer_id = ?";
    values.emplace_back(int64_t{*f.writerId});
  }
  return sql;
}

// Conditions the index and the order cannot answer: each needs the message's row.
std::string rowConditions(const SearchQuery& q, std::vector<SqlValue>& values) {
  std::string sql;
  if (q.filter.writerId) {
    sql += " AND m.writer_id = ?";
    values.emplace_back(int64_t{*q.filter.writerId});
  }
  if (!q.where.empty()) {
    sql += " AND (" + q.where + ")";
    values.insert(values.end(), q.values.begin(), q.values.end());
  }
  return sql;
}

// Everything but the index's match as conditions on messages m: the filter,
// the row conditions and the exclusion.
std::string allConditions(const SearchQuery& q, std::vector<SqlValue>& values) {
  std::string sql = filterSql(q.filter, values);
  if (!q.where.empty()) {
    sql += " AND (" + q.where + ")";
    values.insert(values.end(), q.values.begin(), q.values.end());
  }
  if (!q.exclude.empty()) {
    sql += " AND m.id NOT IN (SELECT rowid FROM fts WHERE fts MATCH ?)";
    values.emplace_back(q.exclude);
  }
  if (!q.excludeCharacters.empty()) {
    sql += " AND m.id NOT IN (SELECT rowid FROM fts_chars WHERE fts_chars MATCH ?)";
    values.emplace_back(q.excludeCharacters);
  }
  return sql;
}

// The match as conditions on messages m.
std::string matchConditions(const SearchQuery& q, std::vector<SqlValue>& values) {
  std::string sql;
  if (!q.match.empty()) {
    sql += " AND m.id IN (SELECT rowid FROM fts WHERE fts MATCH ?)";
    values.emplace_back(q.match);
  }
  if (!q.characters.empty()) {
    sql += " AND m.id IN (SELECT rowid FROM fts_chars WHERE fts_chars MATCH ?)";
    values.emplace_back(q.characters);
  }
  return sql;
}

// The reader's list of marked (or read) messages stands for a match when
// only those may be kept.
bool hasMatch(const SearchQuery& q) {
  return !q.match.empty() || !q.characters.empty() || (q.sieve && q.sieve->only(q.state));
}

bool sieved(const SearchQuery& q, int64_t id) { return !q.sieve || q.sieve->keeps(q.state, id); }

// The query's terms of one character given to the table of characters, or,
// in a library whose table is still to be made, to the word index.
SearchQuery resolved(Database& db, const SearchQuery& in) {
  SearchQuery q = in;
  // An older library read as it is keeps no posting times: no message has one.
  for (size_t at; (at = q.where.find("m.posted")) != std::string::npos && !keepsDates(db);)
    q.where.replace(at, 8, "NULL");
  if (q.characterTerms.empty()) return q;
  bool table = false;
  {
    Statement t(db, "SELECT 1 FROM sqlite_schema WHERE name = 'fts_chars'");
    table = t.step();
  }
  for (const CharacterTerm& c : q.characterTerms) {
    std::string& to = table ? (c.excluded ? q.excludeCharacters : q.characters) : (c.excluded ? q.exclude : q.match);
    const std::string& e = table ? c.token : c.words;
    if (c.excluded) to += (to.empty() ? "(" : " OR (") + e + ")";
    else to += (to.empty() ? "(" : " AND (") + e + ")";
  }
  q.characterTerms.clear();
  return q;
}

void bindAll(Statement& s, const std::vector<SqlValue>& values) {
  int i = 1;
  for (const SqlValue& v : values) {
    if (const auto* n = std::get_if<int64_t>(&v)) s.bind(i++, *n);
    else s.bind(i++, std::get<std::string>(v));
  }
}

const char* const kWordHits = "SELECT rowid FROM fts WHERE fts MATCH ?1";
const char* const kCharacterHits = "SELECT rowid FROM fts_chars WHERE fts_chars MATCH ?1";

std::vector<int64_t> ftsHits(Database& db, const std::string& match, const char* sql = kWordHits) {
  std::vector<int64_t> ids;
  Statement s(db, sql);
  s.bind(1, match);
  while (s.step()) ids.push_back(s.integer(0));
  return ids;  // ascending: the index keeps them by rowid
}

// The ids of the match, ascending: the word index's hits, the table of
// characters', or those both give (else the reader's list), that the
// reader's state keeps.
class Hits {
 public:
  Hits(Database& db, const SearchQuery& q) : q_(q) {
    if (!q.match.empty()) words_.emplace(db, kWordHits).bind(1, q.match);
    if (!q.characters.empty()) characters_.emplace(db, kCharacterHits).bind(1, q.characters);
    if (!words_ && !characters_ && q.sieve) only_ = q.sieve->only(q.state);
  }
  bool next(int64_t& id) {
    while (hit(id))
      if (sieved(q_, id)) return true;
    return false;
  }
  // As next, but gives up after `most` hits of the index in all.
  bool nextWithin(int64_t& id, size_t most) {
    while (read_ < most && hit(id)) {
      if (read_++ == 0) firstRead_ = id;
      lastRead_ = id;
      if (sieved(q_, id)) return true;
    }
    return false;
  }
  // The share of ids the index's hits read so far hold, before the state.
  double readDensity() const {
    return read_ == 0 ? 0 : static_cast<double>(read_) / static_cast<double>(lastRead_ - firstRead_ + 1);
  }

 private:
  bool hit(int64_t& id) {
    if (only_) {
      if (at_ >= only_->size()) return false;
      id = (*only_)[at_++];
      return true;
    }
    if (!words_) return step(*characters_, id);
    if (!characters_) return step(*words_, id);
    int64_t other = 0;
    if (!step(*words_, id) || !step(*characters_, other)) return false;
    while (id != other) {
      if (id < other ? !step(*words_, id) : !step(*characters_, other)) return false;
    }
    return true;
  }
  static bool step(Statement& s, int64_t& id) {
    if (!s.step()) return false;
    id = s.integer(0);
    return true;
  }
  const SearchQuery& q_;
  size_t read_ = 0;
  int64_t firstRead_ = 0, lastRead_ = 0;
  std::optional<Statement> words_, characters_;
  const std::vector<int64_t>* only_ = nullptr;
  size_t at_ = 0;
};

// Reads and confirms a message's text against the checks.
class TextCheck {
 public:
  TextCheck(Database& db, const std::vector<std::vector<SearchCheck>>& checks)
      : checks_(checks), text_(db, "SELECT keys, body, body_size FROM messages WHERE id = ?1") {}
  bool operator()(int64_t id) {
    text_.bind(1, id);
    bool ok = text_.step() &&
              searchConfirms(checks_, text_.blobView(0),
                             unpackBody(text_.blobView(1), static_cast<size_t>(text_.integer(2))));
    text_.reset();
    return ok;
  }

 private:
  const std::vector<std::vector<SearchCheck>>& checks_;
  Statement text_;
};

}  // namespace

bool LibraryOrder::fresh(Database& db) const {
  Statement v(db, "PRAGMA data_version");
  v.step();
  return v.integer(0) == dataVersion_ && sqlite3_total_changes64(db.handle()) == ownChanges_;
}

void LibraryOrder::refresh(Database& db) {
  Statement v(db, "PRAGMA data_version");
  v.step();
  const int64_t version = v.integer(0), changes = sqlite3_total_changes64(db.handle());
  if (version == dataVersion_ && changes == ownChanges_) return;
  rank_.clear();
  boards_.clear();
  messages_ = 0;
  {
    Statement top(db, "SELECT max(id) FROM messages");
    top.step();
    rank_.assign(static_cast<size_t>(std::max<int64_t>(top.integer(0), 0)) + 1, kNone);
  }
  // One read of the order index (it covers id, host and board key).
  Statement s(db, "SELECT id, host, board_key FROM messages ORDER BY host, board_key, number, id");
  uint32_t r = 0;
  while (s.step()) {
    const int64_t id = s.integer(0);
    const auto* host = reinterpret_cast<const char*>(sqlite3_column_text(s.handle(), 1));
    const size_t hostBytes = static_cast<size_t>(sqlite3_column_bytes(s.handle(), 1));
    const auto board = static_cast<int32_t>(s.integer(2));
    if (boards_.empty() || boards_.back().boardKey != board || boards_.back().host.size() != hostBytes ||
        std::memcmp(boards_.back().host.data(), host, hostBytes) != 0) {
      if (!boards_.empty()) boards_.back().end = r;
      boards_.push_back({std::string(host ? host : "", hostBytes), board, r, r});
    }
    if (id >= 0 && static_cast<size_t>(id) < rank_.size()) rank_[static_cast<size_t>(id)] = r;
    ++r;
  }
  if (!boards_.empty()) boards_.back().end = r;
  messages_ = r;
  dataVersion_ = version;
  ownChanges_ = changes;
}

std::vector<std::pair<uint32_t, uint32_t>> LibraryOrder::ranges(const LibraryFilter& f) const {
  if (!f.host && !f.boardKey) return {{0, static_cast<uint32_t>(messages_)}};
  std::vector<std::pair<uint32_t, uint32_t>> out;
  for (const Board& b : boards_) {
    if ((f.host && b.host != *f.host) || (f.boardKey && b.boardKey != *f.boardKey)) continue;
    if (!out.empty() && out.back().second == b.first) out.back().second = b.end;
    else out.emplace_back(b.first, b.end);
  }
  return out;
}

void ReaderSieve::refresh(Database& db) {
  Statement v(db, "PRAGMA data_version");
  v.step();
  const int64_t version = v.integer(0), changes = sqlite3_total_changes64(db.handle());
  if (version == dataVersion_ && changes == ownChanges_) return;
  bits_.clear();
  marked_.clear();
  readOrMuted_.clear();
  flagged_.clear();
  muted_ = 0;
  {
    Statement top(db, "SELECT max(id) FROM messages");
    top.step();
    bits_.assign(static_cast<size_t>(std::max<int64_t>(top.integer(0), 0)) + 1, 0);
  }
  const auto set = [this](int64_t id, uint8_t bit) {
    if (id >= 0 && static_cast<uint64_t>(id) < bits_.size()) bits_[static_cast<size_t>(id)] |= bit;
  };
  Statement flags(db, "SELECT id, flags FROM message_flags");
  while (flags.step()) {
    const int64_t f = flags.integer(1);
    set(flags.integer(0),
        static_cast<uint8_t>(((f & kFlagRead) ? kRead : 0) | ((f & kFlagMarked) ? kMarked : 0) |
                             ((f & kFlagWriterMuted) ? kMuted : 0)));
  }
  Statement threads(db, mutedThreadsIds().c_str());
  while (threads.step()) set(threads.integer(0), kMuted);
  for (size_t id = 0; id < bits_.size(); ++id) {
    const uint8_t b = bits_[id];
    if (b == 0) continue;
    flagged_.push_back(static_cast<int64_t>(id));
    if (b & kMarked) marked_.push_back(static_cast<int64_t>(id));
    if (b & (kRead | kMuted)) readOrMuted_.push_back(static_cast<int64_t>(id));
    if (b & kMuted) ++muted_;
  }
  dataVersion_ = version;
  ownChanges_ = changes;
}

SearchQuery Library::prepared(const SearchQuery& query) {
  SearchQuery q = resolved(*db_, query);
  const StateTerms& t = q.state;
  q.sieve = nullptr;
  if (t.hideMuted || t.unread || t.read || t.marked || t.unmarked) {
    if (!sieve_) sieve_ = std::make_unique<ReaderSieve>();
    sieve_->refresh(*db_);
    if (sieve_->sieves(t)) q.sieve = sieve_.get();
  }
  return q;
}

LibraryOrder& Library::order() {
  if (!order_) order_ = std::make_unique<LibraryOrder>();
  order_->refresh(*db_);
  return *order_;
}

void Library::readyOrder() {
  ReadTransaction snapshot(*db_);
  order();
}

// Hits of the match, less the excluded, meeting the row conditions; ascending ids.
std::vector<int64_t> Library::gather(const SearchQuery& q) {
  std::vector<SqlValue> values;
  const std::string conditions = rowConditions(q, values);
  std::vector<int64_t> ids;
  if (conditions.empty()) {
    Hits hits(*db_, q);
    for (int64_t id; hits.next(id);) ids.push_back(id);
  } else if (q.match.empty() && q.characters.empty()) {
    // The reader's list alone: each of its messages asked the conditions.
    Statement s(*db_, ("SELECT 1 FROM messages m WHERE m.id = ?" + conditions).c_str());
    std::vector<SqlValue> all{int64_t{0}};
    all.insert(all.end(), values.begin(), values.end());
    Hits hits(*db_, q);
    for (int64_t id; hits.next(id);) {
      all[0] = id;
      bindAll(s, all);
      if (s.step()) ids.push_back(id);
      s.reset();
    }
  } else {
    std::vector<SqlValue> all;
    const std::string sql = "SELECT m.id FROM messages m WHERE 1" + matchConditions(q, all) + conditions + " ORDER BY m.id";
    all.insert(all.end(), values.begin(), values.end());
    Statement s(*db_, sql.c_str());
    bindAll(s, all);
    while (s.step())
      if (sieved(q, s.integer(0))) ids.push_back(s.integer(0));
  }
  for (const auto& [exclude, sql] : {std::pair{&q.exclude, kWordHits}, std::pair{&q.excludeCharacters, kCharacterHits}}) {
    if (exclude->empty() || ids.empty()) continue;
    const std::vector<int64_t> out = ftsHits(*db_, *exclude, sql);
    std::vector<int64_t> kept;
    kept.reserve(ids.size());
    std::set_difference(ids.begin(), ids.end(), out.begin(), out.end(), std::back_inserter(kept));
    ids = std::move(kept);
  }
  return ids;
}

// Each gathered hit that the host and board filter keep, with its rank; the
// hits of a plain match go from the index to `each` without being held.
void Library::eachRanked(const SearchQuery& q, const std::function<void(uint32_t rank, int64_t id)>& each) {
  const LibraryOrder& o = order();
  const auto ranges = o.ranges(q.filter);
  const bool whole = ranges.size() == 1 && ranges[0].first == 0 && ranges[0].second == o.messages();
  auto take = [&](int64_t id) {
    const uint32_t r = o.rankOf(id);
    if (r == LibraryOrder::kNone) return;
    if (whole) return each(r, id);
    for (const auto& [first, end] : ranges)
      if (r >= first && r < end) return each(r, id);
  };
  std::vector<SqlValue> values;
  if (q.exclude.empty() && q.excludeCharacters.empty() && rowConditions(q, values).empty()) {
    Hits hits(*db_, q);
    for (int64_t id; hits.next(id);) take(id);
    return;
  }
  for (int64_t id : gather(q)) take(id);
}

std::vector<std::pair<uint32_t, int64_t>> Library::ranked(const SearchQuery& q) {
  std::vector<std::pair<uint32_t, int64_t>> out;
  eachRanked(q, [&](uint32_t r, int64_t id) { out.emplace_back(r, id); });
  return out;
}

// Estimated cost of each path for the first `limit`, from how far apart the
// first thousand hits' ids lie (ids are spread over the whole order).
SearchPath Library::cheaper(const SearchQuery& q, size_t limit, size_t* walkBound) {
  Hits sample(*db_, q);
  int64_t first = 0, last = 0;
  int n = 0;
  // A state that keeps few hits is not sampled through: those are gathered.
  for (int64_t id; n < kSample && sample.nextWithin(id, 16 * kSample);) {
    if (n++ == 0) first = id;
    last = id;
  }
  const bool ready = order_ && order_->fresh(*db_);
  double messages = 0;
  {
    Statement top(*db_, "SELECT max(id) FROM messages");
    top.step();
    messages = static_cast<double>(top.integer(0));
  }
  // The reader's short list asked in order: about limit / (the terms' share)
  // of its messages are asked of the index, if mark and terms go apart.
  const std::vector<int64_t>* listed = q.sieve ? q.sieve->only(q.state) : nullptr;
  std::vector<SqlValue> values;
  // A long list (what was read) costs more to put in order than it saves.
  if (listed && static_cast<double>(listed->size()) * 20 <= messages && (!q.match.empty() || !q.characters.empty()) &&
      q.exclude.empty() && q.excludeCharacters.empty() && rowConditions(q, values).empty() &&
      sample.readDensity() > 0) {
    const double steps = static_cast<double>(limit) / sample.readDensity();
    // The list put in order first, about as dear a message as a hit gathered.
    const double list = std::min(steps, static_cast<double>(listed->size())) * kWalkStepUs +
                        static_cast<double>(listed->size()) * kGatherHitUs + (ready ? 0 : messages * kOrderMessageUs);
    const double gather = sample.readDensity() * messages * kGatherHitUs + (ready ? 0 : messages * kOrderMessageUs);
    if (list < gather) {
      *walkBound = static_cast<size_t>(std::max(3 * steps, 300.0));
      return SearchPath::Listed;
    }
  }
  if (n < kSample) return SearchPath::Gather;  // few hits: gathered at once
  const double density = static_cast<double>(n) / static_cast<double>(last - first + 1);
  const double steps = static_cast<double>(limit) / density;
  const double walk = steps * kWalkStepUs;
  const double gather = density * messages * kGatherHitUs + (ready ? 0 : messages * kOrderMessageUs);
  // Hits bunched in one part of the ids fool the estimate: the walk stops
  // past a few times its expected length and the hits are gathered.
  *walkBound = static_cast<size_t>(std::max(3 * steps, 300.0));
  return walk < gather ? SearchPath::Walk : SearchPath::Gather;
}

std::vector<int64_t> Library::search(const SearchQuery& query, size_t limit, SearchPath path) {
  ReadTransaction snapshot(*db_);
  const SearchQuery q = prepared(query);
  const bool checking = !q.checks.empty();
  size_t bound = SIZE_MAX;
  if (!hasMatch(q)) path = SearchPath::Walk;  // every message is a hit: nothing to gather
  else if (limit == 0) path = SearchPath::Gather;
  else if (path == SearchPath::ByCost) path = cheaper(q, limit, &bound);

  std::vector<int64_t> ids;
  std::optional<TextCheck> check;
  if (checking) check.emplace(*db_, q.checks);
  if (path == SearchPath::Listed && !(q.sieve && q.sieve->only(q.state))) path = SearchPath::Gather;
  if (path == SearchPath::Listed) {
    const LibraryOrder& o = order();
    const auto ranges = o.ranges(q.filter);
    std::vector<std::pair<uint32_t, int64_t>> listed;
    for (int64_t id : *q.sieve->only(q.state)) {
      const uint32_t r = o.rankOf(id);
      if (r != LibraryOrder::kNone && sieved(q, id) &&
          std::any_of(ranges.begin(), ranges.end(), [r](const auto& e) { return r >= e.first && r < e.second; }))
        listed.emplace_back(r, id);
    }
    std::sort(listed.begin(), listed.end());
    std::deque<Statement> hit;
    if (!q.match.empty()) hit.emplace_back(*db_, "SELECT 1 FROM fts WHERE fts MATCH ?1 AND rowid = ?2").bind(1, q.match);
    if (!q.characters.empty())
      hit.emplace_back(*db_, "SELECT 1 FROM fts_chars WHERE fts_chars MATCH ?1 AND rowid = ?2").bind(1, q.characters);
    size_t steps = 0;
    for (const auto& [rank, id] : listed) {
      if (ids.size() >= limit || ++steps > bound) break;
      bool found = true;
      for (Statement& h : hit) {
        h.bind(2, id);
        found = found && h.step();
        h.reset();
      }
      if (found && (!check || (*check)(id))) ids.push_back(id);
    }
    if (steps <= bound) return ids;
    ids.clear();
    path = SearchPath::Gather;
  }
  if (path == SearchPath::Walk) {
    std::vector<SqlValue> values;
    std::string sql = "SELECT m.id FROM messages m WHERE 1" + allConditions(q, values);
    sql += " ORDER BY m.host, m.board_key, m.number, m.id";
    sql = walkedDates(*db_, std::move(sql), limit);
    Statement walk(*db_, sql.c_str());
    bindAll(walk, values);
    std::deque<Statement> hit;
    if (!q.match.empty()) hit.emplace_back(*db_, "SELECT 1 FROM fts WHERE fts MATCH ?1 AND rowid = ?2").bind(1, q.match);
    if (!q.characters.empty())
      hit.emplace_back(*db_, "SELECT 1 FROM fts_chars WHERE fts_chars MATCH ?1 AND rowid = ?2").bind(1, q.characters);
    size_t steps = 0;
    while ((limit == 0 || ids.size() < limit) && walk.step()) {
      if (++steps > bound) break;
      const int64_t id = walk.integer(0);
      if (!sieved(q, id)) continue;
      bool found = true;
      for (Statement& h : hit) {
        h.bind(2, id);
        found = found && h.step();
        h.reset();
      }
      if (!found) continue;
      if (check && !(*check)(id)) continue;
      ids.push_back(id);
    }
    if (steps <= bound) return ids;
    ids.clear();
  }

  std::vector<std::pair<uint32_t, int64_t>> hits;
  if (!checking && limit > 0) {
    // The first `limit` by rank kept in a heap as the hits stream by: the
    // rest are never held.
    eachRanked(q, [&](uint32_t r, int64_t id) {
      if (hits.size() < limit) {
        hits.emplace_back(r, id);
        std::push_heap(hits.begin(), hits.end());
      } else if (r < hits.front().first) {
        std::pop_heap(hits.begin(), hits.end());
        hits.back() = {r, id};
        std::push_heap(hits.begin(), hits.end());
      }
    });
    std::sort_heap(hits.begin(), hits.end());
  } else {
    hits = ranked(q);
    std::sort(hits.begin(), hits.end());
  }
  ids.reserve(std::min(hits.size(), limit == 0 ? hits.size() : limit));
  for (const auto& [rank, id] : hits) {
    if (limit > 0 && ids.size() >= limit) break;
    if (check && !(*check)(id)) continue;
    ids.push_back(id);
  }
  return ids;
}

size_t Library::count(const SearchQuery& query) {
  ReadTransaction snapshot(*db_);
  const SearchQuery q = prepared(query);
  const bool checking = !q.checks.empty();
  const bool byBoard = q.filter.host || q.filter.boardKey;
  std::vector<SqlValue> values;
  const std::string conditions = rowConditions(q, values);
  if (!hasMatch(q) && q.sieve && !checking && conditions.empty() && q.exclude.empty() &&
      q.excludeCharacters.empty()) {
    // The filter's count less the flagged messages of it that the state leaves out.
    std::vector<SqlValue> all;
    Statement s(*db_, ("SELECT count(*) FROM messages m WHERE 1" + filterSql(q.filter, all)).c_str());
    bindAll(s, all);
    s.step();
    size_t n = static_cast<size_t>(s.integer(0));
    const LibraryOrder* o = byBoard ? &order() : nullptr;
    const auto ranges = o ? o->ranges(q.filter) : std::vector<std::pair<uint32_t, uint32_t>>{};
    for (int64_t id : q.sieve->flagged()) {
      if (sieved(q, id)) continue;
      if (o) {
        const uint32_t r = o->rankOf(id);
        if (!std::any_of(ranges.begin(), ranges.end(),
                         [r](const auto& e) { return r >= e.first && r < e.second; }))
          continue;
      }
      --n;
    }
    return n;
  }
  if (!hasMatch(q)) {
    // Every message of the filter is a candidate.
    std::vector<SqlValue> all;
    const bool each = checking || q.sieve;
    const std::string sql = std::string(each ? "SELECT m.id" : "SELECT count(*)") +
                            " FROM messages m WHERE 1" + allConditions(q, all);
    Statement s(*db_, sql.c_str());
    bindAll(s, all);
    if (!each) return s.step() ? static_cast<size_t>(s.integer(0)) : 0;
    std::optional<TextCheck> check;
    if (checking) check.emplace(*db_, q.checks);
    size_t n = 0;
    while (s.step())
      if (sieved(q, s.integer(0)) && (!check || (*check)(s.integer(0)))) ++n;
    return n;
  }
  if (!checking && q.exclude.empty() && q.excludeCharacters.empty() && !byBoard && conditions.empty()) {
    if (!q.sieve && (q.match.empty() || q.characters.empty())) {
      Statement s(*db_, q.match.empty() ? "SELECT count(*) FROM fts_chars WHERE fts_chars MATCH ?1"
                                        : "SELECT count(*) FROM fts WHERE fts MATCH ?1");
      s.bind(1, q.match.empty() ? q.characters : q.match);
      s.step();
      return static_cast<size_t>(s.integer(0));
    }
    Hits hits(*db_, q);
    size_t n = 0;
    for (int64_t id; hits.next(id);) ++n;
    return n;
  }
  size_t n = 0;
  if (!byBoard) {
    const std::vector<int64_t> ids = gather(q);
    if (!checking) return ids.size();
    TextCheck check(*db_, q.checks);
    for (int64_t id : ids)
      if (check(id)) ++n;
    return n;
  }
  const auto hits = ranked(q);
  if (!checking) return hits.size();
  TextCheck check(*db_, q.checks);
  for (const auto& hit : hits)
    if (check(hit.second)) ++n;
  return n;
}

void Library::eachListed(const std::vector<int64_t>& ids,
                         const std::function<void(int64_t id, const std::string& host, ByteView keys)>& each) {
  ReadTransaction snapshot(*db_);
  Statement s(*db_, "SELECT host, keys FROM messages WHERE id = ?1");
  for (int64_t id : ids) {
    s.bind(1, id);
    if (!s.step()) throw LibraryError(noSuchMessageText(id));
    each(id, s.text(0), s.blobView(1));
    s.reset();
  }
}

std::vector<int64_t> Library::searchByRelevance(const std::vector<std::string>& terms, const LibraryFilter& filter,
                                                size_t limit) {
  const SearchQuery query = searchQueryOf(terms, filter);
  ReadTransaction snapshot(*db_);
  const SearchQuery q = prepared(query);
  // Terms of one character alone leave nothing to rank by.
  if (q.match.empty()) return search(q, limit, SearchPath::ByCost);
  std::vector<SqlValue> values{q.match};
  std::string sql = "SELECT m.id FROM fts JOIN messages m ON m.id = fts.rowid WHERE fts MATCH ?" + allConditions(q, values);
  if (!q.characters.empty()) {
    sql += " AND m.id IN (SELECT rowid FROM fts_chars WHERE fts_chars MATCH ?)";
    values.emplace_back(q.characters);
  }
  // The title weighs four times the writer's name and the body.
  sql += " ORDER BY bm25(fts, 4.0, 1.0, 1.0), m.host, m.board_key, m.number, m.id";
  Statement s(*db_, sql.c_str());
  bindAll(s, values);
  std::optional<TextCheck> check;
  if (!q.checks.empty()) check.emplace(*db_, q.checks);
  std::vector<int64_t> ids;
  while ((limit == 0 || ids.size() < limit) && s.step()) {
    const int64_t id = s.integer(0);
    if (!sieved(q, id) || (check && !(*check)(id))) continue;
    ids.push_back(id);
  }
  return ids;
}

}  // namespace pelarin
