#include "core/logimport/logloading.h"

#include <algorithm>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/lists/association.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/sortstore.h"
#include "core/logimport/splitlog.h"
#include "core/logimport/storeindex.h"
#include "core/logimport/storesinks.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/paths.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

void takeAssociation(AppState& s, std::optional<size_t> entry) {
  if (!entry) return;
  s.ListFileName = s.BbsTable[*entry].List;
  s.UploadFile = storedUploadFile(s.BbsTable[*entry], s.UpFileName);
}

}  // namespace

void associateLog(AppState& s, ByteView logFileName) {
  takeAssociation(s, matchAssociation(s.BbsTable, AssociationRule::TargetInName, logFileName));
}

Bytes titleFromBoardList(const AppState& s) {
  auto boardList = pathFromText(s.WorkDir + s.ListFileName + ".bod");
  if (!entryExists(boardList)) return kAppTitle;
  return LineReader(boardList).readLine() + " - " + kAppTitle;
}

void loadLogIntoStore(const std::filesystem::path& log, AppState& s, AppHost& host, Progress* progress) {
  LineReader in(log, LineReader::Form::Guess);
  loadLogIntoStore(in, s, host, progress);
}

void loadLogIntoStore(LineReader& log, AppState& s, AppHost& host, Progress* progress) {
  s.UploadFile = s.UpFileName;
  s.UploadRewrite = 1;
  s.ListFileName.clear();
  takeAssociation(s, logAssociation(s.BbsTable, log.path()));

  Bytes title = titleFromBoardList(s);
  host.setMainCaption(title);
  host.setApplicationTitle(title);

  auto dir = pathFromText(s.WorkDir);
  // A replacing load writes over the previous store from message 1 and then
  // deletes what lies above the new count: far cheaper than deleting first,
  // and the same files in the end.
  int32_t previous = 0;
  if (s.AppendMode != 1) {
    previous = s.MesCount;
    clearUnwritableMessages(dir, previous);
    s.MesCount = 0;
    s.Index.clear();
  }
  // A converted log says so after the title, with how many characters had no form.
  const auto noteForm = [&] {
    const std::string note = logFormNote(log.form(), log.replaced());
    if (!note.empty()) host.setMainCaption(title + " " + Bytes(utf8ToCp932(note)));
  };
  // Sorted, a load into an empty store writes each message once, in its place.
  StoreSink files(s);
  SortedStoreSink held(s, s.MesCount + 1);
  MessageSink& sink = s.SortMes == 0 ? static_cast<MessageSink&>(held) : files;
  const auto sort = [&] {
    if (s.SortMes != 0) return;
    int32_t placed = 0;
    try {
      if (held.place(progress, &placed)) return;
    } catch (...) {
      // The messages placed so far are the store, in order; the rest were only held.
      deleteMessages(dir, placed + 1, previous);
      s.MesCount = placed;
      s.Index.keep(placed);
      throw;
    }
    SortStore(dir, s.MesCount, &s.Index, progress);
  };
  try {
    s.MesCount = SplitLog(log, s.MesCount + 1, s, sink, progress) - 1;
    noteForm();
  } catch (const SplitStoppedError& e) {
    noteForm();
    // The messages completed before the stop are whole files with integer
    // key lines: they are the store, sorted as after a normal load.
    s.MesCount = e.next() - 1;
    s.Index.keep(s.MesCount);
    deleteMessages(dir, s.MesCount + 1, previous);
    s.CurrentMes = 1;
    if (e.cancelled()) progress->cancel = false;
    sort();
    throw;
  } catch (...) {
    // Nothing says how far it came: none of the previous store is kept.
    deleteMessages(dir, s.MesCount + 1, std::max(previous, s.Index.size()));
    s.Index.keep(s.MesCount);
    throw;
  }
  s.Index.keep(s.MesCount);
  deleteMessages(dir, s.MesCount + 1, previous);
  s.CurrentMes = 1;
  sort();
}

}  // namespace pelarin
