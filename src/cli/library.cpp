#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/app/apphost.h"
#include "core/app/lockfile.h"
#include "core/app/appstate.h"
#include "core/app/settings.h"
#include "core/library/exportfile.h"
#include "core/library/exportquery.h"
#include "core/library/exporttarget.h"
#include "core/library/exportwrite.h"
#include "core/library/folderimport.h"
#include "core/library/foundtext.h"
#include "core/library/library.h"
#include "core/library/librarycheck.h"
#include "core/library/librarydates.h"
#include "core/library/libraryrecover.h"
#include "core/library/librarystate.h"
#include "core/library/librarystore.h"
#include "core/library/posteddate.h"
#include "core/library/savedsearch.h"
#include "core/library/statefile.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/lists/bbsini.h"
#include "core/reading/boardcode.h"
#include "core/reading/messageview.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/logform.h"
#include "core/text/paths.h"
#include "core/text/progress.h"

namespace pelarin::cli {

namespace {

constexpr char kNoMatchText[] = "一致するメッセージはありません。";

// An older library's index is rebuilt at its first opening: said once on
// standard error, with the share done on a terminal.
class RebuildReport {
 public:
  RebuildReport() {
    progress_.onStep = [this](const Progress& p) {
      const int64_t total = p.total.load(std::memory_order_relaxed);
      if (shown_ < 0) {
        print(stderr, "pelarin-cli: ライブラリの索引を作り直しています（" + std::to_string(total) + " 件）。\n");
        shown_ = 0;
      }
      if (!terminal_ || total == 0) return;
      const auto percent = static_cast<int>(p.done.load(std::memory_order_relaxed) * 100 / total);
      if (percent == shown_) return;
      shown_ = percent;
      print(stderr, "\r" + std::to_string(percent) + "%" + (percent == 100 ? "\n" : ""));
    };
  }

 private:
  Progress progress_;
  IndexRebuildHere here_{&progress_};
  bool terminal_ = ::isatty(STDERR_FILENO) == 1;
  int shown_ = -1;
};

void requireDirectory(const std::filesystem::path& dir) {
  std::error_code ec;
  auto status = std::filesystem::status(dir, ec);
  if (ec) throw FileError("Cannot open", dir, ec.value());
  if (!std::filesystem::is_directory(status)) throw FileError("Cannot open", dir, ENOTDIR);
}

LibraryFilter filterOf(const Invocation& inv) {
  LibraryFilter f;
  f.host = inv.host;
  f.boardKey = inv.boardKey;
  f.writerId = inv.writer;
  f.muted = inv.withMuted;
  return f;
}

// A saved search's query, then the terms given; its board filter and order
// unless given too.
Invocation withSaved(Library& library, Invocation inv) {
  if (!inv.saved) return inv;
  const SavedSearch saved = savedSearch(library, *inv.saved);
  inv.terms.insert(inv.terms.begin(), saved.query);
  if (!inv.host && !inv.boardKey) {
    inv.host = saved.host;
    inv.boardKey = saved.boardKey;
  }
  if (!inv.sortGiven) inv.byRelevance = saved.byRelevance;
  return inv;
}

std::string joined(const std::vector<std::string>& terms) {
  std::string text;
  for (const std::string& t : terms) text += (text.empty() ? "" : " ") + t;
  return text;
}

void saved(Library& library, const Invocation& inv, std::FILE* out) {
  if (inv.action == "add")
    return addSavedSearch(library, {inv.name, joined(inv.terms), inv.host, inv.boardKey, inv.byRelevance});
  if (inv.action == "remove") return removeSavedSearch(library, inv.name);
  // NAME, order, host, board code, query: the query last, as it may hold anything.
  for (const SavedSearch& s : savedSearches(library))
    print(out, s.name + '\t' + (s.byRelevance ? "relevance" : "order") + '\t' + s.host.value_or("") + '\t' +
                   (s.boardKey ? BoardCode(std::to_string(*s.boardKey)) : std::string()) + '\t' + s.query +
                   '\n');
}

// The reader's state to a file (written whole, never through a link) or
// standard output, or from a file or standard input.
void state(Library& library, const Invocation& inv, std::FILE* out) {
  const bool standard = inv.out == "-";
  if (inv.action == "export") {
    if (!standard) return writeExportFile(inv.out, [&](std::ostream& o) { writeReaderState(library, o); });
    std::ostringstream text;
    writeReaderState(library, text);
    return print(out, text.str());
  }
  std::ifstream file;
  if (!standard) {
    file.open(inv.out, std::ios::binary);
    if (!file) throw Error(textFromPath(inv.out) + " を開けません。");
  }
  const size_t facts = readReaderState(library, standard ? std::cin : file);
  print(out, std::to_string(facts) + '\n');
}

// id, host, then the six fields of a list line.
std::string searchLine(int64_t id, const std::string& host, const MessageKeys& keys) {
  std::string line = std::to_string(id) + '\t' + host;
  for (const Bytes& cell : listRow(keys)) line += '\t' + cp932ToUtf8(cell);
  return line + '\n';
}

std::string searchLine(const LibraryMessage& m) { return searchLine(m.id, m.host, m.keys); }

std::vector<int64_t> matches(Library& library, const Invocation& inv) {
  return library.search(inv.terms, filterOf(inv), static_cast<size_t>(inv.limit));
}

// How a log the library holds was read, for one added again.
std::string heldNote(const std::filesystem::path& log, bool readRaw) {
  if (readRaw) return "ライブラリに取り込み済みです（--raw でそのまま読み込み）。";
  return "ライブラリに取り込み済みです（形式を判定して読み込み" +
         logFormNote(LineReader(log, LineReader::Form::Guess).form(), 0) + "）。";
}

// Returns 1 when the split stopped in some log (its messages before the stop
// are in), a message was refused, or a named file was the program's own.
int add(Library& library, const Invocation& inv, std::FILE* out) {
  int status = 0;
  AppHost host;
  AppState state;
  SetDefaults(state, host);
  const auto bbsIni = inv.dir / kBbsIniName;
  if (entryExists(bbsIni)) state.BbsTable = readBbsIni(bbsIni);
  for (const auto& log : inv.logs) {
    const std::string name = log.filename().string();
    // "add *" in the work directory names the library itself: passed over, and said so.
    if (programsOwnFile(name)) {
      print(stderr, "pelarin-cli: " + ownFileText(name) + '\n');
      status = 1;
      continue;
    }
    LineReader in(log, inv.raw ? LineReader::Form::Raw : LineReader::Form::Guess);
    const std::string hostName = inv.host ? *inv.host : hostForLog(state.BbsTable, log);
    const ImportResult r = library.importLog(in, hostName, state);
    const std::string note = logFormNote(in.form(), in.replaced());
    if (!note.empty()) print(stderr, name + ": " + note + '\n');
    if (r.seenBefore && (inv.raw || r.readRaw))
      print(stderr, name + ": " + heldNote(log, r.readRaw) + '\n');
    if (r.unfinished)
      print(stderr, name + ": 読み込みの間に変わったため、次の追加でもう一度読み込みます。\n");
    if (!r.stopped.empty()) {
      print(stderr, "pelarin-cli: " + r.stopped + '\n');
      status = 1;
    }
    print(out, log.string() + '\t' + std::to_string(r.added) + '\t' + std::to_string(r.duplicates) + '\n');
    std::fflush(out);
  }
  return status;
}

void stats(Library& library, std::FILE* out) {
  const LibraryStats st = library.stats();
  for (const auto& b : st.boards)
    print(out, b.host + '\t' + BoardCode(std::to_string(b.boardKey)) + '\t' + std::to_string(b.messages) + '\n');
  print(out, "messages\t" + std::to_string(st.messages) + "\nlogs\t" + std::to_string(st.logs) + "\nbytes\t" +
                 std::to_string(st.databaseBytes) + '\n');
}

// The problems one a line and 1, or "ok" with the count and 0.
int check(const std::filesystem::path& dir, std::FILE* out) {
  Library library(dir, Library::Use::Inspect);
  const LibraryCheck result = checkLibrary(library);
  for (const std::string& problem : result.problems) print(out, problem + '\n');
  if (!result.problems.empty()) return 1;
  print(out, "ok\t" + std::to_string(result.messages) + " messages\n");
  return 0;
}

void recover(const Invocation& inv, std::FILE* out) {
  const RecoverResult r = recoverLibrary(inv.dir, inv.out);
  print(out, "salvaged\t" + std::to_string(r.salvaged) + "\nlost\t" + std::to_string(r.lost) + "\nlogs\t" +
                 std::to_string(r.logs) + '\n');
}

// DIR's settings as the program reads them, as far as they can be read: they
// name the upload scripts and the log directory an export must leave alone.
AppState settingsOf(const std::filesystem::path& dir) {
  AppHost host;
  AppState state;
  SetDefaults(state, host);
  state.UploadFile = state.UpFileName;
  try {
    state.WorkDir = textFromPath(dir) + kSeparator;
    if (fileExists(dir / kSettingsName)) LoadSettings(state.WorkDir, state, host);
    if (entryExists(dir / kBbsIniName)) state.BbsTable = readBbsIni(dir / kBbsIniName);
  } catch (const Error&) {
    // What was read stays; the work directory's own names are known without it.
  }
  return state;
}

ExportFormat formatOf(const Invocation& inv) {
  return inv.format == "html"   ? ExportFormat::Html
         : inv.format == "mbox" ? ExportFormat::Mbox
                                : ExportFormat::Text;
}

}  // namespace

void writeExport(const Invocation& inv, const std::vector<ExportMessage>& messages) {
  pelarin::writeExport(formatOf(inv), messages, inv.out);
}

std::vector<ExportMessage> exportSelection(Library& library, const Invocation& inv) {
  return exportMessages(library, matches(library, inv), inv.dir);
}

int runLibrary(const Invocation& given, std::FILE* out) {
  requireDirectory(given.dir);
  // These two only read the library, and not with the usual opening.
  if (given.library == LibraryCommand::Check) return check(given.dir, out);
  if (given.library == LibraryCommand::Recover) {
    recover(given, out);
    return 0;
  }
  RebuildReport rebuild;
  Library library(given.dir);
  const Invocation inv = withSaved(library, given);
  switch (inv.library) {
    case LibraryCommand::Add:
      return add(library, inv, out);
    case LibraryCommand::Search:
      // One pass over many messages reuses few pages: a small cache keeps the process small.
      library.database().exec("PRAGMA cache_size=-8192");
      if (inv.countOnly) {
        print(out, std::to_string(library.count(inv.terms, filterOf(inv))) + '\n');
        break;
      }
      if (inv.snippet || inv.byRelevance) {
        const std::vector<std::string> found = textsToMark(inv.terms);
        const std::vector<int64_t> ids =
            inv.byRelevance ? library.searchByRelevance(inv.terms, filterOf(inv), static_cast<size_t>(inv.limit))
                            : matches(library, inv);
        for (int64_t id : ids) {
          const LibraryMessage m = library.message(id);
          std::string line = searchLine(id, m.host, m.keys);
          if (inv.date) line.insert(line.size() - 1, '\t' + (m.posted ? postedText(*m.posted) : std::string()));
          if (inv.snippet) line.insert(line.size() - 1, '\t' + snippetOf(cp932ToUtf8(m.body), found));
          print(out, line);
        }
        break;
      }
      {
        // A line needs the host and the key lines (and the posting time): never the body.
        const std::vector<int64_t> ids = matches(library, inv);
        std::vector<std::string> dates;
        if (inv.date)
          eachPosted(library, ids, [&](int64_t, std::optional<int64_t> posted) {
            dates.push_back(posted ? postedText(*posted) : std::string());
          });
        size_t at = 0;
        library.eachListed(ids, [&](int64_t id, const std::string& host, ByteView keys) {
          std::string line = searchLine(id, host, keysFromLines(keys));
          if (inv.date) line.insert(line.size() - 1, '\t' + dates[at]);
          ++at;
          print(out, line);
        });
      }
      break;
    case LibraryCommand::Show: {
      const LibraryMessage m = library.message(inv.id);
      print(out, shownText(messageViewOf(m.keys, m.body)));
      break;
    }
    case LibraryCommand::Thread:
      for (const ThreadLine& t : library.thread(inv.id))
        print(out, std::to_string(t.depth) + '\t' + searchLine(library.message(t.id)));
      break;
    case LibraryCommand::Open: {
      // The store belongs to the program while it runs in this directory: never written under it.
      WorkDirLock lock(inv.dir / kLockFileName);
      if (!lock.owns())
        throw Error("Pelarin is already launched or UPLOAD.TMP exists\n" + (inv.dir / kLockFileName).string());
      // No match is no store: a mistyped query leaves the reader's messages as they are.
      // Nor does a refused query leave a stale lock, which the program's next start
      // would take for a killed run and clear the store after.
      std::vector<int64_t> ids;
      try {
        ids = matches(library, inv);
        if (ids.empty()) throw Error(kNoMatchText);
      } catch (...) {
        lock.release();
        throw;
      }
      print(out, std::to_string(writeStoreFrom(library, ids, inv.dir)) + '\n');
      lock.release();
      break;
    }
    case LibraryCommand::Export:
      refuseOwnFiles(library, settingsOf(inv.dir), inv.dir, formatOf(inv), inv.out);
      writeExport(inv, exportSelection(library, inv));
      break;
    case LibraryCommand::Stats:
      stats(library, out);
      break;
    case LibraryCommand::Read:
    case LibraryCommand::Unread:
      setFlag(library, MessageFlag::Read, inv.ids, inv.library == LibraryCommand::Read);
      break;
    case LibraryCommand::Mark:
    case LibraryCommand::Unmark:
      setFlag(library, MessageFlag::Marked, inv.ids, inv.library == LibraryCommand::Mark);
      break;
    case LibraryCommand::Mute:
      if (inv.action == "thread")
        muteThread(library, inv.id);
      else
        muteWriter(library, inv.name, inv.writerId);
      break;
    case LibraryCommand::Unmute:
      if (inv.action == "thread" && !unmuteThread(library, inv.id)) throw Error(threadNotMutedText(inv.id));
      if (inv.action == "writer" && !unmuteWriter(library, inv.name, inv.writerId))
        throw Error(writerNotMutedText(inv.name, inv.writerId));
      break;
    case LibraryCommand::Muted: {
      const MutedList muted = mutedList(library);
      for (int64_t root : muted.threads) print(out, "thread\t" + searchLine(library.message(root)));
      for (const MutedWriter& w : muted.writers)
        print(out, "writer\t" + w.host + '\t' + std::to_string(w.writerId) + '\n');
      break;
    }
    case LibraryCommand::Saved:
      saved(library, inv, out);
      break;
    case LibraryCommand::State:
      state(library, inv, out);
      break;
    case LibraryCommand::Check:
    case LibraryCommand::Recover:
      break;
  }
  return 0;
}

}  // namespace pelarin::cli
