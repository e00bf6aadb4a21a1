#include "core/lists/association.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::sj;

BbsTableType table(std::initializer_list<BbsEntry> entries) {
  BbsTableType t{};
  size_t i = 0;
  for (const BbsEntry& e : entries) t[i++] = e;
  return t;
}

struct Case {
  AssociationRule rule;
  Bytes name;
  std::optional<size_t> entry;
};

void expectMatches(const BbsTableType& t, std::initializer_list<Case> cases) {
  for (const Case& c : cases)
    EXPECT_EQ(matchAssociation(t, c.rule, c.name), c.entry)
        << "rule " << static_cast<int>(c.rule) << ", name '" << c.name << "'";
}

constexpr auto kTarget = AssociationRule::TargetInName;
constexpr auto kListIn = AssociationRule::ListInName;
constexpr auto kListIs = AssociationRule::ListEqualsName;

TEST(MatchAssociation, PiecesOfTextInANameIgnoringTheCaseOfLetters) {
  const BbsTableType t = table({{"Host1", "abc", "Night"}, {"", "", "Empty"}, {"host", "ABC", ""}});
  expectMatches(t, {
                       {kTarget, "xABCx.log", 2},  // entries 1 and 3: the later decides
                       {kTarget, "ab.log", std::nullopt},
                       {kTarget, "", std::nullopt},  // an empty Target matches nothing, not even ""
                       {kListIn, "HOST1.bod", 2},    // "host" occurs in it too
                       {kListIn, "Host1.bod", 2},
                       {kListIn, "other.bod", std::nullopt},
                       {kListIn, "", std::nullopt},
                   });
  // Only whole double-byte characters: the second byte of "ア" is 0x41, an "A", not an "a".
  expectMatches(table({{"", sj("ア"), ""}, {"a", "a", "a"}}), {
                                                                  {kTarget, sj("ア.log"), 0},
                                                                  {kTarget, sj("イア"), 0},
                                                                  {kTarget, sj("ｱA.log"), 1},
                                                                  {kListIn, sj("ア.bod"), std::nullopt},
                                                                  {kListIs, sj("ア"), std::nullopt},
                                                              });
}

TEST(MatchAssociation, TheListInUseEqualsAListThatNamesAnUpload) {
  const BbsTableType t =
      table({{"Host1", "", "First"}, {"host1", "", ""}, {"", "", "Empty"}, {"HOST1x", "", "X"}});
  expectMatches(t, {
                       {kListIs, "host1", 0},  // entry 2 has no Upload, so entry 1 decides
                       {kListIs, "HOST1", 0},
                       {kListIs, "host", std::nullopt},  // equal, not contained
                       {kListIs, "", 2},                 // an empty List equals an empty list in use
                       {kListIs, "host1x", 3},
                   });
  EXPECT_EQ(matchAssociation(table({{"host1", "", ""}}), kListIs, "host1"), std::nullopt);
}

TEST(LogAssociation, TheFileNameAsLoadingTakesIt) {
  const BbsTableType t = table({{"one", "nifty", "Up"}, {"two", sj("日本"), ""}});
  EXPECT_EQ(logAssociation(t, "/logs/Nifty_1.LOG"), 0u);
  EXPECT_EQ(logListName(t, "/logs/Nifty_1.LOG"), "one");
  EXPECT_EQ(logListName(t, "/nifty/plain.log"), "");  // the directory is not the log's name
  EXPECT_EQ(logListName(t, "/logs/x日本x.log"), "two");
  // A name with no code page 932 form belongs to no host, even with a Target in it.
  EXPECT_EQ(logAssociation(t, "/logs/nifty\u00e9\U0001F600.log"), std::nullopt);

  EXPECT_EQ(storedUploadFile(t[0], "upload.txt"), "Up.txt");
  EXPECT_EQ(storedUploadFile(t[1], "upload.txt"), "upload.txt");
  EXPECT_EQ(lowerUploadFile(t[0]), "up.txt");
}

}  // namespace
}  // namespace pelarin
