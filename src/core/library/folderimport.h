// Adding many logs at once: every log under a folder, in name order, each in
// a transaction of its own, and an account of what became of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/lists/bbsini.h"

namespace pelarin {

class Library;
class Progress;

struct FolderImportError {
  std::string file;  // as found under the folder, e.g. "2024/03.log"
  std::string text;  // the error's own text; a stopped split names its line
};

struct FolderLog {
  std::filesystem::path path;
  std::string shown;  // the path below what the user named
  uint64_t size = 0;
};

struct FolderLogs {
  std::vector<FolderLog> logs;
  std::vector<FolderImportError> errors;  // folders that could not be read
  uint64_t bytes = 0;
};

struct FolderImportSummary {
  int64_t logs = 0;        // read now, also those the split stopped in
  int64_t seenBefore = 0;  // the library held them already
  int64_t added = 0;
  int64_t duplicates = 0;
  std::vector<FolderImportError> errors;
  bool cancelled = false;
};

// The program's own files, never a log wherever they are named: the
// library's database files, the store's message files, settings and
// association files.
bool programsOwnFile(const std::string& fileName);
// What the library never takes for a log: those, and hidden names.
bool skippedForLibrary(const std::string& fileName);

// The logs under each named entry: a named file as it is, a named folder
// walked recursively with its entries in name order. Below a named folder
// only regular files count; links are not followed, so a walk never leaves
// the folder nor loops.
FolderLogs findLogs(const std::vector<std::filesystem::path>& named);

// Imports the logs one by one, each under the host its name is filed under
// in table. One failing log stops none of the others. With progress: the
// bytes of all logs and the messages read so far; a cancel leaves nothing of
// the log being read and ends the rest.
FolderImportSummary importLogs(Library& library, const FolderLogs& found, const BbsTableType& table,
                               Progress* progress = nullptr);

}  // namespace pelarin
