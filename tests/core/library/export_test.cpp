#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "core/library/exportfile.h"
#include "core/library/exporthtml.h"
#include "core/library/exportmbox.h"
#include "core/library/exporttext.h"
#include "core/library/mimeencoding.h"
#include "core/text/errors.h"
#include "core/text/progress.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

ExportMessage message(int64_t id, int32_t number, int32_t replyTo, std::string title, std::string body) {
  ExportMessage m;
  m.id = id;
  m.host = "テスト局";
  m.boardKey = 101;
  m.boardCode = "B1";
  m.boardName = "雑談";
  m.number = number;
  m.replyTo = replyTo;
  m.writerId = 1000 + static_cast<int32_t>(id);
  m.writerName = "山田　太郎　　";
  m.title = std::move(title);
  m.body = std::move(body);
  m.logTime = 765432100;  // 1994-04-04
  return m;
}

// Root, answer, answer to the answer, a mail, an answer whose parent the
// library lacks, and a second host whose names are hostile to paths and HTML.
std::vector<ExportMessage> threads() {
  std::vector<ExportMessage> v;
  v.push_back(message(1, 1, 0, "春の集まりのお知らせ",
                      "こんにちは\nFrom me\n>From you\n<script>alert(1)</script>\n\n末尾の空白  \n"));
  v.push_back(message(2, 2, 1, "Re: 春の集まり", "行きます\nFrom the station, ten minutes on foot.\n"));
  v.back().ancestors = {1};
  v.back().ancestorNumbers = {1};
  v.push_back(message(3, 3, 2, "Re^2: 春の集まり",
                      std::string(1500, 'x') + "\n" + std::string(700, 'y') + "ＡＢ漢字\n"));
  v.back().ancestors = {1, 2};
  v.back().ancestorNumbers = {1, 2};
  v.push_back(message(4, 0, 0, "ご案内", "メールです\n"));
  v.back().boardKey = 0;
  v.back().boardCode = "M";
  v.back().boardName = "";
  v.push_back(message(5, 7, 5, "親のない返信", "元はありません\n"));
  v.push_back(message(6, 1, 0,
                      "とても長い題名が続きます。とても長い題名が続きます。とても長い題名が続きます。終わり",
                      "本文\n"));
  v.back().host = "../../etc/passwd";
  v.back().boardKey = 5;
  v.back().boardCode = "B5";
  v.back().boardName = "<b>名前</b>";
  v.back().writerName = "He said \"hi\"";
  v.push_back(message(7, 2, 0, "Plain ASCII subject", ""));
  v.back().host = "/abs\"olute";
  return v;
}

std::string jsonString(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string trimmed(std::string s) {
  while (s.size() >= 3 && s.substr(s.size() - 3) == "　") s.resize(s.size() - 3);
  return s;
}

// The script's output and exit status.
std::pair<std::string, int> python(const std::string& script, const std::string& args) {
  const std::string dir = PELARIN_TESTS "/core/library";
  const std::string command = "/usr/bin/python3 '" + dir + "/" + script + "' " + args + " 2>&1";
  std::FILE* p = ::popen(command.c_str(), "r");
  if (!p) return {"cannot run python3", -1};
  std::string out;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  return {out, ::pclose(p)};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) v.push_back(line);
  return v;
}

TEST(ExportMbox, PythonsMailboxReadsEveryMailBackWithItsHeadersAndBody) {
  TempDir dir;
  const auto messages = threads();
  std::ostringstream mbox;
  exportMbox(messages, mbox);
  writeFile(dir / "out.mbox", mbox.str());
  std::string expected = "[";
  for (const ExportMessage& m : messages) {
    const auto refs = referencesOf(m);
    std::string joined;
    for (const auto& r : refs) joined += (joined.empty() ? "" : " ") + r;
    expected += std::string(expected.size() > 1 ? "," : "") + "{\"subject\":" + jsonString(m.title) +
                ",\"from_name\":" + jsonString(trimmed(m.writerName)) +
                ",\"message_id\":" + jsonString(messageIdOf(m)) +
                ",\"in_reply_to\":" + jsonString(refs.empty() ? "" : refs.back()) +
                ",\"references\":" + jsonString(joined) +
                ",\"board\":" + jsonString(m.boardCode + (m.boardName.empty() ? "" : " " + m.boardName)) +
                ",\"body\":" + jsonString(m.body) + "}";
  }
  writeFile(dir / "expected.json", expected + "]");
  const auto [out, status] =
      python("mbox_check.py", (dir / "out.mbox").string() + " " + (dir / "expected.json").string());
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "ok\n");

  // Nothing in a body may start a mail for a reader that splits at "From ".
  int fromLines = 0;
  for (const std::string& line : lines(mbox.str())) fromLines += line.rfind("From ", 0) == 0;
  EXPECT_EQ(fromLines, static_cast<int>(messages.size()));
}

TEST(ExportMbox, MessageIdsAreStableAndReferencesFollowTheAncestors) {
  const auto v = threads();
  EXPECT_EQ(messageIdOf(v[0]), messageId("テスト局", 101, 1, 999))
      << "a numbered message needs no library id";
  EXPECT_EQ(messageIdOf(v[0]), messageIdOf(threads()[0]));
  EXPECT_NE(messageIdOf(v[3]), messageId("テスト局", 0, 0, 8)) << "mails differ by their library id";
  EXPECT_NE(hostDomain("abc"), hostDomain("ABC"));
  EXPECT_EQ(hostDomain(""), "local.pelarin.invalid");
  EXPECT_EQ(referencesOf(v[2]), (std::vector{messageIdOf(v[0]), messageIdOf(v[1])}));
  EXPECT_EQ(referencesOf(v[4]), std::vector{messageId("テスト局", 101, 5, 0)}) << "the missing parent's id";
  EXPECT_TRUE(referencesOf(v[0]).empty());
  auto noNumbers = v[2];
  noNumbers.ancestorNumbers.clear();
  EXPECT_EQ(referencesOf(noNumbers), std::vector{messageIdOf(v[1])}) << "the parent from the reply number";
  // The host's text never reaches an address or Message-ID.
  for (const auto& m : v)
    for (unsigned char c : messageIdOf(m)) EXPECT_TRUE(c > 0x20 && c < 0x7F && c != '/' && c != '"');
}

TEST(ExportMbox, HeadersFoldUnderTheColumnLimitWithoutCuttingACharacter) {
  std::string out;
  appendTextHeader(out, "Subject", std::string(40, 'a') + "漢字かなカナ" + std::string(90, 'b') + "終");
  appendTextHeader(out, "X-Pelarin-Board", "とても長いボードの名前がここに続いていきます", "B12");
  appendAddressHeader(out, "From", "名前の長い人名前の長い人名前の長い人名前の長い人",
                      "w1@local.pelarin.invalid");
  for (const std::string& line : lines(out)) {
    EXPECT_LE(line.size(), kHeaderColumns) << line;
    EXPECT_FALSE(line.empty());
  }
  EXPECT_NE(out.find("X-Pelarin-Board: B12 =?UTF-8?B?"), std::string::npos);
  std::string plain;
  appendTextHeader(plain, "Subject", "Hello");
  EXPECT_EQ(plain, "Subject: Hello\n");
  EXPECT_EQ(base64("ab"), "YWI=");
  EXPECT_EQ(base64("abc"), "YWJj");
}

TEST(ExportMbox, QuotedPrintableKeepsLinesShortAndNoneReadsAsAFromLine) {
  std::string out;
  appendQuotedPrintable(out, std::string(74, 'a') + "From x\n" + "From y\n>From z\nend  \nno end");
  for (const std::string& line : lines(out)) {
    EXPECT_LE(line.size(), 76u) << line;
    EXPECT_NE(line.rfind("From ", 0), 0u) << line;
    EXPECT_NE(line.rfind(">From ", 0), 0u) << line;
  }
  EXPECT_NE(out.find("end =20\n"), std::string::npos) << "a trailing blank survives";
  EXPECT_EQ(out.substr(out.size() - 8), "no end=\n") << "no line end is added";
}

TEST(ExportText, EveryMessageWithItsFieldsThenItsBody) {
  std::ostringstream text;
  const auto v = threads();
  exportText(v, text);
  const std::string s = text.str();
  const std::string rule(72, '=');
  EXPECT_NE(s.find(rule + "\nLibrary ID\t1\nHost\tテスト局\nB.Number\tB1\t雑談\nMes. Number\t1\n"
                          "Writer\t1001\t山田　太郎　　\nRes. No.\t\nTitle\t春の集まりのお知らせ\n"
                          "Log Date\t1994-04-04 04:01:40 UTC\n\nこんにちは\nFrom me\n"),
            std::string::npos)
      << s.substr(0, 400);
  EXPECT_NE(s.find("Res. No.\t2\n"), std::string::npos);
  EXPECT_EQ(s.substr(s.size() - rule.size() - 1), rule + "\n");
  size_t rules = 0;
  for (const std::string& line : lines(s)) rules += line == rule;
  EXPECT_EQ(rules, v.size() + 1);
}

// The column padding of the stored title and name stays out of the mail and
// the page; the plain text export keeps the fields as stored.
TEST(ExportTrim, MboxAndHtmlDropTheTrailingBlanksOfTitleAndName) {
  TempDir dir;
  std::vector<ExportMessage> v{message(1, 1, 0, "Meeting" + std::string(24, ' '), "text\n")};
  v[0].writerName = "Taro 　 ";
  std::ostringstream mbox;
  exportMbox(v, mbox);
  EXPECT_NE(mbox.str().find("\nSubject: Meeting\n"), std::string::npos) << mbox.str();
  EXPECT_NE(mbox.str().find("\nFrom: \"Taro\" <"), std::string::npos) << mbox.str();
  exportHtml(v, dir / "html");
  const std::string page = readFile(dir / "html" / "board-1.html");
  EXPECT_NE(page.find("<h3>1 Meeting</h3>"), std::string::npos) << page;
  EXPECT_NE(page.find("<span class=\"w\">Taro</span>"), std::string::npos) << page;
  EXPECT_NE(page.find("Taro ・ "), std::string::npos) << page;
  v[0].title = std::string(8, ' ');
  exportHtml(v, dir / "blank");
  EXPECT_NE(readFile(dir / "blank" / "board-1.html").find("<h3>1 （無題）</h3>"), std::string::npos);
}

TEST(ExportHtml, EscapedTextRelativeLinksAndSafeFileNames) {
  TempDir dir;
  const auto v = threads();
  exportHtml(v, dir / "html");
  const auto [out, status] = python("html_check.py", (dir / "html").string());
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("<script>alert(1)</script>"), std::string::npos) << "shown as text";
  EXPECT_NE(out.find("<b>名前</b>"), std::string::npos);
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir / "html")) names.insert(e.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{".pelarin-export", "index.html", "board-1.html", "board-2.html",
                                          "board-3.html", "board-4.html"}));
  // Every message has its anchor, and the tree nests the answer to the answer two levels down.
  std::string pages;
  for (const auto& n : names) pages += readFile(dir / "html" / n);
  for (const auto& m : v) EXPECT_NE(pages.find("id=\"m" + std::to_string(m.id) + "\""), std::string::npos);
  const size_t root = pages.find("<li id=\"t1\">");
  const size_t grandchild = pages.find("<li id=\"t3\">");
  ASSERT_NE(root, std::string::npos);
  ASSERT_NE(grandchild, std::string::npos);
  const std::string between = pages.substr(root, grandchild - root);
  size_t opened = 0;
  for (size_t p = 0; (p = between.find("<ul>", p)) != std::string::npos; ++p) ++opened;
  EXPECT_EQ(opened, 2u);
}

TEST(ExportHtml, RefusesALinkOrAForeignFolderAndReplacesAnEarlierExport) {
  TempDir dir;
  const auto v = threads();
  std::filesystem::create_directory(dir / "target");
  std::filesystem::create_directory_symlink(dir / "target", dir / "link");
  EXPECT_THROW(exportHtml(v, dir / "link"), Error);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "target"));

  std::filesystem::create_directory(dir / "mine");
  writeFile(dir / "mine" / "notes.txt", "keep");
  try {
    exportHtml(v, dir / "mine");
    ADD_FAILURE() << "wrote into a folder of other files";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("空のフォルダか新しいフォルダを指定してください"),
              std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "mine" / "index.html"));
  writeFile(dir / "file", "x");
  EXPECT_THROW(exportHtml(v, dir / "file"), Error);
  EXPECT_EQ(readFile(dir / "file"), "x");

  // Again into an earlier export with fewer boards: the extra page goes, a user's file stays,
  // and a link planted under a page's name is replaced, never written through.
  exportHtml(v, dir / "out");
  writeFile(dir / "out" / "notes.txt", "keep");
  writeFile(dir / "victim", "untouched");
  std::filesystem::remove(dir / "out" / "index.html");
  std::filesystem::create_symlink(dir / "victim", dir / "out" / "index.html");
  exportHtml(std::vector<ExportMessage>(v.begin(), v.begin() + 3), dir / "out");
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "board-1.html"));
  EXPECT_FALSE(std::filesystem::exists(dir / "out" / "board-2.html"));
  EXPECT_EQ(readFile(dir / "out" / "notes.txt"), "keep");
  EXPECT_EQ(readFile(dir / "victim"), "untouched");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "out" / "index.html"));
}

TEST(ExportFile, AFailedExportLeavesTheOldFile) {
  TempDir dir;
  writeFile(dir / "out.mbox", "old");
  EXPECT_THROW(writeExportFile(dir / "out.mbox",
                               [](std::ostream& out) {
                                 out << std::string(200000, 'x');
                                 throw Error("stopped");
                               }),
               Error);
  EXPECT_EQ(readFile(dir / "out.mbox"), "old");
  writeExportFile(dir / "out.mbox", [](std::ostream& out) { exportMbox(threads(), out); });
  std::ostringstream direct;
  exportMbox(threads(), direct);
  EXPECT_EQ(readFile(dir / "out.mbox"), direct.str());
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.insert(e.path().filename());
  EXPECT_EQ(names, std::set<std::string>{"out.mbox"}) << "no temporary left behind";
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> folderFiles(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    files[e.path().filename()] = e.is_directory() ? "(folder)" : readFile(e.path());
  return files;
}

TEST(ExportProgress, EachFormatCountsEveryMessageAndWritesWhatItWritesWithout) {
  TempDir dir;
  const auto v = threads();
  Progress progress;
  std::vector<int64_t> steps;
  progress.onStep = [&](const Progress& p) {
    EXPECT_EQ(p.phase.load(), static_cast<int>(Progress::Phase::Writing));
    EXPECT_EQ(p.total.load(), static_cast<int64_t>(v.size()));
    steps.push_back(p.done.load());
  };
  const std::vector<int64_t> each{1, 2, 3, 4, 5, 6, 7};
  std::ostringstream text, textPlain, mbox, mboxPlain;
  exportText(v, text, &progress);
  exportText(v, textPlain);
  EXPECT_EQ(text.str(), textPlain.str());
  EXPECT_EQ(steps, each);
  steps.clear();
  exportMbox(v, mbox, &progress);
  exportMbox(v, mboxPlain);
  EXPECT_EQ(mbox.str(), mboxPlain.str());
  EXPECT_EQ(steps, each);
  steps.clear();
  exportHtml(v, dir / "counted", &progress);
  exportHtml(v, dir / "plain");
  EXPECT_EQ(folderFiles(dir / "counted"), folderFiles(dir / "plain"));
  ASSERT_EQ(steps.size(), v.size());
  EXPECT_EQ(steps.back(), 7);
}

TEST(ExportProgress, ACancelLeavesTheOldTargetAsItWas) {
  TempDir dir;
  const auto v = threads();
  Progress progress;
  progress.onStep = [&](const Progress& p) {
    if (p.done.load() == 3) progress.cancel = true;
  };
  writeFile(dir / "out.txt", "old");
  EXPECT_THROW(writeExportFile(dir / "out.txt", [&](std::ostream& out) { exportText(v, out, &progress); }),
               CancelledError);
  EXPECT_EQ(readFile(dir / "out.txt"), "old");
  EXPECT_EQ(folderFiles(dir.path()).size(), 1u) << "no temporary left behind";

  exportHtml(std::vector<ExportMessage>(v.begin(), v.begin() + 3), dir / "site");
  const auto before = folderFiles(dir / "site");
  progress.cancel = false;
  EXPECT_THROW(exportHtml(v, dir / "site", &progress), CancelledError);
  EXPECT_EQ(folderFiles(dir / "site"), before);
  progress.cancel = false;
  EXPECT_THROW(exportHtml(v, dir / "new", &progress), CancelledError);
  EXPECT_FALSE(std::filesystem::exists(dir / "new"));
}

TEST(ExportHtml, APageThatCannotBeWrittenLeavesTheEarlierExportWhole) {
  TempDir dir;
  auto v = threads();
  exportHtml(v, dir / "site");
  // The last board's page cannot be replaced: something else holds its name.
  std::filesystem::remove(dir / "site" / "board-4.html");
  std::filesystem::create_directory(dir / "site" / "board-4.html");
  const auto before = folderFiles(dir / "site");
  for (ExportMessage& m : v) m.body += "追記\n";
  EXPECT_THROW(exportHtml(v, dir / "site"), Error);
  EXPECT_EQ(folderFiles(dir / "site"), before) << "no page replaced, no temporary left behind";
}

}  // namespace
}  // namespace pelarin
