#include "core/library/folderimport.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/progress.h"

namespace pelarin {

namespace fs = std::filesystem;

namespace {

bool endsWithNoCase(const std::string& name, const std::string& end) {
  if (name.size() < end.size()) return false;
  return std::equal(end.begin(), end.end(), name.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

void walk(const fs::path& dir, const fs::path& shown, FolderLogs& out) {
  const auto failed = [&](const std::error_code& ec) {
    out.errors.push_back({shown.generic_string(), FileError("Cannot open", dir, ec.value()).what()});
  };
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return failed(ec);
  std::vector<fs::directory_entry> entries;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    entries.push_back(*it);
  }
  if (ec) return failed(ec);
  // Byte order of the names: the same order on every machine and locale.
  std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return a.path().filename().native() < b.path().filename().native();
  });
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (skippedForLibrary(name)) continue;
    const fs::file_status status = entry.symlink_status(ec);
    if (ec) {
      out.errors.push_back(
          {(shown / name).generic_string(), FileError("Cannot open", entry.path(), ec.value()).what()});
      continue;
    }
    if (fs::is_directory(status)) {
      walk(entry.path(), shown / name, out);
    } else if (fs::is_regular_file(status)) {
      const uint64_t size = entry.file_size(ec);
      out.logs.push_back({entry.path(), (shown / name).generic_string(), ec ? 0 : size});
      out.bytes += out.logs.back().size;
    }
  }
}

}  // namespace

bool skippedForLibrary(const std::string& name) {
  return name.empty() || name.front() == '.' || programsOwnFile(name);
}

bool programsOwnFile(const std::string& name) {
  // The database with its journal, WAL and shared-memory files.
  if (name.rfind(kLibraryFileName, 0) == 0) return true;
  if (name.size() >= 7 && name.rfind("mes", 0) == 0 && endsWithNoCase(name, ".tmp")) return true;
  return endsWithNoCase(name, ".ini");
}

FolderLogs findLogs(const std::vector<fs::path>& named) {
  FolderLogs out;
  for (const fs::path& entry : named) {
    const fs::path name = entry.filename().empty() ? entry.parent_path().filename() : entry.filename();
    std::error_code ec;
    // What the user named is taken as named, a link too.
    if (fs::is_directory(entry, ec)) {
      walk(entry, name, out);
      continue;
    }
    if (skippedForLibrary(name.string())) continue;
    // Anything else is tried as a log, so a missing or special file is reported by the reader.
    const uint64_t size = fs::file_size(entry, ec);
    out.logs.push_back({entry, name.generic_string(), ec ? 0 : size});
    out.bytes += out.logs.back().size;
  }
  return out;
}

FolderImportSummary importLogs(Library& library, const FolderLogs& found, const BbsTableType& table,
                               Progress* progress) {
  FolderImportSummary summary;
  summary.errors = found.errors;
  AppState state;
  state.BbsTable = table;
  uint64_t bytesBefore = 0;
  int64_t messagesBefore = 0;
  if (progress) progress->begin(Progress::Phase::Reading, 0);
  for (const FolderLog& log : found.logs) {
    if (progress && progress->cancelled()) {
      summary.cancelled = true;
      break;
    }
    // The split reports on a progress of its own: these figures run on across the logs.
    Progress inLog;
    if (progress) {
      inLog.onStep = [&](const Progress& p) {
        progress->bytes.store(bytesBefore + p.bytes.load(std::memory_order_relaxed),
                              std::memory_order_relaxed);
        progress->done.store(messagesBefore + p.done.load(std::memory_order_relaxed),
                             std::memory_order_relaxed);
        if (progress->onStep) progress->onStep(*progress);
        if (progress->abandon.load()) inLog.abandon = true;
        if (progress->cancel.load()) inLog.cancel = true;
      };
    }
    try {
      LineReader in(log.path, LineReader::Form::Guess);
      const ImportResult r =
          library.importLog(in, hostForLog(table, log.path), state, progress ? &inLog : nullptr);
      if (r.seenBefore) {
        ++summary.seenBefore;
      } else {
        ++summary.logs;
        summary.added += r.added;
      }
      summary.duplicates += r.duplicates;
      messagesBefore += r.added + r.duplicates;
      if (!r.stopped.empty()) summary.errors.push_back({log.shown, r.stopped});
    } catch (const SplitStoppedError& e) {
      if (!e.cancelled()) {
        summary.errors.push_back({log.shown, e.what()});
      } else {
        summary.cancelled = true;
        break;
      }
    } catch (const CancelledError&) {
      summary.cancelled = true;
      break;
    } catch (const std::exception& e) {
      summary.errors.push_back({log.shown, e.what()});
    }
    bytesBefore += log.size;
    if (progress) {
      progress->bytes.store(bytesBefore, std::memory_order_relaxed);
      progress->report(messagesBefore);
    }
  }
  return summary;
}

}  // namespace pelarin
