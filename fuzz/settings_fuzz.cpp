// Feeds arbitrary bytes to the settings load as "pelarin.ini". The load must
// succeed or throw one of the system's errors; whatever it kept, a save and a
// second load must give the same fields, so a save then load of those settings
// writes the same file again.
#include <cstdint>
#include <string>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/app/settings.h"
#include "core/text/errors.h"
#include "fuzzsupport.h"

namespace {

std::string saveAndRead(const pelarin::AppState& state, const fuzzing::fs::path& file) {
  try {
    pelarin::SaveSettings(state);
  } catch (const pelarin::Error&) {
    std::abort();
  }
  return fuzzing::readFile(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& dir = fuzzing::workDir("pelarin-settings-fuzz");
  const auto file = dir / pelarin::kSettingsName;
  fuzzing::writeFile(file, std::string_view(reinterpret_cast<const char*>(data), size));

  pelarin::AppHost host;
  pelarin::AppState state;
  pelarin::SetDefaults(state, host);
  state.WorkDir = pelarin::textFromPath(dir) + pelarin::kSeparator;
  try {
    pelarin::LoadSettings(state.WorkDir, state, host);
  } catch (const pelarin::Error&) {
  }
  const std::string first = saveAndRead(state, file);

  pelarin::AppState again;
  pelarin::SetDefaults(again, host);
  again.WorkDir = state.WorkDir;
  try {
    pelarin::LoadSettings(again.WorkDir, again, host);
  } catch (const pelarin::SettingsLineError&) {
    std::abort();  // every line the program wrote reads back
  } catch (const pelarin::Error&) {
    // A follow-up step may still fail on what the directory holds (a list name that names a folder).
  }
  fuzzing::check(saveAndRead(again, file) == first);
  fuzzing::clearDir(dir);
  return 0;
}
