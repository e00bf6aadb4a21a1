// The posting times the library keeps (posteddate.h): a column of messages,
// empty where the header showed none, with an index for date: searches.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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

// Each message's posting time, in the order given; none where unknown.
void eachPosted(Library& library, const std::vector<int64_t>& ids,
                const std::function<void(int64_t id, std::optional<int64_t> posted)>& each);

}  // namespace pelarin
