// Feeds arbitrary bytes to the draft reader as each kind's draft file. A file
// is either refused with a DraftError or read; a draft read holds every field
// of its kind, and writing it and reading it again gives the same draft, whose
// second write is the same file.
#include <cstdint>
#include <set>
#include <string>

#include "core/compose/draft.h"
#include "core/text/errors.h"
#include "fuzzsupport.h"

namespace {

using fuzzing::check;

std::string writeAndRead(const pelarin::Draft& draft, const fuzzing::fs::path& file) {
  try {
    pelarin::writeDraft(file, draft);
  } catch (const pelarin::Error&) {
    std::abort();
  }
  return fuzzing::readFile(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& dir = fuzzing::workDir("pelarin-draft-fuzz");
  const auto file = dir / "in.draft", again = dir / "again.draft";
  fuzzing::writeFile(file, std::string_view(reinterpret_cast<const char*>(data), size));

  for (const pelarin::DraftKind kind : pelarin::kDraftKinds) {
    pelarin::Draft draft;
    try {
      draft = pelarin::readDraft(file, kind);
    } catch (const pelarin::DraftError&) {
      continue;  // damage is refused, and refused as a draft's damage
    }
    check(draft.kind == kind);
    std::set<std::string> names;
    for (const pelarin::DraftField& field : pelarin::draftFields(kind)) names.insert(field.name);
    check(draft.fields.size() == names.size());
    for (const auto& [name, value] : draft.fields) check(names.count(name) == 1);

    const std::string first = writeAndRead(draft, again);
    pelarin::Draft back;
    try {
      back = pelarin::readDraft(again, kind);
    } catch (const pelarin::Error&) {
      std::abort();  // what the program wrote reads back
    }
    check(back == draft);
    check(writeAndRead(back, again) == first);
  }
  fuzzing::clearDir(dir);
  return 0;
}
