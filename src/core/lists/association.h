// The association table's matching: which of the five entries a log, a list
// file or the list in use belongs to, for every use of the table.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>

#include "core/lists/bbsini.h"
#include "core/text/bytes.h"

namespace pelarin {

// Letters A-Z match either case; a double-byte character matches only itself.
enum class AssociationRule {
  // Loading a log: the entry's Target occurs in the log's file name. An empty Target matches nothing.
  TargetInName,
  // Load BBS File: the entry's List occurs in the list file's name. An empty List matches nothing.
  ListInName,
  // Start-up and the composers: the entry's List equals the list in use (an empty List equals an
  // empty name), and the entry has an Upload.
  ListEqualsName,
};

// The entry (0 to 4) that decides: every use tests all five in order, so the last match.
std::optional<size_t> matchAssociation(const BbsTableType& table, AssociationRule rule, ByteView name);

// The entry a log belongs to, as loading it finds it: by the file name without its directory. A
// name with no code page 932 form contains no Target, so it belongs to none.
std::optional<size_t> logAssociation(const BbsTableType& table, const std::filesystem::path& log);

// The List that loading the log makes the list in use: the entry's, or empty when none matches.
Bytes logListName(const BbsTableType& table, const std::filesystem::path& log);

// The upload script an entry names for loading a log and Load BBS File: Upload + ".txt" as
// stored, or upFileName when the entry has no Upload.
Bytes storedUploadFile(const BbsEntry& entry, ByteView upFileName);
// The upload script an entry names at start-up and for the composers: Upload in lower case + ".txt".
Bytes lowerUploadFile(const BbsEntry& entry);

}  // namespace pelarin
