// The board key: which board the captured connection is in, tracked from the
// host's title lines and prompts. 0 the BF board, 1-99 BBS, 10000+n IBBS,
// 20000 mail, 30000+n file area.
#pragma once

#include <cstdint>

#include "core/text/bytes.h"

namespace pelarin {

struct AppState;

inline constexpr int32_t kMailKey = 20000;
inline constexpr int32_t kIbbsBase = 10000;
inline constexpr int32_t kFileAreaBase = 30000;

// 0-9 for the fullwidth digits, 0 for the fullwidth F.
int32_t FullWidthDigitValue(unsigned char lead, unsigned char trail);

// 10000 plus the up to three digits at 15+shift..17+shift; 10000 without a digit.
int32_t IbbsNumberAfter(ByteView line, int shift);

// The key after this line; may append a pair to state.BoardMap.
int32_t NextBoardKey(ByteView line, int32_t key, AppState& state);

}  // namespace pelarin
