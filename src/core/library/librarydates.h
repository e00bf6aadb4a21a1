// The posting times the library keeps (posteddate.h): a column of messages,
// empty where the header showed none, with an index for date: searches.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pelarin {

class Database;
class Library;

// The column and its index, in an upgrade's transaction. A library made
// before it has no header line's bytes after the writer's name to fill it
// from: its messages stay without a date until a log holding them is added.
void addPostedColumn(Database& db);
// It has the column (false for an older library read as it is).
bool keepsDates(Database& db);

// The SQL of a walk in the library's order for the first `limit` matches,
// its date: ranges read from their index when they hold few messages (the
// walk would pass most rows by), checked on each row when they hold many
// (the index would hand over every hit to be sorted first).
std::string walkedDates(Database& db, std::string sql, size_t limit);

// Each message's posting time, in the order given; none where unknown.
void eachPosted(Library& library, const std::vector<int64_t>& ids,
                const std::function<void(int64_t id, std::optional<int64_t> posted)>& each);

}  // namespace pelarin
