// What the reader had open at its end, kept in the library for the next
// start: the store's messages (by id, or by host, board and number where the
// library did not hold them yet) and the one shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelarin {

class Library;
class ReaderWalk;

inline constexpr char kReaderPlace[] = "reader-place";
inline constexpr char kReopenAtStart[] = "reopen-at-start";

struct ReaderPlace {
  struct Message {
    int64_t id = 0;  // 0: by host, board and number
    int32_t boardKey = 0;
    int32_t number = 0;
  };
  std::string host;  // of the messages without an id
  std::string what;  // how the reader named them
  size_t shown = 0;  // index into messages
  std::vector<Message> messages;
};

// An empty place forgets what was kept.
void rememberPlace(Library& library, const ReaderPlace& place);
std::optional<ReaderPlace> rememberedPlace(Library& library);

// The ids the library holds of the place's messages, in order; shown becomes
// the index of the shown one, or of the nearest before it that is held.
std::vector<int64_t> placeIds(ReaderWalk& walk, const ReaderPlace& place, size_t* shown);

bool reopensAtStart(Library& library);

}  // namespace pelarin
