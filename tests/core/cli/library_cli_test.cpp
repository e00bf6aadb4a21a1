// pelarin-cli library: the lines it prints, its statuses, the store it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/app/lockfile.h"
#include "core/text/cp932.h"
#include "core/text/paths.h"
#include "support/tempdir.h"

namespace pelarin::testing {
namespace {

struct Output {
  int status = -1;
  std::string out, err;
};

std::string shellQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class LibraryCli : public ::testing::Test {
 protected:
  Output run(const std::vector<std::string>& args) {
    std::string cmd = "cd " + shellQuoted(work_.path().string()) + " && " + shellQuoted(PELARIN_CLI);
    for (const auto& a : args) cmd += " " + shellQuoted(a);
    cmd += " >" + shellQuoted((io_ / "out").string()) + " 2>" + shellQuoted((io_ / "err").string());
    const int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, readFile(io_ / "out"), readFile(io_ / "err")};
  }
  std::string sample() const { return (std::filesystem::path(PELARIN_SAMPLES) / "sample.log").string(); }
  TempDir work_, io_;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  for (size_t pos = 0, end; (end = text.find('\n', pos)) != std::string::npos; pos = end + 1)
    out.push_back(text.substr(pos, end - pos));
  return out;
}

TEST_F(LibraryCli, AddSearchShowThreadAndStats) {
  // The association names the host from the log's file name.
  writeFile(work_ / "bbs.ini", crlf({"pelnet", "", "", "", "", "sample", "", "", "", "", "", "", "", "", ""}));
  Output add = run({"library", "add", sample()});
  ASSERT_EQ(add.status, 0) << add.err;
  const std::vector<std::string> added = lines(add.out);
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0], sample() + "\t7\t0");
  // The same log again: nothing added, every message a copy already held.
  EXPECT_EQ(run({"library", "add", sample()}).out, sample() + "\t0\t7\n");

  Output search = run({"library", "search", "--board", "B3", "週末"});
  ASSERT_EQ(search.status, 0) << search.err;
  const std::vector<std::string> found = lines(search.out);
  ASSERT_FALSE(found.empty());
  // id, host, then board code, number, ID, writer, title, reply.
  const std::string first = found[0];
  EXPECT_NE(first.find("\tpelnet\tB3\t"), std::string::npos) << first;
  const std::string id = first.substr(0, first.find('\t'));

  // show prints what show prints of the same message split into a store.
  Output shown = run({"library", "show", id});
  ASSERT_EQ(shown.status, 0) << shown.err;
  Output open = run({"library", "--host", "pelnet", "open", "--board", "B3", "週末", "--limit", "1"});
  ASSERT_EQ(open.status, 0) << open.err;
  EXPECT_EQ(open.out, "1\n");
  EXPECT_EQ(run({"show", "1"}).out, shown.out);
  EXPECT_FALSE(std::filesystem::exists(work_ / kLockFileName));  // no stale lock left for the program
  {
    // With the program running here, its store is left alone.
    WorkDirLock running(work_ / kLockFileName);
    ASSERT_TRUE(running.owns());
    const std::string before = readFile(work_ / "mes1.tmp");
    Output refused = run({"library", "open", "京都"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Pelarin is already launched"), std::string::npos) << refused.err;
    EXPECT_EQ(readFile(work_ / "mes1.tmp"), before);
    running.release();
  }

  Output thread = run({"library", "thread", id});
  ASSERT_EQ(thread.status, 0) << thread.err;
  EXPECT_TRUE(thread.out.starts_with("0\t")) << thread.out;
  EXPECT_NE(thread.out.find("\t" + first + "\n"), std::string::npos) << thread.out;

  Output stats = run({"library", "stats"});
  ASSERT_EQ(stats.status, 0);
  EXPECT_NE(stats.out.find("pelnet\tB3\t"), std::string::npos);
  EXPECT_NE(stats.out.find("\nlogs\t1\n"), std::string::npos) << stats.out;
}

// A log tried again is the same log; --raw of a held log says how it was
// read; the program's own files are never taken for logs.
TEST_F(LibraryCli, EachLogIsOneLogAndTheProgramsOwnFilesAreNone) {
  const std::string log = readFile(sample());
  writeFile(work_ / "ok.log", log);
  writeFile(work_ / "err.log", log + "#Fc.0x001\r\n");  // stops at a number that is none
  std::string lf = log;
  for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
  writeFile(work_ / "lf.log", lf);

  EXPECT_EQ(run({"library", "add", "err.log", "ok.log"}).status, 1);
  EXPECT_EQ(run({"library", "add", "ok.log", "err.log"}).status, 1);
  EXPECT_NE(run({"library", "stats"}).out.find("\nlogs\t2\n"), std::string::npos);

  ASSERT_EQ(run({"library", "add", "lf.log"}).status, 0);
  Output raw = run({"library", "add", "--raw", "lf.log"});
  EXPECT_EQ(raw.out, "lf.log\t0\t7\n");
  EXPECT_NE(raw.err.find("lf.log: ライブラリに取り込み済みです（形式を判定して読み込み［LF 改行］）。"),
            std::string::npos)
      << raw.err;

  writeFile(work_ / "mes1.tmp", "3\r\n1\r\n");
  Output own = run({"library", "add", "pelarin-library.db", "mes1.tmp", "ok.log"});
  EXPECT_EQ(own.status, 1);
  EXPECT_EQ(own.out, "ok.log\t0\t7\n");
  EXPECT_NE(own.err.find("pelarin-library.db はPelarin自身のファイルのため、ログとして取り込みません。"),
            std::string::npos)
      << own.err;
  EXPECT_NE(own.err.find("mes1.tmp はPelarin自身"), std::string::npos) << own.err;
  EXPECT_NE(run({"library", "stats"}).out.find("\nlogs\t3\n"), std::string::npos);
}

// The three formats from the command line, and nothing written through a link.
TEST_F(LibraryCli, ExportsTextMboxAndHtml) {
  const std::filesystem::path samples = PELARIN_SAMPLES;
  for (const char* log : {"sample.log", "pelnet-0402.log", "pelnet-0403.log"})
    ASSERT_EQ(run({"library", "add", (samples / log).string()}).status, 0);
  ASSERT_EQ(run({"library", "export", "--format", "mbox", "out.mbox"}).status, 0);
  const std::string mbox = readFile(work_ / "out.mbox");
  size_t mails = 0;
  for (size_t pos = 0; (pos = mbox.find("\nFrom ", pos)) != std::string::npos; ++pos) ++mails;
  EXPECT_EQ(mails + (mbox.starts_with("From ") ? 1 : 0), 25u);
  EXPECT_NE(mbox.find("\nIn-Reply-To: "), std::string::npos);

  ASSERT_EQ(run({"library", "export", "--format", "text", "--board", "B3", "out.txt"}).status, 0);
  EXPECT_TRUE(readFile(work_ / "out.txt").starts_with(std::string(72, '=') + "\n"));
  ASSERT_EQ(run({"library", "export", "--format", "html", "web"}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(work_ / "web" / "index.html"));

  writeFile(io_ / "victim", "mine\n");
  std::filesystem::create_symlink(io_ / "victim", work_ / "linked.mbox");
  run({"library", "export", "--format", "mbox", "linked.mbox"});
  EXPECT_EQ(readFile(io_ / "victim"), "mine\n");
}

TEST_F(LibraryCli, UsageErrorsFailuresAndADamagedFile) {
  EXPECT_EQ(run({"library"}).status, 2);
  EXPECT_EQ(run({"library", "frobnicate"}).status, 2);
  EXPECT_EQ(run({"library", "show"}).status, 2);
  EXPECT_EQ(run({"library", "search", "--board", "X9", "a"}).status, 2);
  EXPECT_EQ(run({"library", "export", "--format", "pdf", "out"}).status, 2);
  EXPECT_EQ(run({"library", "add", "--limit", "3", "x.log"}).status, 2);

  Output missing = run({"library", "show", "7"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("7 はライブラリにありません。"), std::string::npos) << missing.err;
  Output noLog = run({"library", "add", "nothing.log"});
  EXPECT_EQ(noLog.status, 1);

  writeFile(work_ / "pelarin-library.db", Bytes(10000, 'z'));
  Output damaged = run({"library", "stats"});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.err.find("壊れている"), std::string::npos) << damaged.err;
  EXPECT_EQ(readFile(work_ / "pelarin-library.db"), Bytes(10000, 'z'));  // refused, not repaired over
}

}  // namespace
}  // namespace pelarin::testing
