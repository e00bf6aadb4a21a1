#include "core/logimport/storeleftovers.h"

#include <gtest/gtest.h>

#include <set>

#include "support/tempdir.h"

namespace pelarin {
namespace {

TEST(StoreLeftovers, ExactlyTheStoreNames) {
  struct Case {
    const char* name;
    bool store;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"mes1.tmp", true},           {"mes42.tmp", true},      {"mes1000000.tmp", true},
           {"mestemp.tmp", true},        {"mestemp.tmp.1", true},  {"mestemp.tmp.999", true},
           {"mes0.tmp", false},          {"mes01.tmp", false},     {"mes.tmp", false},
           {"mes1.tmp.bak", false},      {"mes1.txt", false},      {"Mes1.tmp", false},
           {"mes1a.tmp", false},         {"mes-1.tmp", false},     {"xmes1.tmp", false},
           {"mestemp.tmp.", false},      {"mestemp.tmp.x", false}, {"mestemp.tmp1", false},
           {"mestemp.txt", false},       {"upload.tmp", false},    {"pelarin.ini", false},
           {"mestemp.tmp.1.new", false},
       })
    EXPECT_EQ(isStoreFileName(c.name), c.store) << c.name;
}

TEST(StoreLeftovers, RemovesThemAndLeavesEverythingElse) {
  testing::TempDir dir;
  for (const char* name :
       {"mes1.tmp", "mes2.tmp", "mes1500.tmp", "mestemp.tmp", "mestemp.tmp.1", "mestemp.tmp.1000",
        "mes01.tmp", "upload.tmp", "upload.txt", "sig.txt", "pelarin.ini", "mes1.tmp.txt",
        // unfinished whole-file writes, and names that only look like them
        ".pelarin.ini.0123456789ab", ".upload.txt.ffffffffffff", ".a.00000000000", ".b.0123456789AB",
        "pelarin.ini.0123456789ab", "..0123456789ab"})
    testing::writeFile(dir / name, "x");
  std::filesystem::create_directory(dir / "mes3.tmp");  // not ours to remove
  std::filesystem::create_directory(dir / "sub");
  testing::writeFile(dir / "sub" / "mes1.tmp", "x");
  EXPECT_EQ(removeStoreLeftovers(dir.path()), 8);
  std::set<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) left.insert(e.path().filename());
  EXPECT_EQ(left, (std::set<std::string>{"..0123456789ab", ".a.00000000000", ".b.0123456789AB",
                                         "pelarin.ini.0123456789ab", "mes01.tmp", "mes1.tmp.txt", "mes3.tmp",
                                         "pelarin.ini", "sig.txt", "sub", "upload.tmp", "upload.txt"}));
  EXPECT_TRUE(std::filesystem::exists(dir / "sub" / "mes1.tmp"));
  EXPECT_EQ(removeStoreLeftovers(dir / "missing"), 0);
}

}  // namespace
}  // namespace pelarin
