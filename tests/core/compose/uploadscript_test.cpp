#include "core/compose/uploadscript.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <thread>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/app/settings.h"
#include "core/compose/outbox.h"
#include "core/logimport/logloading.h"
#include "core/text/errors.h"
#include "core/text/filelock.h"
#include "support/tempdir.h"
#include "support/unprivileged.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

Bytes bytesOf(const Lines& record) {
  Bytes out;
  for (const Bytes& line : record) out += line + "\r\n";
  return out;
}

size_t entries(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(ChooseUploadFile, DefaultsAndAssociations) {
  struct Case {
    const char* name;
    Bytes list;
    std::array<BbsEntry, kBbsEntries> table;
    Bytes upload;
  } cases[] = {
      {"defaults", "pelarin", {}, "upload.txt"},
      {"entries 2 and 4 match: the last wins",
       "pelarin",
       {{{"x", "", "One"},
         {"pelarin", "", "NetA"},
         {"other", "", "Z"},
         {"Pelarin", "", "NetB"},
         {"y", "", "W"}}},
       "netb.txt"},
      {"case of List ignored", "MyHost", {{{"myHOST", "", "Up"}}}, "up.txt"},
      {"empty List matches an empty list name", "", {{{"", "", "Blank"}}}, "blank.txt"},
      {"empty List against a named list", "pelarin", {{{"", "", "Blank"}}}, "upload.txt"},
      {"match with empty Upload changes nothing", "pelarin", {{{"pelarin", "t", ""}}}, "upload.txt"},
      {"nor undoes an earlier match", "pelarin", {{{"pelarin", "", "A"}, {"PELARIN", "", ""}}}, "a.txt"},
      // The second byte of "ア" is an A-Z byte and must not be lowered.
      {"double-byte names", sj("ネット"), {{{sj("ネット"), "", sj("アップ") + "X"}}}, sj("アップ") + "x.txt"},
      {"\"ア\" (83 41) is not \"ヂ\" (83 61)", sj("ア"), {{{sj("ヂ"), "", "Q"}}}, "upload.txt"},
  };
  for (const auto& c : cases) {
    AppHost host;
    AppState state;
    SetDefaults(state, host);
    state.UploadFile = "stale.txt";
    state.ListFileName = c.list;
    state.BbsTable = c.table;
    ChooseUploadFile(state);
    EXPECT_EQ(state.UploadFile, c.upload) << c.name;
  }
}

// The state after start-up with a script directory of its own, and an
// overwrite question that answers from a queue and records what it was asked.
class UploadScript : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaults(state, host);
    state.WorkDir = work.text();
    state.TextFileDir = dir.text();
    state.UploadFile = "upload.txt";
    state.UploadRewrite = 1;
  }
  void append(const Lines& record) { AppendUploadRecord(state, record, ask); }
  fs::path script() const { return dir / "upload.txt"; }

  TempDir work;
  TempDir dir;
  AppHost host;
  AppState state;
  std::deque<bool> answers;
  std::vector<Bytes> asked;
  OverwriteQuestion ask = [this](const Bytes& question) {
    asked.push_back(question);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question";
      return false;
    }
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  };

  // `first` byte for byte: CR LF after every line, the last one too.
  Bytes firstBytes() const {
    return "B1\r\nW\r\n" + sj("題名") + "\r\n" + sj("本文") + "\r\n\r\nend\r\n/es\r\nE\r\n";
  }

  const Bytes old = "old record\r\n";
  const Lines first = newMessageRecord("B1", sj("題名"), {sj("本文"), "", "end"});
  const Lines second = responseRecord("B5", "123", "Re", {});
};

TEST_F(UploadScript, YesReplacesTheScriptWithTheRecord) {
  writeFile(script(), old);
  answers = {true};
  append(first);
  // The bare file name, not the path.
  EXPECT_EQ(asked, std::vector<Bytes>{"upload.txt" + sj(" - 前回のメッセージに上書きしますか？")});
  EXPECT_EQ(readFile(script()), firstBytes());
  EXPECT_EQ(state.UploadRewrite, 0);
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST_F(UploadScript, NoAppendsAndLaterRecordsFollowWithoutAQuestion) {
  writeFile(script(), old);
  answers = {false};
  append(first);
  append(second);
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_EQ(readFile(script()), old + firstBytes() + "B5\r\nJ123\r\nW1\r\nRe\r\n/es\r\nE\r\n");
}

TEST_F(UploadScript, NoScriptIsCreatedWithoutAQuestion) {
  for (int32_t flag : {1, 0}) {
    fs::remove(script());
    state.UploadRewrite = flag;
    append(first);
    EXPECT_TRUE(asked.empty()) << flag;
    EXPECT_EQ(readFile(script()), bytesOf(first)) << flag;
    EXPECT_EQ(state.UploadRewrite, 0);
  }
}

TEST_F(UploadScript, StartLogLoadAndLoadBbsFileAskAgain) {
  SaveSettings(state);
  writeFile(work / "empty.log", "nothing here\r\n");
  struct Event {
    const char* name;
    std::function<void()> run;
  } events[] = {
      {"start", [&] { LoadSettings(state.WorkDir, state, host); }},
      {"log load", [&] { loadLogIntoStore(work / "empty.log", state, host); }},
      {"Load BBS File", [&] { state.UploadRewrite = 1; }},
  };
  for (const auto& e : events) {
    writeFile(script(), old);
    state.UploadRewrite = 0;
    append(first);  // a record before the event: no question
    EXPECT_TRUE(asked.empty()) << e.name;
    e.run();
    EXPECT_EQ(state.UploadRewrite, 1) << e.name;
    ChooseUploadFile(state);  // as a composer does when it opens
    answers = {false};
    append(second);
    EXPECT_EQ(asked.size(), 1u) << e.name;
    append(second);
    EXPECT_EQ(asked.size(), 1u) << e.name;
    EXPECT_EQ(readFile(script()), old + bytesOf(first) + bytesOf(second) + bytesOf(second)) << e.name;
    asked.clear();
  }
}

TEST_F(UploadScript, MissingDirectoryCreatesNothing) {
  state.TextFileDir = dir.text() + "missing/";
  for (int32_t flag : {1, 0}) {
    state.UploadRewrite = flag;
    EXPECT_THROW(append(first), FileError) << flag;
    EXPECT_EQ(state.UploadRewrite, flag);
  }
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(entries(dir.path()), 0u);
}

TEST_F(UploadScript, ReadOnlyScriptStaysAsItWas) {
  writeFile(script(), old);
  fs::permissions(script(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const bool ran = testing::runWithoutRoot(dir.path(), [&] {
    answers = {true};
    EXPECT_THROW(append(first), FileError);
    EXPECT_EQ(state.UploadRewrite, 1);  // the Yes stays in force
    state.UploadRewrite = 0;
    EXPECT_THROW(append(first), FileError);
  });
  if (!ran) GTEST_SKIP() << "cannot give up root";
  EXPECT_EQ(readFile(script()), old);
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST_F(UploadScript, ScriptPathThatIsADirectory) {
  fs::create_directory(script());
  for (int32_t flag : {1, 0}) {
    state.UploadRewrite = flag;
    EXPECT_THROW(append(first), FileError) << flag;
    EXPECT_TRUE(fs::is_directory(script()));
    EXPECT_TRUE(fs::is_empty(script()));
    EXPECT_EQ(entries(dir.path()), 1u) << "nothing beside it";
  }
}

TEST_F(UploadScript, AppendingNeverWritesThroughALinkOrIntoADirectory) {
  TempDir outside;
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> plant;
  } cases[] = {
      {"link to a file", [&](const fs::path& p) { fs::create_symlink(outside / "victim", p); }},
      {"dangling link", [&](const fs::path& p) { fs::create_symlink(outside / "made", p); }},
      {"directory", [](const fs::path& p) { fs::create_directory(p); }},
  };
  for (const auto& c : cases) {
    fs::remove_all(script());
    writeFile(outside / "victim", old);
    c.plant(script());
    state.UploadRewrite = 0;
    try {
      append(first);
      ADD_FAILURE() << c.name;
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find("/upload.txt\": "), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(outside / "victim"), old) << c.name;
    EXPECT_FALSE(fs::exists(outside / "made")) << c.name;
    EXPECT_EQ(entries(dir.path()), 1u) << c.name;
  }
}

// A composer's OK in another process, record after record, while this one
// rewrites the script as the Upload Script window does (every block moved):
// each record appended is in the script at the end, once.
TEST_F(UploadScript, RecordsAppendedByAnotherProcessSurviveEveryRewrite) {
  constexpr int kRecords = 100;
  writeFile(script(), bytesOf(first));
  state.UploadRewrite = 0;
  // Every tenth record the child waits (a while at most) for a rewrite to
  // have gone through, so that a busy machine cannot leave none between them.
  int rewritten[2];
  ASSERT_EQ(::pipe(rewritten), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(rewritten[1]);
    int failed = 0;
    try {
      for (int i = 0; i < kRecords; ++i) {
        append(newMessageRecord("B1", "child " + std::to_string(i), {}));
        ::usleep(200);
        if (i % 10 == 9) {
          pollfd wait{rewritten[0], POLLIN, 0};
          char byte;
          if (::poll(&wait, 1, 2000) == 1 && ::read(rewritten[0], &byte, 1) < 0) failed = 1;
        }
      }
    } catch (...) {
      failed = 1;
    }
    ::_exit(failed);
  }
  // Its read end stays open here too, so a write after the child has ended
  // is no SIGPIPE, and a full pipe no wait.
  ::fcntl(rewritten[1], F_SETFL, O_NONBLOCK);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int status = 0, rewrites = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      FAIL() << "the appending process did not end";
    }
    ScriptContent content = readUploadScript(script());
    const Bytes read = scriptBytes(content);
    std::reverse(content.blocks.begin(), content.blocks.end());
    if (rewriteUploadScript(script(), read, content)) {
      ++rewrites;
      [[maybe_unused]] const ssize_t told = ::write(rewritten[1], "r", 1);
    }
  }
  ::close(rewritten[0]);
  ::close(rewritten[1]);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_GT(rewrites, 0);
  std::map<Bytes, int> titles;
  for (const ScriptBlock& b : readUploadScript(script()).blocks) ++titles[b.title];
  for (int i = 0; i < kRecords; ++i) EXPECT_EQ(titles["child " + std::to_string(i)], 1) << i;
  EXPECT_EQ(titles.size(), size_t{kRecords + 1});
}

// Another program appending under flock(1) holds the script until it is done:
// our record waits for it and follows its line, or gives up after the wait.
TEST_F(UploadScript, AppendWaitsForAnotherProgramsLock) {
  writeFile(script(), old);
  const fs::path ready = dir / "ready";
  const std::string command = "flock '" + script().string() + "' sh -c \"touch '" + ready.string() +
                              "'; sleep 1; printf 'other\\r\\n' >> '" + script().string() + "'\" &";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (int i = 0; i < 500 && !fs::exists(ready); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(ready)) << "flock(1) did not run";
  EXPECT_THROW(FileLock held(script(), std::chrono::milliseconds(50)), FileError);
  state.UploadRewrite = 0;
  append(first);
  EXPECT_EQ(readFile(script()), old + "other\r\n" + firstBytes());
}

// Files may grow to `bytes` only, and going beyond gives EFBIG instead of a
// signal; both are restored at the end of the scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  sighandler_t oldHandler_ = SIG_DFL;
};

class FullDisk : public UploadScript {
 protected:
  // Appends under the limit; true when it failed with a FileError.
  bool appendLimited(const Lines& record, rlim_t limit) {
    FileSizeLimit full(limit);
    try {
      append(record);
    } catch (const FileError&) {
      return true;
    }
    return false;
  }
};

TEST_F(FullDisk, AppendLeavesNoHalfRecord) {
  writeFile(script(), old);
  answers = {false};
  EXPECT_TRUE(appendLimited(first, old.size() + 5));  // room for a few bytes of the record only
  EXPECT_EQ(readFile(script()), old);
  EXPECT_EQ(state.UploadRewrite, 0);  // the No stays in force

  append(first);
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_EQ(readFile(script()), old + bytesOf(first));
}

TEST_F(FullDisk, NewScriptIsRemovedAgain) {
  state.UploadRewrite = 0;
  EXPECT_TRUE(appendLimited(first, 5));
  EXPECT_FALSE(fs::exists(script()));
  EXPECT_EQ(entries(dir.path()), 0u);
}

TEST_F(FullDisk, ReplacingKeepsTheOldScript) {
  writeFile(script(), old);
  answers = {true};
  EXPECT_TRUE(appendLimited(first, 5));
  EXPECT_EQ(readFile(script()), old);
  EXPECT_EQ(entries(dir.path()), 1u) << "no temporary file left";
  EXPECT_EQ(state.UploadRewrite, 1);  // the Yes stays in force

  answers = {true};
  append(first);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(readFile(script()), bytesOf(first));
}

}  // namespace
}  // namespace pelarin
