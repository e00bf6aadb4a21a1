// The list builders and the association file read only regular files: a
// FIFO, a device or a directory in their place is refused at once.
#include <gtest/gtest.h>

#include <functional>

#include "core/lists/bbsini.h"
#include "core/lists/listbuilders.h"
#include "support/specialfiles.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

TEST(ListInputs, OnlyARegularFileIsRead) {
  using Read = std::function<void(const std::filesystem::path& in, const std::filesystem::path& dir)>;
  const struct {
    const char* reader;
    Read read;
  } readers[] = {
      {"board list", [](auto& in, auto& dir) { MakeBoardList(in, dir / "host.bod"); }},
      {"name list", [](auto& in, auto& dir) { MakeNameList(in, dir / "host.nam"); }},
      {"bbs.ini", [](auto& in, auto&) { readBbsIni(in); }},
  };
  for (const auto& r : readers) {
    for (testing::Special kind : testing::kSpecials) {
      testing::TempDir dir;
      const auto input = dir / "input";
      testing::plantSpecial(kind, input);
      const std::string error = testing::errorOfRead([&] { r.read(input, dir.path()); }, input);
      EXPECT_NE(error.find(input.string()), std::string::npos)
          << r.reader << ", " << testing::specialName(kind) << ": " << error;
      EXPECT_FALSE(std::filesystem::exists(dir / "host.bod"));
      EXPECT_FALSE(std::filesystem::exists(dir / "host.nam"));
    }
  }
}

}  // namespace
}  // namespace pelarin
