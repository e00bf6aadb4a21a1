#include "core/logimport/boardkey.h"

#include <algorithm>

#include "core/app/appstate.h"

namespace pelarin {

namespace {

constexpr ByteView kBbsTitle = "\x81\x9c [ BBS";           // ● [ BBS
constexpr ByteView kCugTitle = "\x81\x9c [ CUG";           // ● [ CUG
constexpr ByteView kFswTitle = "\x81\x9c [ FSW";           // ● [ FSW
constexpr ByteView kIbbsTitle = "\x81\x9c [ IBBS";         // ● [ IBBS
constexpr ByteView kSectionBbs = "\x81\x98 BBS";           // § BBS
constexpr ByteView kBbsPrompt = "[ \x82\x61\x62s";         // [ Ｂbs
constexpr ByteView kBfPrompt = "[ \x82\x61\x62s\x82\x65";  // [ ＢbsＦ
constexpr ByteView kMailPrompt = "[ \x82\x6c\x61il";       // [ Ｍail
constexpr ByteView kIbbsPrompt = "[ \x82\x68\x62\x62s";    // [ Ｉbbs
constexpr ByteView kFswPrompt = "[ \x82\x65sw";            // [ Ｆsw
constexpr ByteView kIbbsLink = "(IBBS";

constexpr unsigned char kWideLead = 0x82;
constexpr unsigned char kWideZero = 0x4f;  // ０
constexpr unsigned char kWideOne = 0x50;   // １
constexpr unsigned char kWideNine = 0x58;  // ９

int digitAt(ByteView line, long pos) { return byteAt(line, pos) - '0'; }

// A fullwidth digit at pos, by byte order between the lowest allowed and "９".
bool isWideDigitAt(ByteView line, long pos, unsigned char lowest) {
  return byteAt(line, pos) == kWideLead && byteAt(line, pos + 1) >= lowest &&
         byteAt(line, pos + 1) <= kWideNine;
}

// The number of up to `most` fullwidth digits from pos, the first being "１".."９".
int32_t wideNumberAt(ByteView line, long pos, int most) {
  int32_t value = 0;
  for (int i = 0; i < most && isWideDigitAt(line, pos + 2L * i, kWideZero); ++i)
    value = value * 10 + (byteAt(line, pos + 2L * i + 1) - kWideZero);
  return value;
}

// The one- or two-digit number at pos (a digit is there); width gets its length.
int32_t numberAt(ByteView line, long pos, int& width) {
  int32_t value = digitAt(line, pos);
  width = 1;
  if (isDigitAt(line, pos + 1)) {
    value = value * 10 + digitAt(line, pos + 1);
    width = 2;
  }
  return value;
}

// A BBS title that names its linked IBBS board: record the pair, file under it.
int32_t linkIbbs(ByteView line, int32_t bbs, long linkPos, int shift, int32_t key, AppState& state) {
  if (columns(line, linkPos, linkPos + 4) != kIbbsLink) return key;
  int32_t to = IbbsNumberAfter(line, shift);
  AddBoardPair(state, bbs, to);
  return to;
}

int32_t lookUpBoardMap(int32_t key, const AppState& state) {
  int count = std::clamp(state.BoardMapCount, 0, kBoardMapSize);
  for (int i = 0; i < count; ++i)
    if (state.BoardMap[static_cast<size_t>(i)].From == key) key = state.BoardMap[static_cast<size_t>(i)].To;
  return key;
}

}  // namespace

int32_t FullWidthDigitValue(unsigned char lead, unsigned char trail) {
  if (lead == kWideLead && trail >= kWideZero && trail <= kWideNine) return trail - kWideZero;
  return 0;
}

int32_t IbbsNumberAfter(ByteView line, int shift) {
  int32_t value = 0;
  for (long pos = 15 + shift; pos <= 17 + shift && isDigitAt(line, pos); ++pos)
    value = value * 10 + digitAt(line, pos);
  return kIbbsBase + value;
}

int32_t NextBoardKey(ByteView line, int32_t key, AppState& state) {
  // Every marker starts with "[" or the lead byte of "●" and "§"; most lines carry none.
  if (line.empty() || (line[0] != '[' && static_cast<unsigned char>(line[0]) != 0x81)) return key;
  int width = 0;

  if ((beginsWith(line, kBbsTitle) || beginsWith(line, kCugTitle)) && isDigitAt(line, 9)) {
    int32_t bbs = numberAt(line, 9, width);
    key = linkIbbs(line, bbs, 9 + width, width - 1, bbs, state);
  }
  if (beginsWith(line, kFswTitle) && isDigitAt(line, 9)) key = kFileAreaBase + numberAt(line, 9, width);
  if (beginsWith(line, kIbbsTitle) && isDigitAt(line, 10)) {
    int32_t value = 0;
    for (long pos = 10; pos <= 12 && isDigitAt(line, pos); ++pos) value = value * 10 + digitAt(line, pos);
    key = kIbbsBase + value;
  }
  if (beginsWith(line, kSectionBbs) && isDigitAt(line, 7)) {
    int32_t bbs = numberAt(line, 7, width);
    key = linkIbbs(line, bbs, 7 + width, width - 3, bbs, state);
  }
  if (beginsWith(line, kBbsPrompt)) {
    if (isWideDigitAt(line, 7, kWideOne)) key = wideNumberAt(line, 7, 2);
    key = lookUpBoardMap(key, state);
  }
  if (beginsWith(line, kBfPrompt)) key = 0;
  if (beginsWith(line, kMailPrompt)) key = kMailKey;
  if (beginsWith(line, kIbbsPrompt) && isWideDigitAt(line, 8, kWideOne))
    key = kIbbsBase + wideNumberAt(line, 8, 3);
  if (beginsWith(line, kFswPrompt)) {
    long start = byteAt(line, 7) == ' ' ? 8 : 7;
    if (isWideDigitAt(line, start, kWideOne)) key = kFileAreaBase + wideNumberAt(line, start, 3);
  }
  return key;
}

}  // namespace pelarin
