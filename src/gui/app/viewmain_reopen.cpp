// Leave and come back: the store is deleted at the end, as it must be, so
// what it held is kept in the library, and the next start opens it again as
// Open in Reader does, at the message that was shown.
#include <QApplication>
#include <cstdio>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/readerplace.h"
#include "core/library/readerwalk.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "gui/app/viewmain.h"
#include "gui/library/libraryimporter.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"

namespace pelarin::gui {

// At the close, past its last question: the import under way stops (its log
// stays queued for the next start) so that nothing waits for it.
void TLogview::rememberPlace() {
  if (importer_->busy()) importer_->stop();
  if (!readerWalk()) return;
  try {
    writeNow();
    ReaderPlace place;
    place.host = storeHost_;
    place.what = storeWhat_.toStdString();
    for (int32_t n = 1; n <= state_.MesCount; ++n) {
      // When the shown one cannot be kept, the next one kept is shown.
      if (n == state_.CurrentMes) place.shown = place.messages.size();
      ReaderPlace::Message m;
      m.id = libraryIdOf(n);
      if (m.id == 0) {
        const std::optional<MessageKeys> keys = storedKeys(n);
        if (!keys || numberOr0(keys->MesNumber) <= 0) continue;  // mail the library never got
        m.boardKey = numberOr0(keys->BoardKey);
        m.number = numberOr0(keys->MesNumber);
      }
      place.messages.push_back(m);
    }
    // Nothing to keep and nothing kept: the library is not written.
    if (place.messages.empty() && !rememberedPlace(*stateLibrary_)) return;
    pelarin::rememberPlace(*stateLibrary_, place);
  } catch (const std::exception& e) {
    // The end goes on: next time only the question is missing.
    std::fprintf(stderr, "pelarin: %s\n", e.what());
  }
}

void TLogview::offerReopen() {
  if (refused() || ended_) return;
  if (importer_->busy()) {
    // It opens the library, or adds what the last run left: asked once it is done, unless
    // the reader has loaded something meanwhile.
    connect(
        importer_, &LibraryImporter::idle, this,
        [this] {
          if (state_.MesCount == 0) offerReopen();
        },
        Qt::SingleShotConnection);
    return;
  }
  runCommand(platform_, this, [this] {
    ReaderWalk* walk = readerWalk();
    if (!walk) return;
    const std::optional<ReaderPlace> place = rememberedPlace(walk->library());
    if (!place) return;
    size_t shown = 0;
    const std::vector<int64_t> ids = placeIds(*walk, *place, &shown);
    if (ids.empty()) return;
    if (!reopensAtStart(walk->library()) &&
        platform_.messageBox(this, BoxKind::Confirmation,
                             QStringLiteral("前回開いていたメッセージをもう一度開きますか？"),
                             BoxButtons::YesNo) != BoxAnswer::Yes)
      return;
    openFromLibrary(walk->library(), ids, QString::fromStdString(place->what), shown);
  });
}

}  // namespace pelarin::gui
