#include "core/library/savedsearch.h"

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/library/searchplan.h"
#include "core/library/sqlite.h"

namespace pelarin {

namespace {

std::string noSuchSearchText(const std::string& name) { return "保存した検索「" + name + "」はありません。"; }

// A name is one field of a listed line.
void requireFitName(const std::string& name) {
  bool fit = !name.empty();
  for (unsigned char c : name) fit = fit && c >= 0x20 && c != 0x7F;
  if (!fit) throw LibraryError("検索の名前は空にできず、制御文字を含められません。");
}

std::string takenText(const std::string& name) { return "保存した検索「" + name + "」はすでにあります。"; }

SavedSearch rowOf(Statement& s) {
  SavedSearch saved;
  saved.name = s.text(0);
  saved.query = s.text(1);
  if (!s.isNull(2)) saved.host = s.text(2);
  if (!s.isNull(3)) saved.boardKey = static_cast<int32_t>(s.integer(3));
  saved.byRelevance = s.text(4) == "relevance";
  return saved;
}

constexpr const char* kColumns = "SELECT name, query, host, board_key, sort FROM saved_searches";

}  // namespace

std::vector<SavedSearch> savedSearches(Library& library) {
  Statement s(library.database(), (std::string(kColumns) + " ORDER BY name").c_str());
  std::vector<SavedSearch> out;
  while (s.step()) out.push_back(rowOf(s));
  return out;
}

SavedSearch savedSearch(Library& library, const std::string& name) {
  Statement s(library.database(), (std::string(kColumns) + " WHERE name = ?1").c_str());
  s.bind(1, name);
  if (!s.step()) throw LibraryError(noSuchSearchText(name));
  return rowOf(s);
}

void addSavedSearch(Library& library, const SavedSearch& search) {
  requireFitName(search.name);
  searchQueryOf({search.query}, {});  // refuses what the search would refuse
  Database& db = library.database();
  Transaction t(db);
  if (!library.keepsState()) throw LibraryError(noStateText());
  Statement add(db,
                "INSERT OR IGNORE INTO main.saved_searches(name, query, host, board_key, sort) "
                "VALUES (?1, ?2, ?3, ?4, ?5)");
  add.bind(1, search.name).bind(2, search.query);
  if (search.host)
    add.bind(3, *search.host);
  else
    add.bindNull(3);
  if (search.boardKey)
    add.bind(4, int64_t{*search.boardKey});
  else
    add.bindNull(4);
  add.bind(5, search.byRelevance ? "relevance" : "order").run();
  if (db.changes() == 0) throw LibraryError(takenText(search.name));
  t.commit();
}

void removeSavedSearch(Library& library, const std::string& name) {
  Database& db = library.database();
  Transaction t(db);
  if (!library.keepsState()) throw LibraryError(noStateText());
  Statement remove(db, "DELETE FROM main.saved_searches WHERE name = ?1");
  remove.bind(1, name).run();
  if (db.changes() == 0) throw LibraryError(noSuchSearchText(name));
  t.commit();
}

void renameSavedSearch(Library& library, const std::string& name, const std::string& newName) {
  requireFitName(newName);
  Database& db = library.database();
  Transaction t(db);
  if (!library.keepsState()) throw LibraryError(noStateText());
  if (newName != name) {
    Statement taken(db, "SELECT 1 FROM main.saved_searches WHERE name = ?1");
    taken.bind(1, newName);
    if (taken.step()) throw LibraryError(takenText(newName));
  }
  Statement rename(db, "UPDATE main.saved_searches SET name = ?2 WHERE name = ?1");
  rename.bind(1, name).bind(2, newName).run();
  if (db.changes() == 0) throw LibraryError(noSuchSearchText(name));
  t.commit();
}

}  // namespace pelarin
