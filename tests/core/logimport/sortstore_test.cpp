#include "core/logimport/sortstore.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <numeric>
#include <random>

#include "core/logimport/messagefile.h"
#include "core/logimport/sortmoves.h"
#include "core/logimport/sortorder.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::crlf;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

struct Key {
  int32_t board;
  int32_t number;
};

// The exchange procedure as written, on keys in memory.
std::vector<int32_t> literalOrder(const std::vector<uint64_t>& keys) {
  std::vector<int32_t> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  for (size_t i = 0; i + 1 < order.size(); ++i)
    for (size_t j = i + 1; j < order.size(); ++j)
      if (keys[order[j]] < keys[order[i]]) std::swap(order[i], order[j]);
  return order;
}

// The exchange procedure as written, on files: reopens both files for every
// comparison and exchanges through the temporary name.
void literalSortFiles(const fs::path& dir, int32_t count) {
  auto key = [&](int32_t n) {
    MessageKeys k = readMessageKeys(messagePath(dir, n));
    return sortKey(StrToInt(k.BoardKey), StrToInt(k.MesNumber));
  };
  for (int32_t i = 1; i < count; ++i)
    for (int32_t j = i + 1; j <= count; ++j)
      if (key(j) < key(i)) {
        fs::rename(messagePath(dir, j), dir / kSortTempName);
        fs::rename(messagePath(dir, i), messagePath(dir, j));
        fs::rename(dir / kSortTempName, messagePath(dir, i));
      }
}

Bytes messageText(Key key, size_t tag) {
  Bytes t = IntToStr(static_cast<int64_t>(tag));
  return crlf(
      {IntToStr(key.board), IntToStr(key.number), sj("題名") + t, "", "456", sj("投稿者"), sj("本文") + t});
}

std::vector<Bytes> writeStore(const fs::path& dir, const std::vector<Key>& keys) {
  std::vector<Bytes> texts;
  for (size_t i = 0; i < keys.size(); ++i) {
    texts.push_back(messageText(keys[i], i));
    writeFile(messagePath(dir, static_cast<int32_t>(i + 1)), texts.back());
  }
  return texts;
}

std::vector<Bytes> readStore(const fs::path& dir, int32_t count) {
  std::vector<Bytes> texts;
  for (int32_t n = 1; n <= count; ++n) texts.push_back(readFile(messagePath(dir, n)));
  return texts;
}

TEST(SortKey, MailCountsAsBfBoard) {
  EXPECT_EQ(sortKey(20000, 0), sortKey(0, 0));
  EXPECT_EQ(sortKey(20000, 7), sortKey(0, 7));
  // Each pair ascending.
  const Key ascending[][2] = {
      {{20000, 0}, {0, 1}},
      {{0, 0}, {0, 1}},
      {{0, 99999}, {1, 0}},
      {{99, 5}, {10001, 1}},
      {{10099, 99999}, {30001, 0}},
      {{0, -1}, {0, 0}},
      {{-1, 5}, {0, 0}},
      {{19999, 3}, {20001, 0}},
      {{0, 2147483646}, {0, 2147483647}},
  };
  for (const auto& pair : ascending) {
    EXPECT_LT(sortKey(pair[0].board, pair[0].number), sortKey(pair[1].board, pair[1].number))
        << pair[0].board << "," << pair[0].number << " < " << pair[1].board << "," << pair[1].number;
  }
}

TEST(ExchangeOrder, MatchesLiteralProcedureOnRandomKeys) {
  std::mt19937 random(20240607);
  for (int trial = 0; trial < 3000; ++trial) {
    size_t n = random() % 40;
    uint64_t range = trial % 3 == 0 ? 2 : trial % 3 == 1 ? 6 : 1000;  // many equal keys
    std::vector<uint64_t> keys(n);
    for (auto& k : keys) k = random() % range;
    ASSERT_EQ(exchangeOrder(keys), literalOrder(keys)) << ::testing::PrintToString(keys);
  }
}

TEST(ExchangeOrder, MatchesLiteralProcedureOnLargerGroups) {
  std::mt19937 random(31);
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<uint64_t> keys(100 + random() % 200);
    uint64_t range = 2 + random() % 30;
    for (auto& k : keys) k = random() % range;
    ASSERT_EQ(exchangeOrder(keys), literalOrder(keys)) << "trial " << trial;
  }
}

TEST(ExchangeOrder, MatchesLiteralProcedureOnLongRuns) {
  const size_t n = 3000;
  std::mt19937 random(7);
  std::vector<std::pair<const char*, std::vector<uint64_t>>> cases;
  std::vector<uint64_t> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = n - i;
  cases.push_back({"descending", keys});
  for (size_t i = 0; i < n; ++i) keys[i] = (n - i) / 50;
  cases.push_back({"descending with runs of equal keys", keys});
  for (size_t i = 0; i < n; ++i) keys[i] = (30 - i / 100) * 1000 + i % 100;
  cases.push_back({"ascending blocks in descending order", keys});
  for (size_t i = 0; i < n; ++i) keys[i] = i % 7 == 0 ? 0 : random() % 50 + 1;
  cases.push_back({"many smallest keys spread out", keys});
  for (size_t i = 0; i < n; ++i) keys[i] = i < n / 2 ? random() % 100 : n - i;
  cases.push_back({"random, then descending", keys});
  for (size_t i = 0; i < n; ++i) keys[i] = 5;
  cases.push_back({"all equal", keys});
  for (size_t i = 0; i < n; ++i) keys[i] = random() % 8;
  cases.push_back({"random, few distinct keys", keys});
  for (size_t i = 0; i < n; ++i) keys[i] = random();
  cases.push_back({"random", keys});
  for (const auto& [name, k] : cases) EXPECT_EQ(exchangeOrder(k), literalOrder(k)) << name;
}

TEST(SortStore, StoresOfZeroOrOneFileAreUntouched) {
  TempDir dir;
  // Not even read: a bad key line does not matter.
  writeFile(messagePath(dir.path(), 1), crlf({"x", "y"}));
  writeFile(dir / kSortTempName, "stale");
  SortStore(dir.path(), 0);
  SortStore(dir.path(), 1);
  EXPECT_EQ(readFile(messagePath(dir.path(), 1)), crlf({"x", "y"}));
  EXPECT_EQ(readFile(dir / kSortTempName), "stale");
}

TEST(SortStore, LeavesSortedStoreAndFilesAboveCountAlone) {
  TempDir dir;
  auto texts = writeStore(dir.path(), {{0, 1}, {0, 2}, {0, 0}});
  writeFile(dir / kSortTempName, "stale");
  SortStore(dir.path(), 2);
  EXPECT_EQ(readStore(dir.path(), 3), texts);
  EXPECT_EQ(readFile(dir / kSortTempName), "stale");
}

TEST(SortStore, WorkedExamples) {
  struct Case {
    const char* name;
    std::vector<Key> keys;
    std::vector<size_t> result;  // which original message each name holds
  } cases[] = {
      {"mail before every numbered BF message", {{0, 5}, {20000, 0}, {1, 3}, {20000, 0}}, {1, 3, 0, 2}},
      {"equal keys change places through a third", {{1, 1}, {1, 1}, {0, 0}}, {2, 1, 0}},
      {"bands in order", {{30001, 1}, {10002, 4}, {99, 9}, {20000, 0}, {0, 3}}, {3, 4, 2, 1, 0}},
      {"already sorted", {{0, 0}, {0, 1}, {2, 1}, {10001, 1}}, {0, 1, 2, 3}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    auto texts = writeStore(dir.path(), c.keys);
    SortStore(dir.path(), static_cast<int32_t>(c.keys.size()));
    std::vector<Bytes> expected;
    for (size_t from : c.result) expected.push_back(texts[from]);
    EXPECT_EQ(readStore(dir.path(), static_cast<int32_t>(c.keys.size())), expected) << c.name;
    EXPECT_FALSE(fs::exists(dir / kSortTempName)) << c.name;
  }
}

TEST(SortStore, MatchesLiteralProcedureOnRealStores) {
  const Key pool[] = {{20000, 0}, {20000, 0}, {0, 0},     {0, 1},     {0, 2}, {1, 1},
                      {1, 2},     {10001, 1}, {30001, 0}, {20000, 3}, {0, 3}};
  std::mt19937 random(99);
  for (int trial = 0; trial < 150; ++trial) {
    int32_t n = static_cast<int32_t>(2 + random() % 11);
    std::vector<Key> keys(static_cast<size_t>(n));
    // Half the trials draw from few keys, so equal keys abound.
    size_t spread = trial % 2 ? std::size(pool) : 3;
    for (auto& k : keys) k = pool[random() % spread];
    TempDir literal, fast;
    writeStore(literal.path(), keys);
    writeStore(fast.path(), keys);
    literalSortFiles(literal.path(), n);
    SortStore(fast.path(), n);
    ASSERT_EQ(readStore(fast.path(), n), readStore(literal.path(), n)) << "trial " << trial;
    ASSERT_FALSE(fs::exists(fast / kSortTempName));
  }
}

TEST(SortStore, BadKeyLineStopsBeforeAnythingMoves) {
  struct Case {
    Bytes board, number;
    Bytes named;  // the text the error names
  } cases[] = {
      {"B1", "3", "B1"}, {"1", "12a", "12a"}, {"1", "", ""}, {"1", "3 ", "3 "}, {"", "3", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    auto texts = writeStore(dir.path(), {{5, 1}, {3, 1}, {1, 1}, {0, 1}});
    texts[2] = crlf({c.board, c.number, "t", "", "0", "n", "body"});
    writeFile(messagePath(dir.path(), 3), texts[2]);
    try {
      SortStore(dir.path(), 4);
      ADD_FAILURE() << "no error for " << c.board << "/" << c.number;
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.text(), c.named);
    }
    EXPECT_EQ(readStore(dir.path(), 4), texts);
  }
}

TEST(SortStore, MissingFileStopsBeforeAnythingMoves) {
  TempDir dir;
  auto texts = writeStore(dir.path(), {{5, 1}, {3, 1}, {1, 1}});
  EXPECT_THROW(SortStore(dir.path(), 4), FileError);
  EXPECT_EQ(readStore(dir.path(), 3), texts);
}

TEST(SortStore, StaleTemporaryFileIsKeptAside) {
  TempDir dir;
  auto texts = writeStore(dir.path(), {{3, 1}, {0, 2}, {1, 1}});
  writeFile(dir / kSortTempName, "stale message");
  writeFile(dir / "mestemp.tmp.1", "older stale message");
  SortStore(dir.path(), 3);
  EXPECT_EQ(readStore(dir.path(), 3), (std::vector<Bytes>{texts[1], texts[2], texts[0]}));
  EXPECT_FALSE(fs::exists(dir / kSortTempName));
  EXPECT_EQ(readFile(dir / "mestemp.tmp.1"), "older stale message");
  EXPECT_EQ(readFile(dir / "mestemp.tmp.2"), "stale message");
}

TEST(MoveToOrder, FailingRenameUndoesItsCycleOnly) {
  // Two cycles: messages 1,2 swap (3 renames), then 3,4,5 rotate (4 renames).
  const std::vector<int32_t> order = {1, 0, 3, 4, 2};
  const int totalRenames = 7;
  for (int failing = 1; failing <= totalRenames; ++failing) {
    TempDir dir;
    auto texts = writeStore(dir.path(), {{1, 0}, {0, 0}, {4, 0}, {2, 0}, {3, 0}});
    int calls = 0;
    RenameFile rename = [&](const fs::path& from, const fs::path& to) {
      return ++calls == failing ? EIO : renameNoReplace(from, to);
    };
    EXPECT_THROW(moveToOrder(dir.path(), order, rename), FileError) << "failing rename " << failing;
    auto expected = texts;
    if (failing > 3) std::swap(expected[0], expected[1]);
    EXPECT_EQ(readStore(dir.path(), 5), expected) << "failing rename " << failing;
    EXPECT_FALSE(fs::exists(dir / kSortTempName)) << "failing rename " << failing;
  }
}

TEST(MoveToOrder, CountsRenames) {
  TempDir dir;
  writeStore(dir.path(), {{1, 0}, {0, 0}, {4, 0}, {2, 0}, {3, 0}, {9, 9}});
  EXPECT_EQ(moveToOrder(dir.path(), {1, 0, 3, 4, 2, 5}), 7);
}

TEST(RenameNoReplace, NeverReplacesAFile) {
  TempDir dir;
  writeFile(dir / "a", "A");
  writeFile(dir / "b", "B");
  EXPECT_EQ(renameNoReplace(dir / "a", dir / "b"), EEXIST);
  EXPECT_EQ(readFile(dir / "a"), "A");
  EXPECT_EQ(readFile(dir / "b"), "B");
  EXPECT_EQ(renameNoReplace(dir / "a", dir / "c"), 0);
  EXPECT_EQ(readFile(dir / "c"), "A");
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_EQ(renameNoReplace(dir / "a", dir / "d"), ENOENT);
}

}  // namespace
}  // namespace pelarin
