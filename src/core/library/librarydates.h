// The posting times the library keeps (posteddate.h): a column of messages,
// empty where the header showed none, with an index for date: searches.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pelarin {

class Database;
class Library;

// The column and its index, in an upgrade's transaction. A library made
// before it holds no header bytes after the writer's name to fill it from:
// its logs are noted, and each is read again for its dates when it is added
// again (fillPostedFromLog), its messages without a date meanwhile.
void addPostedColumn(Database& db);
// A log noted so, whose dates are still to be read.
bool awaitsDates(Database& db, int64_t source);
// Reads the log that the library holds as source again, giving each of its
// messages without a date the one its header shows; the year from the
// capture time recorded then. In the caller's transaction.
void fillPostedFromLog(Database& db, const std::filesystem::path& log, bool raw, int64_t source);
// The log's dates are read (imported again in full, or filled).
void datesRead(Database& db, int64_t source);
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
