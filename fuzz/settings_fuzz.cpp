// Feeds arbitrary bytes to the settings load as "pelarin.ini"; the load must
// either succeed or throw one of the system's errors.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/app/settings.h"
#include "core/text/errors.h"
#include "core/text/paths.h"

namespace {

const std::filesystem::path& workDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelarin-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return std::filesystem::path(pattern);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& dir = workDir();
  {
    std::FILE* f = std::fopen((dir / "pelarin.ini").c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  pelarin::AppState state;
  pelarin::AppHost host;
  pelarin::SetDefaults(state, host);
  state.WorkDir = pelarin::textFromPath(dir) + pelarin::kSeparator;
  try {
    pelarin::LoadSettings(state.WorkDir, state, host);
  } catch (const pelarin::Error&) {
  }
  return 0;
}
