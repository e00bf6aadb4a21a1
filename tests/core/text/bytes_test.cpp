#include "core/text/bytes.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::sj;

// The association names are compared and written in lower case: a second byte
// that happens to be A-Z belongs to its double-byte character.
TEST(AsciiLower, LowersSingleByteLettersOnly) {
  EXPECT_EQ(asciiLower("Host1.BOD"), "host1.bod");
  EXPECT_EQ(asciiLower(sj("アヂNight")), sj("アヂnight"));  // ア is 83 41
  EXPECT_NE(asciiLower(sj("ア")), asciiLower(sj("ヂ")));    // ヂ is 83 61
  EXPECT_EQ(asciiLower(sj("ＡB")), sj("Ａb"));              // fullwidth letters stay
  EXPECT_EQ(asciiLower("\x83"), "\x83");                    // a lone lead byte at the end
}

}  // namespace
}  // namespace pelarin
