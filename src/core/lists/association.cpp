#include "core/lists/association.h"

#include "core/text/errors.h"
#include "core/text/paths.h"

namespace pelarin {

namespace {

bool matches(const BbsEntry& entry, AssociationRule rule, const Bytes& lowerName) {
  switch (rule) {
    case AssociationRule::TargetInName: {
      const Bytes target = asciiLower(entry.Target);
      return !target.empty() && lowerName.find(target) != Bytes::npos;
    }
    case AssociationRule::ListInName: {
      const Bytes list = asciiLower(entry.List);
      return !list.empty() && lowerName.find(list) != Bytes::npos;
    }
    case AssociationRule::ListEqualsName:
      return !entry.Upload.empty() && asciiLower(entry.List) == lowerName;
  }
  return false;
}

}  // namespace

std::optional<size_t> matchAssociation(const BbsTableType& table, AssociationRule rule, ByteView name) {
  const Bytes lowerName = asciiLower(name);
  std::optional<size_t> found;
  for (size_t i = 0; i < table.size(); ++i)
    if (matches(table[i], rule, lowerName)) found = i;
  return found;
}

std::optional<size_t> logAssociation(const BbsTableType& table, const std::filesystem::path& log) {
  Bytes name;
  try {
    name = textFromPath(log.filename());
  } catch (const EncodeError&) {
    return std::nullopt;
  }
  return matchAssociation(table, AssociationRule::TargetInName, name);
}

Bytes logListName(const BbsTableType& table, const std::filesystem::path& log) {
  const std::optional<size_t> entry = logAssociation(table, log);
  return entry ? table[*entry].List : Bytes();
}

Bytes storedUploadFile(const BbsEntry& entry, ByteView upFileName) {
  return entry.Upload.empty() ? Bytes(upFileName) : entry.Upload + ".txt";
}

Bytes lowerUploadFile(const BbsEntry& entry) { return asciiLower(entry.Upload) + ".txt"; }

}  // namespace pelarin
