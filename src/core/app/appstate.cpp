#include "core/app/appstate.h"

#include "core/app/apphost.h"
#include "core/app/defaults.h"

namespace pelarin {

void ResetPositions(AppState& s) {
  s.MainTop = s.MainLeft = 0;
  s.ResTop = s.ResLeft = 0;
  s.NewTop = s.NewLeft = 0;
  s.MailTop = s.MailLeft = 0;
  s.ListTop = s.ListLeft = 0;
  s.InputListTop = s.InputListLeft = 0;
}

void ResetSizes(AppState& s) {
  s.MainHeight = 400;
  s.MainWidth = 0;
  s.ResHeight = 380;
  s.ResWidth = 0;
  s.NewHeight = 380;
  s.NewWidth = 0;
  s.MailHeight = 380;
  s.MailWidth = 0;
  s.InputListHeight = 200;
  s.InputListWidth = 0;
  s.ListHeight = 380;
  s.ListWidth = 0;
  s.ListColWidth = {50, 50, 50, 140, 300, 300};
}

void ClearBoardMap(AppState& s) {
  s.BoardMapCount = 0;
  s.BoardMap.fill(BoardPair{});
}

void AddBoardPair(AppState& s, int32_t from, int32_t to) {
  if (s.BoardMapCount < 0 || s.BoardMapCount >= kBoardMapSize) return;
  s.BoardMap[static_cast<size_t>(s.BoardMapCount)] = BoardPair{from, to};
  ++s.BoardMapCount;
}

void SetDefaults(AppState& s, AppHost& host) {
  ResetPositions(s);
  host.moveMainWindow(s.MainTop, s.MainLeft);
  s.AlreadyLaunched = 0;
  ResetSizes(s);
  s.MesCount = 0;
  s.Index.clear();
  s.CurrentMes = 1;
  s.TextFileDir.clear();
  s.LogFileDir.clear();
  s.QuoteMark = defaults::kQuoteMark;
  s.HeaderLeft = defaults::kHeaderLeft;
  s.HeaderCenter = 1;
  s.HeaderSuffix = defaults::kHeaderSuffix;
  s.HeaderRight = defaults::kHeaderRight;
  s.FooterLeft = defaults::kFooterLeft;
  s.FooterCenter = 2;
  s.FooterSuffix = defaults::kFooterSuffix;
  s.FooterRight = defaults::kFooterRight;
  s.AppendMode = 0;
  s.FontSize = 9;
  s.FontName = defaults::kFontName;
  s.BoardMapCount = 0;
  s.UpFileName = defaults::kUpFileName;
  s.ListFileName = defaults::kListFileName;
  host.setApplicationTitle(kAppTitle);
  s.QuoteStyle = 0;
  s.AlarmLines = 50;
  s.LineCaution = 70;
  s.AlarmLetters = 80;
  s.LetterCaution = 90;
  s.SortMes = 1;
  s.BoardMap.fill(BoardPair{});
}

}  // namespace pelarin
