#include "core/text/visiblecontrols.h"

#include <gtest/gtest.h>

namespace pelarin {
namespace {

TEST(VisibleControls, EveryControlButTabAndLineFeedIsShownNotObeyed) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"日本語\ttext\n", "日本語\ttext\n"},
      {"\x1b]52;c;cHduZWQ=\x07", "^[]52;c;cHduZWQ=^G"},  // OSC: the clipboard
      {"title\x1b[2J\r\n", "title^[[2J^M\n"},            // CSI, CR
      {std::string("a\0b\x7f", 4), "a^@b^?"},            // NUL, DEL
      {"\xc2\x9b"
       "31m\xc2\x80\xc2\x9f\xc2\xa0",
       "M-^[31mM-^@M-^_\xc2\xa0"},  // C1 as characters
      {"\x9b"
       "1m\xe3\x81",
       "M-^[1mM-cM-^A"},  // bytes no character holds
      {"\x1f\x20", "^_ "},
  };
  for (const auto& c : cases) EXPECT_EQ(visibleControls(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace pelarin
