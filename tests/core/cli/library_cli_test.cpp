// pelarin-cli library: the lines it prints, its statuses, the store it writes.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/app/lockfile.h"
#include "core/library/library.h"
#include "core/library/sqlite.h"
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
  // As a user at a terminal runs it: stdout and stderr both the pty, its CR LF back to LF.
  std::string onTerminal(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(PELARIN_CLI)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
      if (chdir(work_.path().c_str()) == 0) execv(PELARIN_CLI, argv.data());
      _exit(127);
    }
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
      got.append(buffer, static_cast<size_t>(n));
    close(master);
    waitpid(child, nullptr, 0);
    for (size_t at; (at = got.find("\r\n")) != std::string::npos;) got.erase(at, 1);
    return got;
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
  EXPECT_EQ(add.err, "");  // a new library has no index to rebuild
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

  // The slip of tab completion: the library and its companions are no target, nothing is written.
  const std::string database = readFile(work_ / "pelarin-library.db");
  for (const char* target : {"pelarin-library.db", "pelarin-library.db-journal", "mes1.tmp"}) {
    Output refused = run({"library", "export", "--format", "text", "週末", target});
    EXPECT_EQ(refused.status, 1) << target;
    EXPECT_NE(refused.err.find("'" + std::string(target) + "' は"), std::string::npos) << refused.err;
  }
  EXPECT_EQ(readFile(work_ / "pelarin-library.db"), database);
  EXPECT_FALSE(std::filesystem::exists(work_ / "pelarin-library.db-journal"));
  EXPECT_FALSE(std::filesystem::exists(work_ / "mes1.tmp"));

  writeFile(io_ / "victim", "mine\n");
  std::filesystem::create_symlink(io_ / "victim", work_ / "linked.mbox");
  run({"library", "export", "--format", "mbox", "linked.mbox"});
  EXPECT_EQ(readFile(io_ / "victim"), "mine\n");
}

// Blanks inside an argument part terms as blanks between arguments do; a term
// the library cannot look for is an error naming it, never a match of everything.
TEST_F(LibraryCli, TermsSplitInsideArgumentsAndBadTermsAreRefused) {
  ASSERT_EQ(run({"library", "add", sample()}).status, 0);
  const std::string both = run({"library", "search", "はじめまして", "ようこそ"}).out;
  ASSERT_EQ(lines(both).size(), 1u) << both;
  std::string hiragana256;
  for (int i = 0; i < 256; ++i) hiragana256 += "あ";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  } cases[] = {
      {{"search", "はじめまして ようこそ"}, 0, both, ""},
      {{"search", "はじめまして\u3000ようこそ"}, 0, both, ""},
      {{"search", "--count", " はじめまして  ようこそ "}, 0, "1\n", ""},
      {{"search", "\xE3\x81"}, 1, "", "検索語 '\\xE3\\x81' は UTF-8 の文字列ではありません。"},
      {{"search", "--count", "はじめまして", "ab\xFF"}, 1, "", "'ab\\xFF'"},
      {{"search", "--count", hiragana256}, 0, "0\n", ""},
      {{"search", "--count", hiragana256 + "い"}, 1, "", "（257 文字）。256 文字までにしてください。"},
      {{"export", "--format", "text", "はじめまして ようこそ", "one.txt"}, 0, "", ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"library"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Output o = run(args);
    EXPECT_EQ(o.status, c.status) << c.args[1] << o.err;
    EXPECT_EQ(o.out, c.out) << c.args[1];
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
  }
  const std::vector<std::string> exported = lines(readFile(work_ / "one.txt"));
  const auto ids =
      std::count_if(exported.begin(), exported.end(), [](auto& l) { return l.starts_with("Library ID"); });
  EXPECT_EQ(ids, 1);
  EXPECT_NE(std::find(exported.begin(), exported.end(), "Library ID\t" + both.substr(0, both.find('\t'))),
            exported.end());

  // open takes the same terms; one that matches nothing leaves the store as it was.
  Output open = run({"library", "open", "はじめまして ようこそ"});
  ASSERT_EQ(open.status, 0) << open.err;
  EXPECT_EQ(open.out, "1\n");
  const std::string store = readFile(work_ / "mes1.tmp");
  Output typo = run({"library", "open", "はじめましえ"});
  EXPECT_EQ(typo.status, 1);
  EXPECT_EQ(typo.out, "");
  EXPECT_NE(typo.err.find("一致するメッセージはありません。"), std::string::npos) << typo.err;
  EXPECT_EQ(readFile(work_ / "mes1.tmp"), store);
  EXPECT_FALSE(std::filesystem::exists(work_ / kLockFileName));
  EXPECT_EQ(run({"library", "open", hiragana256 + "い"}).status, 1);
  EXPECT_EQ(readFile(work_ / "mes1.tmp"), store);
  EXPECT_FALSE(std::filesystem::exists(work_ / kLockFileName));
}

// A log's escape sequences reach a terminal as visible text, and a pipe as the bytes they were.
TEST_F(LibraryCli, ControlCharactersAreShownOnATerminalAndKeptThroughAPipe) {
  Bytes title = "\x1b]0;pwned\x07";
  title.resize(32, ' ');
  writeFile(io_ / "esc.log", sj("[ Ｂbs３ ]") + "\r\n" + sj("  ●") + "00001     " + title + " 0001 A" +
                                 Bytes(15, ' ') + "\r\n\r\n\x1b[2J\x80gone\r\n" +
                                 sj("●１●次　●２●前　●３●返信") + "\r\n");
  ASSERT_EQ(run({"library", "add", (io_ / "esc.log").string()}).status, 0);
  const struct {
    std::vector<std::string> args;
    std::string raw, shown;
  } cases[] = {
      {{"library", "show", "1"}, "\x1b[2J\xc2\x80gone\n", "^[[2JM-^@gone\n"},
      {{"library", "search", "pwned"}, "\x1b]0;pwned\x07", "^[]0;pwned^G"},
      {{"library", "thread", "1"}, "\x1b]0;pwned\x07", "^[]0;pwned^G"},
      {{"library", "\x1b]0;x\x07"}, "", "'^[]0;x^G'"},  // stderr, from the command line
  };
  for (const auto& c : cases) {
    const Output piped = run(c.args);
    EXPECT_NE((piped.out + piped.err).find(c.raw), std::string::npos) << c.args[1];
    const std::string shown = onTerminal(c.args);
    EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
    for (const char* control : {"\x1b", "\x07", "\xc2\x80", "\r"})
      EXPECT_EQ(shown.find(control), std::string::npos) << shown;
  }
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

TEST_F(LibraryCli, CheckAndRecover) {
  Output none = run({"library", "check"});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("ライブラリのファイルがありません。"), std::string::npos) << none.err;
  EXPECT_TRUE(std::filesystem::is_empty(work_.path()));  // nothing made
  EXPECT_EQ(run({"library", "check", "x"}).status, 2);
  EXPECT_EQ(run({"library", "recover"}).status, 2);

  ASSERT_EQ(run({"library", "add", sample()}).status, 0);
  EXPECT_EQ(run({"library", "check"}).out, "ok\t7 messages\n");
  Output saved = run({"library", "recover", "saved"});
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(saved.out, "salvaged\t7\nlost\t0\nlogs\t1\n");
  EXPECT_EQ(run({"library", "-C", "saved", "search", "--count"}).out, "7\n");
  Output again = run({"library", "recover", "saved"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("ライブラリがすでにあります"), std::string::npos) << again.err;

  { Database(pelarin::Library::fileIn(work_.path())).exec("UPDATE messages SET source = 5 WHERE id = 2"); }
  Output broken = run({"library", "check"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.out, "message\t2\t元のログ 5 がライブラリにありません\n");
}

// The reader's state from the command line, in the order a script would
// give the commands: what each prints, its status, and that a refused
// command changes nothing.
TEST_F(LibraryCli, ReadMarkMuteAndSavedSearchCommands) {
  ASSERT_EQ(run({"library", "add", "--host", "h", sample()}).status, 0);
  const struct {
    std::vector<std::string> args;  // after "library"
    int status;
    std::string out;  // its start; "" for none
    std::string err;  // a part of it; "" for none
  } steps[] = {
      {{"read", "1", "2"}, 0, "", ""},
      {{"read", "3", "99"}, 1, "", "99 はライブラリにありません。"},
      {{"search", "--count", "is:unread"}, 0, "5\n", ""},  // 3 stayed unread
      {{"unread", "2"}, 0, "", ""},
      {{"mark", "3", "7"}, 0, "", ""},
      {{"unmark", "7"}, 0, "", ""},
      {{"search", "is:marked"}, 0, "3\th\tB3\t103\t", ""},
      {{"mute", "thread", "3"}, 0, "", ""},  // its root is 1
      {{"mute", "writer", "h", "5005"}, 0, "", ""},
      {{"muted"}, 0, "thread\t1\th\tB3\t101\t", ""},
      {{"search", "--count"}, 0, "4\n", ""},
      {{"search", "--count", "--muted"}, 0, "7\n", ""},
      {{"search", "--count", "--muted", "is:unread"}, 0, "4\n", ""},  // muted counts as read
      {{"unmute", "thread", "1"}, 0, "", ""},
      {{"unmute", "thread", "1"}, 1, "", "1 のスレッドはミュートしていません。"},
      {{"unmute", "writer", "h", "1"}, 1, "", "h の ID 1 はミュートしていません。"},
      {{"muted"}, 0, "writer\th\t5005\n", ""},
      {{"saved", "add", "B3の未読", "is:unread", "--board", "B3"}, 0, "", ""},
      {{"saved", "add", "B3の未読", "x"}, 1, "", "保存した検索「B3の未読」はすでにあります。"},
      {{"saved"}, 0, "B3の未読\torder\t\tB3\tis:unread\n", ""},
      {{"search", "--saved", "B3の未読"}, 0, "2\th\tB3\t102\t", ""},
      {{"search", "--saved", "B3の未読", "--count", "--", "-週末"}, 0, "1\n", ""},
      {{"search", "--saved", "B3の未読", "--board", "M", "--count"}, 0, "1\n", ""},
      {{"search", "--saved", "none"}, 1, "", "保存した検索「none」はありません。"},
      {{"saved", "remove", "B3の未読"}, 0, "", ""},
      {{"saved", "remove", "B3の未読"}, 1, "", "保存した検索「B3の未読」はありません。"},
      {{"state", "export", "-"}, 0, "pelarin-reader-state 1\nread\th\t3\t101\t\nmarked\th\t3\t103\t\nwriter\th\t5005\n", ""},
      {{"state", "export", "state.txt"}, 0, "", ""},
      {{"state", "import", "state.txt"}, 0, "3\n", ""},
      {{"state", "import", "none.txt"}, 1, "", "none.txt を開けません。"},
      {{"state", "import"}, 2, "", "export FILE or import FILE"},
      {{"read"}, 2, "", "needs at least one ID"},
      {{"mark", "x"}, 2, "", "ID must be"},
      {{"mute", "thread"}, 2, "", "thread ID or writer HOST ID"},
      {{"mute", "writer", "h"}, 2, "", "thread ID or writer HOST ID"},
      {{"muted", "x"}, 2, "", "no operand"},
      {{"saved", "add"}, 2, "", "list, add NAME"},
      {{"saved", "list", "--board", "B3"}, 2, "", "for library saved add"},
      {{"show", "--saved", "x", "1"}, 2, "", "unknown option"},
  };
  for (const auto& step : steps) {
    std::vector<std::string> args{"library"};
    args.insert(args.end(), step.args.begin(), step.args.end());
    const Output o = run(args);
    const std::string said = args[1] + " " + (args.size() > 2 ? args[2] : "");
    EXPECT_EQ(o.status, step.status) << said << ": " << o.err;
    EXPECT_TRUE(step.out.empty() ? o.out.empty() : o.out.starts_with(step.out)) << said << ": " << o.out;
    EXPECT_TRUE(step.err.empty() ? o.err.empty() : o.err.find(step.err) != std::string::npos) << said << ": " << o.err;
  }
}

}  // namespace
}  // namespace pelarin::testing
