// Which library files this process has found whole: checking a large library
// reads all of it, so a file that nothing but this process's own commits has
// changed since its check is not read again. A change by anyone else (another
// program, a copy, a scribble) changes the file's ctime and is checked.
#pragma once

#include <filesystem>
#include <string>

namespace pelarin {

class Database;

// The first damage SQLite's quick check finds; empty when none.
std::string firstDamage(Database& db);

bool knownWhole(const std::filesystem::path& file);
// After a check that passed, and after each commit of this process.
void rememberWhole(const std::filesystem::path& file);

}  // namespace pelarin
