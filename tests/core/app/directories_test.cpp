#include "core/app/directories.h"

#include <gtest/gtest.h>

#include "core/text/paths.h"

namespace pelarin {
namespace {

TEST(Directories, SeparatorAppendedOnlyWhereMissing) {
  const Bytes sep(1, kSeparator);
  struct Case {
    Bytes in, out;
  } cases[] = {
      {"", ""},                      // empty stays empty
      {"logs", "logs" + sep},        // appended
      {"logs" + sep, "logs" + sep},  // already there
      {sep, sep},                    // the root alone
      {"a b ", "a b " + sep},        // trailing blank kept, separator after it
  };
  for (const auto& c : cases) EXPECT_EQ(withSeparator(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace pelarin
