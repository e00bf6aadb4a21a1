// Feeds arbitrary bytes to the association file reader as "bbs.ini": the
// table it gives must be written back and read again unchanged, and each text
// must be the line of the input at its place.
#include <cstdint>
#include <string>

#include "core/lists/bbsini.h"
#include "core/text/errors.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& dir = fuzzing::workDir("pelarin-bbsini-fuzz");
  const auto file = dir / pelarin::kBbsIniName;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzzing::writeFile(file, text);
  const auto input = fuzzing::lines(text);

  pelarin::BbsTableType table;
  try {
    table = pelarin::readBbsIni(file);
  } catch (const pelarin::Error&) {
    std::abort();  // any regular file reads
  }
  auto lineAt = [&](size_t i) { return i < input.size() ? input[i] : std::string(); };
  for (size_t i = 0; i < pelarin::kBbsEntries; ++i) {
    fuzzing::check(table[i].List == lineAt(i));
    fuzzing::check(table[i].Target == lineAt(pelarin::kBbsEntries + i));
    fuzzing::check(table[i].Upload == lineAt(2 * pelarin::kBbsEntries + i));
  }
  try {
    pelarin::writeBbsIni(file, table);
    const pelarin::BbsTableType back = pelarin::readBbsIni(file);
    for (size_t i = 0; i < pelarin::kBbsEntries; ++i) {
      fuzzing::check(back[i].List == table[i].List);
      fuzzing::check(back[i].Target == table[i].Target);
      fuzzing::check(back[i].Upload == table[i].Upload);
    }
  } catch (const pelarin::Error&) {
    std::abort();
  }
  fuzzing::clearDir(dir);
  return 0;
}
