#include "core/lists/boardlistuse.h"

#include <algorithm>

#include "core/app/appstate.h"
#include "core/lists/association.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/paths.h"

namespace pelarin {

namespace {

// The name less its last 4 characters, counted as the system counts them: bytes.
Bytes stem(ByteView name) { return Bytes(name.substr(0, name.size() >= 4 ? name.size() - 4 : 0)); }

}  // namespace

void associateListFile(AppState& state, ByteView fileName) {
  if (const auto entry = matchAssociation(state.BbsTable, AssociationRule::ListInName, fileName))
    state.UploadFile = storedUploadFile(state.BbsTable[*entry], state.UpFileName);
}

Bytes useBoardList(AppState& state, const std::filesystem::path& chosen) {
  Bytes name;
  try {
    name = textFromPath(chosen.filename());
  } catch (const EncodeError& e) {
    // The list's name is kept in the settings and in every association, as code page 932 text.
    throw NameError("リストファイル", chosen, e.characters(),
                    "リストは読み込んでいません。名前を変えてから開いてください。");
  }
  const Bytes title = LineReader(chosen).readLine();
  associateListFile(state, name);
  state.ListFileName = stem(name);
  return title + " - " + kAppTitle;
}

std::vector<Bytes> fileStems(const std::filesystem::path& dir, ByteView extension) {
  std::vector<Bytes> stems;
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec);
  if (ec) return stems;
  const Bytes wanted = asciiLower(extension);
  for (const auto& entry : it) {
    Bytes name;
    try {
      name = textFromPath(entry.path().filename());
    } catch (const EncodeError&) {
      continue;  // a name the system's text cannot hold
    }
    if (name.size() < wanted.size() || asciiLower(name.substr(name.size() - wanted.size())) != wanted)
      continue;
    if (!entry.is_regular_file(ec)) continue;
    stems.push_back(stem(name));
  }
  // The platform's directory order means nothing to a user; the names' order does.
  std::sort(stems.begin(), stems.end());
  return stems;
}

}  // namespace pelarin
