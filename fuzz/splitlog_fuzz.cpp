// Feeds arbitrary bytes to the splitter as a log; it must give message files
// that read back as written, or one of the system's errors.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/app/appstate.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "core/text/paths.h"

namespace {

namespace fs = std::filesystem;

const fs::path& workDir() {
  static const fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "pelarin-split-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return fs::path(pattern);
  }();
  return dir;
}

// Key lines 1 and 2 must hold plain decimal integers for every reader.
void checkMessage(const fs::path& file) {
  pelarin::MessageKeys keys = pelarin::readMessageKeys(file);
  if (pelarin::IntToStr(pelarin::StrToInt(keys.BoardKey)) != keys.BoardKey) std::abort();
  if (pelarin::IntToStr(pelarin::StrToInt(keys.MesNumber)) != keys.MesNumber) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& dir = workDir();
  const fs::path log = dir / "in.log";
  {
    std::FILE* f = std::fopen(log.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  pelarin::AppState state;
  state.WorkDir = pelarin::textFromPath(dir) + pelarin::kSeparator;
  int32_t next = 0;
  try {
    next = pelarin::SplitLog(log, 1, state);
  } catch (const pelarin::Error&) {
  }
  if (state.BoardMapCount > pelarin::kBoardMapSize) std::abort();
  if (next != 0) {
    // Every number up to the one returned was written, and nothing beyond.
    if (next < 1 || pelarin::fileExists(pelarin::messagePath(dir, next))) std::abort();
    try {
      for (int32_t n = 1; n < next; ++n) checkMessage(pelarin::messagePath(dir, n));
    } catch (const pelarin::Error&) {
      std::abort();
    }
  }
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path() != log) pelarin::removeQuietly(entry.path());
  return 0;
}
