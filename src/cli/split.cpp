#include <cerrno>
#include <vector>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/app/workdir.h"
#include "core/logimport/sortstore.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/logform.h"
#include "core/text/paths.h"

namespace pelarin::cli {

namespace {

// Without this an empty log into a missing directory would report success.
void requireDirectory(const std::filesystem::path& dir) {
  std::error_code ec;
  auto status = std::filesystem::status(dir, ec);
  if (ec) throw FileError("Cannot open", dir, ec.value());
  if (!std::filesystem::is_directory(status)) throw FileError("Cannot open", dir, ENOTDIR);
}

}  // namespace

void runSplit(const Invocation& inv, std::FILE* out) {
  requireDirectory(inv.dir);
  AppHost host;
  AppState state;
  SetDefaults(state, host);
  std::vector<std::filesystem::path> logs;
  for (const auto& log : inv.logs) logs.push_back(std::filesystem::absolute(log));
  std::filesystem::path dir = inv.dir;
  std::string warning;
  state.WorkDir = workDirText(inv.dir, &warning);
  if (!warning.empty()) {
    // The files are named relative to the directory, which is made current for that.
    print(stderr, warning + '\n');
    std::filesystem::current_path(inv.dir);
    dir = ".";
  }

  // One map for all logs, as when several files are dropped at once.
  ClearBoardMap(state);
  int32_t next = inv.first;
  for (const auto& log : logs) {
    LineReader in(log, inv.raw ? LineReader::Form::Raw : LineReader::Form::Guess);
    next = SplitLog(in, next, state);
    const std::string note = logFormNote(in.form(), in.replaced());
    if (!note.empty()) print(stderr, log.filename().string() + ": " + note + '\n');
  }
  int32_t last = next - 1;
  if (inv.sort) SortStore(dir, last);
  print(out, std::to_string(last) + '\n');
}

}  // namespace pelarin::cli
