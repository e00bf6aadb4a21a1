// The one record of all state that outlives a dialog; the main window owns it.
#pragma once

#include <array>
#include <cstdint>

#include "core/logimport/storeindex.h"
#include "core/text/bytes.h"

namespace pelarin {

class AppHost;

struct BbsEntry {
  Bytes List;    // board list stem
  Bytes Target;  // text looked for in a log's file name
  Bytes Upload;  // upload script stem, without ".txt"
};

struct BoardPair {
  int32_t From = 0;  // BBS board number
  int32_t To = 0;    // the IBBS board key linked to it
};

inline constexpr int kBoardMapSize = 100;
inline constexpr int kBbsEntries = 5;

inline constexpr char kAppTitle[] = "Pelarin for Windows";

struct AppState {
  // The current run.
  int32_t MesCount = 0;
  StoreIndex Index;  // the key lines of the store, as far as it knows them
  int32_t CurrentMes = 0;
  int32_t AlreadyLaunched = 0;
  int32_t AppendMode = 0;
  int32_t SelFirstLine = 0;
  int32_t SelLastLine = 0;
  Bytes UploadFile;
  int32_t UploadRewrite = 0;
  Bytes WorkDir;  // ends in the separator

  // Window geometry: client sizes, outer positions.
  int32_t MainHeight = 0, MainWidth = 0;
  int32_t ResHeight = 0, ResWidth = 0;
  int32_t NewHeight = 0, NewWidth = 0;
  int32_t MailHeight = 0, MailWidth = 0;
  int32_t ListHeight = 0, ListWidth = 0;
  int32_t InputListHeight = 0, InputListWidth = 0;
  int32_t MainTop = 0, MainLeft = 0;
  int32_t ResTop = 0, ResLeft = 0;
  int32_t NewTop = 0, NewLeft = 0;
  int32_t MailTop = 0, MailLeft = 0;
  int32_t ListTop = 0, ListLeft = 0;
  int32_t InputListTop = 0, InputListLeft = 0;
  std::array<int32_t, 6> ListColWidth{};

  // Directories, files and font.
  Bytes LogFileDir;
  Bytes TextFileDir;
  Bytes UpFileName;
  Bytes ListFileName;
  Bytes FontName;
  int32_t FontSize = 0;

  // Quotation.
  Bytes QuoteMark;
  int32_t QuoteStyle = 0;
  Bytes HeaderLeft;
  int32_t HeaderCenter = 0;
  Bytes HeaderSuffix;
  Bytes HeaderRight;
  Bytes FooterLeft;
  int32_t FooterCenter = 0;
  Bytes FooterSuffix;
  Bytes FooterRight;

  // Editor thresholds and options.
  int32_t AlarmLetters = 0;
  int32_t LetterCaution = 0;
  int32_t AlarmLines = 0;
  int32_t LineCaution = 0;
  int32_t SortMes = 0;

  // Tables.
  std::array<BbsEntry, kBbsEntries> BbsTable{};
  std::array<BoardPair, kBoardMapSize> BoardMap{};
  int32_t BoardMapCount = 0;
};

// Initial values of every field that has one, in the system's order; moves the
// main window to the top-left corner and sets the application's title on the way.
void SetDefaults(AppState& state, AppHost& host);

// Init Size and Init Position: the geometry fields alone.
void ResetPositions(AppState& state);
void ResetSizes(AppState& state);

// Empties BoardMap, as every load does before splitting.
void ClearBoardMap(AppState& state);

// Appends a pair while there is room; further pairs are not stored.
void AddBoardPair(AppState& state, int32_t from, int32_t to);

}  // namespace pelarin
