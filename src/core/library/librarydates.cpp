#include "core/library/librarydates.h"

#include "core/library/library.h"
#include "core/library/sqlite.h"

namespace pelarin {

void addPostedColumn(Database& db) {
  if (!keepsDates(db)) db.exec("ALTER TABLE messages ADD COLUMN posted INTEGER");
  // Only dated messages: the index costs nothing for a host that writes none.
  db.exec("CREATE INDEX IF NOT EXISTS messages_posted ON messages(posted) WHERE posted IS NOT NULL");
}

bool keepsDates(Database& db) {
  Statement s(db, "SELECT 1 FROM pragma_table_info('messages') WHERE name = 'posted'");
  return s.step();
}

void eachPosted(Library& library, const std::vector<int64_t>& ids,
                const std::function<void(int64_t id, std::optional<int64_t> posted)>& each) {
  Database& db = library.database();
  if (!keepsDates(db)) {
    for (int64_t id : ids) each(id, std::nullopt);
    return;
  }
  ReadTransaction snapshot(db);
  Statement s(db, "SELECT posted FROM messages WHERE id = ?1");
  for (int64_t id : ids) {
    s.bind(1, id);
    std::optional<int64_t> posted;
    if (s.step() && !s.isNull(0)) posted = s.integer(0);
    each(id, posted);
    s.reset();
  }
}

}  // namespace pelarin
