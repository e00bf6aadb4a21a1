#include <cerrno>
#include <string>

#include "cli/commands.h"
#include "core/app/apphost.h"
#include "core/app/lockfile.h"
#include "core/app/appstate.h"
#include "core/library/exportquery.h"
#include "core/library/exportwrite.h"
#include "core/library/folderimport.h"
#include "core/library/library.h"
#include "core/library/librarystore.h"
#include "core/library/tokenizer.h"
#include "core/lists/bbsini.h"
#include "core/reading/boardcode.h"
#include "core/reading/messageview.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/logform.h"
#include "core/text/paths.h"

namespace pelarin::cli {

namespace {

void print(std::FILE* out, const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); }

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
  return f;
}

// id, host, then the six fields of a list line.
std::string searchLine(const LibraryMessage& m) {
  std::string line = std::to_string(m.id) + '\t' + m.host;
  for (const Bytes& cell : listRow(m.keys)) line += '\t' + cp932ToUtf8(cell);
  return line + '\n';
}

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
      std::fprintf(stderr, "pelarin-cli: %s\n", ownFileText(name).c_str());
      status = 1;
      continue;
    }
    LineReader in(log, inv.raw ? LineReader::Form::Raw : LineReader::Form::Guess);
    const std::string hostName = inv.host ? *inv.host : hostForLog(state.BbsTable, log);
    const ImportResult r = library.importLog(in, hostName, state);
    const std::string note = logFormNote(in.form(), in.replaced());
    if (!note.empty()) std::fprintf(stderr, "%s: %s\n", name.c_str(), note.c_str());
    if (r.seenBefore && (inv.raw || r.readRaw))
      std::fprintf(stderr, "%s: %s\n", name.c_str(), heldNote(log, r.readRaw).c_str());
    if (r.unfinished)
      std::fprintf(stderr, "%s: 読み込みの間に変わったため、次の追加でもう一度読み込みます。\n",
                   name.c_str());
    if (!r.stopped.empty()) {
      std::fprintf(stderr, "pelarin-cli: %s\n", r.stopped.c_str());
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

}  // namespace

void writeExport(const Invocation& inv, const std::vector<ExportMessage>& messages) {
  const ExportFormat format = inv.format == "html"   ? ExportFormat::Html
                              : inv.format == "mbox" ? ExportFormat::Mbox
                                                     : ExportFormat::Text;
  pelarin::writeExport(format, messages, inv.out);
}

std::vector<ExportMessage> exportSelection(Library& library, const Invocation& inv) {
  return exportMessages(library, matches(library, inv), inv.dir);
}

int runLibrary(const Invocation& inv, std::FILE* out) {
  requireDirectory(inv.dir);
  Library library(inv.dir);
  switch (inv.library) {
    case LibraryCommand::Add:
      return add(library, inv, out);
    case LibraryCommand::Search:
      if (inv.countOnly) {
        print(out, std::to_string(library.count(inv.terms, filterOf(inv))) + '\n');
        break;
      }
      for (int64_t id : matches(library, inv)) print(out, searchLine(library.message(id)));
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
      print(out, std::to_string(writeStoreFrom(library, matches(library, inv), inv.dir)) + '\n');
      lock.release();
      break;
    }
    case LibraryCommand::Export:
      writeExport(inv, exportSelection(library, inv));
      break;
    case LibraryCommand::Stats:
      stats(library, out);
      break;
  }
  return 0;
}

}  // namespace pelarin::cli
