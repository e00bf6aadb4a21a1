#include "core/library/readerplace.h"

#include <sstream>

#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/library/readerwalk.h"

namespace pelarin {

// One line a field: "shown N", "host H", "what W", then a message a line,
// its id or "@BOARD NUMBER". Host and what are single lines of UTF-8.
void rememberPlace(Library& library, const ReaderPlace& place) {
  if (place.messages.empty()) {
    setPreference(library, kReaderPlace, "");
    return;
  }
  auto oneLine = [](std::string text) {
    for (char& c : text)
      if (c == '\n' || c == '\r') c = ' ';
    return text;
  };
  std::string text = "shown " + std::to_string(place.shown) + "\nhost " + oneLine(place.host) + "\nwhat " +
                     oneLine(place.what) + "\n";
  for (const ReaderPlace::Message& m : place.messages)
    text += m.id != 0 ? std::to_string(m.id) + "\n"
                      : "@" + std::to_string(m.boardKey) + " " + std::to_string(m.number) + "\n";
  setPreference(library, kReaderPlace, text);
}

std::optional<ReaderPlace> rememberedPlace(Library& library) {
  const std::optional<std::string> text = preference(library, kReaderPlace);
  if (!text || text->empty()) return std::nullopt;
  ReaderPlace place;
  std::istringstream in(*text);
  std::string line;
  // What cannot be read is left out rather than refused: it is a convenience.
  while (std::getline(in, line)) {
    try {
      if (line.starts_with("shown ")) {
        place.shown = static_cast<size_t>(std::stoull(line.substr(6)));
      } else if (line.starts_with("host ")) {
        place.host = line.substr(5);
      } else if (line.starts_with("what ")) {
        place.what = line.substr(5);
      } else if (line.starts_with("@")) {
        std::istringstream fields(line.substr(1));
        ReaderPlace::Message m;
        if (fields >> m.boardKey >> m.number) place.messages.push_back(m);
      } else if (!line.empty()) {
        place.messages.push_back({std::stoll(line), 0, 0});
      }
    } catch (const std::logic_error&) {
    }
  }
  if (place.messages.empty()) return std::nullopt;
  return place;
}

std::vector<int64_t> placeIds(ReaderWalk& walk, const ReaderPlace& place, size_t* shown) {
  std::vector<int64_t> ids;
  size_t at = 0;
  for (size_t i = 0; i < place.messages.size(); ++i) {
    const ReaderPlace::Message& m = place.messages[i];
    // One gone (a library made anew) or not yet imported is left out.
    const int64_t id =
        m.id != 0 ? (walk.placeOf(m.id) ? m.id : 0) : walk.idOf(place.host, m.boardKey, m.number);
    if (id == 0) continue;
    if (i <= place.shown) at = ids.size();
    ids.push_back(id);
  }
  if (shown) *shown = at;
  return ids;
}

bool reopensAtStart(Library& library) { return preference(library, kReopenAtStart).value_or("0") == "1"; }

}  // namespace pelarin
