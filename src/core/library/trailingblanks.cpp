#include "core/library/trailingblanks.h"

namespace pelarin {

std::string withoutTrailingBlanks(std::string_view text) {
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  for (;;) {
    if (!text.empty() && text.back() == ' ')
      text.remove_suffix(1);
    else if (text.ends_with(kIdeographicSpace))
      text.remove_suffix(kIdeographicSpace.size());
    else
      return std::string(text);
  }
}

}  // namespace pelarin
