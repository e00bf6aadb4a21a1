// A replacing load writes over the previous store: the files it leaves are
// those a load into an emptied store leaves, and the key-line index follows
// every load, append and sort.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <optional>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/logimport/logloading.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/splitlog.h"
#include "core/logimport/storeindex.h"
#include "core/text/errors.h"
#include "support/tempdir.h"
#include "support/unprivileged.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::filesIn;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

const fs::path kSamples = PELARIN_SAMPLES;

// count counted messages, board and body length varying, then noise that
// stops the load when `stop` is set.
Bytes countedLog(int count, bool stop = false, int seed = 0) {
  Bytes log;
  for (int i = 0; i < count; ++i) {
    char num[8];
    std::snprintf(num, sizeof num, "%05d", (i * 37 + seed) % 500);
    const int lines = 1 + (i + seed) % 4;
    log += sj("● [ BBS") + std::to_string(1 + (i * 7 + seed) % 9) + " x\r\n";
    log += "#Fc." + Bytes(num) + Bytes(5, ' ') + Bytes(32, static_cast<char>('A' + i % 26)) + "    1 " +
           Bytes(16, 'N') + Bytes(6, ' ') + "   " + std::to_string(lines) + "\r\n-\r\n";
    for (int l = 0; l < lines; ++l) log += "body " + std::to_string(i) + Bytes(10 * l, '.') + "\r\n";
  }
  if (stop) log += "#Fc.00~31\r\nmore\r\n";
  return log;
}

struct Store {
  TempDir dir;
  AppState state;
  AppHost host;
  Store(int sort = 1) {
    SetDefaults(state, host);
    state.WorkDir = dir.text();
    state.SortMes = sort;
  }
  // false when the load stopped part-way.
  bool load(const fs::path& log, int append = 0) {
    state.AppendMode = append;
    try {
      loadLogIntoStore(log, state, host);
      return true;
    } catch (const SplitStoppedError&) {
      return false;
    }
  }
};

class StoreReplace : public ::testing::Test {
 protected:
  fs::path log(const std::string& name, const Bytes& bytes) {
    writeFile(logs / name, bytes);
    return logs / name;
  }
  TempDir logs;
};

TEST_F(StoreReplace, GivesTheFilesOfALoadIntoAnEmptiedStore) {
  const fs::path six = log("six.log", countedLog(6)), two = log("two.log", countedLog(2, false, 3));
  const fs::path many = log("many.log", countedLog(40, false, 5));
  const fs::path stops = log("stops.log", countedLog(3, true, 1));
  const fs::path sample = kSamples / "sample.log", other = kSamples / "pelnet-0402.log";
  struct Case {
    const char* name;
    fs::path first, second;
    int sort;
  } cases[] = {
      {"a shorter second log", six, two, 1},        {"a longer second log", two, many, 1},
      {"the same log", sample, sample, 1},          {"sorted, shorter", other, sample, 0},
      {"sorted, longer", sample, other, 0},         {"stopped part-way", many, stops, 1},
      {"stopped part-way, sorted", many, stops, 0},
  };
  for (const auto& c : cases) {
    Store replaced(c.sort), fresh(c.sort);
    replaced.load(c.first);
    ASSERT_GT(replaced.state.MesCount, 0) << c.name;
    // Held open, the old message 1 shows whether it was written over or deleted.
    const int old = ::open((replaced.dir / "mes1.tmp").c_str(), O_RDONLY);
    ASSERT_GE(old, 0);
    const bool completed = replaced.load(c.second);
    EXPECT_EQ(fresh.load(c.second), completed) << c.name;

    EXPECT_EQ(replaced.state.MesCount, fresh.state.MesCount) << c.name;
    EXPECT_EQ(filesIn(replaced.dir.path()), filesIn(fresh.dir.path())) << c.name;
    struct stat st {};
    ASSERT_EQ(::fstat(old, &st), 0);
    EXPECT_EQ(st.st_nlink, 1u) << c.name << ": message 1 was deleted, not written over";
    ::close(old);
  }
}

// What clearing first would have deleted is still deleted where writing over
// would touch something else: nothing outside the store changes.
TEST_F(StoreReplace, NamesThatCannotBeWrittenOverAreReplaced) {
  const fs::path six = log("six.log", countedLog(6));
  Store fresh;
  fresh.load(six);
  TempDir outside;
  struct Case {
    const char* name;
    std::function<void(const fs::path& message, const fs::path& outside)> plant;
  } cases[] = {
      {"a link to a file outside", [](const fs::path& m, const fs::path& o) { fs::create_symlink(o, m); }},
      {"a second name of a file outside",
       [](const fs::path& m, const fs::path& o) { fs::create_hard_link(o, m); }},
      {"an empty directory", [](const fs::path& m, const fs::path&) { fs::create_directory(m); }},
      {"a FIFO", [](const fs::path& m, const fs::path&) { ASSERT_EQ(::mkfifo(m.c_str(), 0600), 0); }},
  };
  for (const auto& c : cases) {
    Store store;
    store.load(six);
    const fs::path victim = outside / "victim.txt";
    writeFile(victim, "not a message\r\n");
    fs::remove(store.dir / "mes3.tmp");
    c.plant(store.dir / "mes3.tmp", victim);
    EXPECT_TRUE(store.load(six)) << c.name;
    EXPECT_EQ(readFile(victim), "not a message\r\n") << c.name;
    EXPECT_EQ(filesIn(store.dir.path()), filesIn(fresh.dir.path())) << c.name;
  }
}

TEST_F(StoreReplace, AFileThisUserMayNotWriteIsReplaced) {
  const fs::path six = log("six.log", countedLog(6)), two = log("two.log", countedLog(2, false, 3));
  Store fresh;
  fresh.load(two);
  Store store;
  store.load(six);
  // The log too must be readable for the user the load runs as.
  fs::copy_file(two, store.dir / "two.log");
  fs::copy_file(two, fresh.dir / "two.log");
  const auto expected = filesIn(fresh.dir.path());
  ::chmod((store.dir / "mes2.tmp").c_str(), 0444);
  const bool ran = testing::runWithoutRoot(store.dir.path(), [&] {
    EXPECT_TRUE(store.load(store.dir / "two.log"));
    EXPECT_EQ(filesIn(store.dir.path()), expected);
  });
  if (!ran) GTEST_SKIP() << "root cannot be given up here";
}

void expectIndexMatchesFiles(const AppState& s, const std::string& step) {
  ASSERT_TRUE(s.Index.covers(s.MesCount)) << step << ": knows " << s.Index.size() << " of " << s.MesCount;
  const fs::path dir = s.WorkDir;
  for (int32_t n = 1; n <= s.MesCount; ++n) {
    const MessageKeys file = readMessageKeys(messagePath(dir, n)), held = s.Index.keys(n);
    EXPECT_EQ((std::array{held.BoardKey, held.MesNumber, held.Title, held.ResNumber, held.WriterId,
                          held.WriterName}),
              (std::array{file.BoardKey, file.MesNumber, file.Title, file.ResNumber, file.WriterId,
                          file.WriterName}))
        << step << ", message " << n;
  }
}

TEST_F(StoreReplace, TheIndexFollowsLoadsAppendsAndSorts) {
  const fs::path sample = kSamples / "sample.log", other = kSamples / "pelnet-0402.log";
  const fs::path third = kSamples / "pelnet-0403.log";
  const fs::path stops = log("stops.log", countedLog(3, true, 1));
  struct Step {
    const char* name;
    fs::path log;
    int append, sort;
  } steps[] = {
      {"load", other, 0, 1},           {"append", sample, 1, 1},
      {"sorted append", third, 1, 0},  {"sorted load", sample, 0, 0},
      {"stopped append", stops, 1, 0}, {"shorter load", third, 0, 1},
      {"stopped load", stops, 0, 1},   {"append after a stop", other, 1, 0},
  };
  Store store;
  for (const auto& step : steps) {
    store.state.SortMes = step.sort;
    store.load(step.log, step.append);
    ASSERT_GT(store.state.MesCount, 0) << step.name;
    expectIndexMatchesFiles(store.state, step.name);
  }
}

TEST(StoreIndex, KnowsOnlyAnUnbrokenRunFromMessageOne) {
  const auto keys = [](const char* title) { return messageKeys(1, 2, title, "", 3, "w"); };
  StoreIndex index;
  index.put(1, keys("a"));
  index.put(3, keys("c"));  // message 2 unknown: not placed
  EXPECT_TRUE(index.covers(1));
  index.put(2, keys("b"));
  index.put(1, keys("A"));  // written over
  EXPECT_TRUE(index.covers(2));
  EXPECT_EQ(index.keys(1).Title, "A");
  index.reorder({1, 0});
  EXPECT_EQ(index.keys(1).Title, "b");
  EXPECT_EQ(index.keys(2).Title, "A");
  index.reorder({0});  // not a permutation of what it knows
  EXPECT_TRUE(index.covers(0));
}

}  // namespace
}  // namespace pelarin
