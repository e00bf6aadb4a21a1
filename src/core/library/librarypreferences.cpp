#include "core/library/librarypreferences.h"

#include "core/library/library.h"
#include "core/library/sqlite.h"

namespace pelarin {

namespace {

// Made when first needed, so a library of an earlier run needs no new schema.
void ensureTable(Database& db) {
  db.exec("CREATE TABLE IF NOT EXISTS preferences(key TEXT PRIMARY KEY, value TEXT NOT NULL)");
}

}  // namespace

std::optional<std::string> preference(Library& library, const std::string& key) {
  Database& db = library.database();
  Statement exists(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'preferences'");
  if (!exists.step()) return std::nullopt;
  Statement get(db, "SELECT value FROM preferences WHERE key = ?1");
  get.bind(1, key);
  if (!get.step()) return std::nullopt;
  return get.text(0);
}

void setPreference(Library& library, const std::string& key, const std::string& value) {
  Database& db = library.database();
  Transaction t(db);
  ensureTable(db);
  Statement set(db, "INSERT INTO preferences(key, value) VALUES (?1, ?2) "
                    "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
  set.bind(1, key).bind(2, value).run();
  t.commit();
}

bool importsOnLoad(Library& library) { return preference(library, kImportOnLoad).value_or("1") != "0"; }

}  // namespace pelarin
