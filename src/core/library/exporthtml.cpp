#include "core/library/exporthtml.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "core/library/posteddate.h"
#include "core/library/trailingblanks.h"
#include "core/text/errors.h"
#include "core/text/linewriter.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

constexpr char kStyle[] =
    "body{font-family:'IPAGothic','Noto Sans CJK JP',sans-serif;margin:1.5em;color:#222;background:#fdfdfb}"
    "h1{font-size:1.4em}h2{font-size:1.15em;border-bottom:1px solid #ccc}"
    "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:.2em .6em;text-align:left}"
    "td.n{text-align:right}ul.tree,ul.tree ul{list-style:none;padding-left:1.2em;margin:0}"
    "ul.tree{padding-left:0}ul.tree ul{border-left:1px dotted #bbb;margin-left:.4em}ul.tree li{margin:.1em 0}"
    ".w{color:#666}"
    "article{border-top:1px solid #ddd;margin-top:1em;padding-top:.5em}"
    "article h3{font-size:1em;margin:.2em 0}.meta{color:#555;font-size:.9em}"
    "pre{white-space:pre-wrap;font-family:'IPAGothic',monospace;background:#f4f4f0;padding:.5em}";

constexpr char kNoHost[] = "（ホスト名なし）";

struct Board {
  std::string host;
  int32_t boardKey;
  std::string code;
  std::string name;
  std::vector<const ExportMessage*> messages;
  std::string file;
};

std::string boardTitle(const Board& b) {
  std::string title = b.code.empty() ? std::to_string(b.boardKey) : b.code;
  if (!b.name.empty()) title += " " + b.name;
  return title;
}

std::string hostTitle(const std::string& host) { return host.empty() ? kNoHost : host; }

std::string pageStart(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n<title>" +
         htmlEscape(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
}

std::string utcTime(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) return std::to_string(seconds);
  char text[40];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &tm));
}

std::string anchor(const ExportMessage& m) { return "m" + std::to_string(m.id); }

std::string label(const ExportMessage& m) {
  std::string text = m.number > 0 ? std::to_string(m.number) + " " : std::string();
  const std::string title = withoutTrailingBlanks(m.title);
  return text + (title.empty() ? "（無題）" : title);
}

bool earlier(const ExportMessage* a, const ExportMessage* b) {
  return std::pair(a->number, a->id) < std::pair(b->number, b->id);
}

std::string boardPage(const Board& b, Progress* progress, int64_t& done) {
  // The nearest ancestor on this page is the parent in the tree: a filter may have left others out.
  std::unordered_map<int64_t, size_t> at;
  for (size_t i = 0; i < b.messages.size(); ++i) at.emplace(b.messages[i]->id, i);
  std::vector<std::vector<size_t>> children(b.messages.size());
  std::vector<size_t> roots;
  std::vector<const ExportMessage*> parentOf(b.messages.size(), nullptr);
  for (size_t i = 0; i < b.messages.size(); ++i) {
    const auto& ancestors = b.messages[i]->ancestors;
    auto found = at.end();
    for (auto a = ancestors.rbegin(); a != ancestors.rend() && found == at.end(); ++a) found = at.find(*a);
    if (found == at.end()) {
      roots.push_back(i);
    } else {
      children[found->second].push_back(i);
      parentOf[i] = b.messages[found->second];
    }
  }
  auto byNumber = [&](size_t x, size_t y) { return earlier(b.messages[x], b.messages[y]); };
  std::sort(roots.begin(), roots.end(), byNumber);
  for (auto& c : children) std::sort(c.begin(), c.end(), byNumber);

  const std::string title = hostTitle(b.host) + " / " + boardTitle(b);
  std::string out = pageStart(title);
  out += "<p><a href=\"index.html\">一覧へ戻る</a></p>\n<h1>" + htmlEscape(title) + "</h1>\n";
  out +=
      "<p>" + std::to_string(b.messages.size()) + " 件、スレッド " + std::to_string(roots.size()) + "</p>\n";
  out += "<h2 id=\"tree\">スレッド</h2>\n<ul class=\"tree\">\n";
  // Depth-first without recursion: a thread may be thousands of answers deep.
  std::vector<std::pair<size_t, size_t>> stack;  // node, next child
  std::vector<size_t> order;
  for (size_t root : roots) {
    stack.emplace_back(root, 0);
    while (!stack.empty()) {
      auto& [node, next] = stack.back();
      const ExportMessage& m = *b.messages[node];
      if (next == 0) {
        order.push_back(node);
        out += "<li id=\"t" + std::to_string(m.id) + "\"><a href=\"#" + anchor(m) + "\">" +
               htmlEscape(label(m)) + "</a> <span class=\"w\">" +
               htmlEscape(withoutTrailingBlanks(m.writerName)) + "</span>";
        if (!children[node].empty()) out += "\n<ul>\n";
      }
      if (next < children[node].size()) {
        const size_t child = children[node][next++];
        stack.emplace_back(child, 0);
        continue;
      }
      out += children[node].empty() ? "</li>\n" : "</ul>\n</li>\n";
      stack.pop_back();
    }
  }
  out += "</ul>\n<h2>メッセージ</h2>\n";
  for (size_t i : order) {
    const ExportMessage& m = *b.messages[i];
    out += "<article id=\"" + anchor(m) + "\">\n<h3>" + htmlEscape(label(m)) + "</h3>\n<p class=\"meta\">";
    if (m.writerId != 0) out += "ID " + std::to_string(m.writerId) + " ";
    out += htmlEscape(withoutTrailingBlanks(m.writerName)) + " ・ " + (m.posted ? postedText(*m.posted) : utcTime(m.logTime));
    if (const ExportMessage* p = parentOf[i])
      out += " ・ <a href=\"#" + anchor(*p) + "\">" + htmlEscape(label(*p)) + "</a> への返信";
    else if (m.replyTo > 0)
      out += " ・ " + std::to_string(m.replyTo) + " への返信（元のメッセージはありません）";
    out += " ・ <a href=\"#t" + std::to_string(m.id) + "\">ツリー</a></p>\n<pre>" + htmlEscape(m.body) +
           "</pre>\n</article>\n";
    if (progress) progress->step(++done);
  }
  out += "</body>\n</html>\n";
  return out;
}

std::string indexPage(const std::vector<Board>& boards, size_t total) {
  std::string out = pageStart("ライブラリ");
  out += "<h1>ライブラリ</h1>\n<p>" + std::to_string(total) + " 件</p>\n";
  for (size_t i = 0; i < boards.size(); ++i) {
    if (i == 0 || boards[i].host != boards[i - 1].host) {
      size_t count = 0;
      for (size_t j = i; j < boards.size() && boards[j].host == boards[i].host; ++j)
        count += boards[j].messages.size();
      if (i > 0) out += "</table>\n";
      out += "<h2>" + htmlEscape(hostTitle(boards[i].host)) + "（" + std::to_string(count) +
             " 件）</h2>\n<table>\n<tr><th>ボード</th><th>名前</th><th>件数</th></tr>\n";
    }
    const Board& b = boards[i];
    out += "<tr><td><a href=\"" + b.file + "\">" +
           htmlEscape(b.code.empty() ? std::to_string(b.boardKey) : b.code) + "</a></td><td>" +
           htmlEscape(b.name) + "</td><td class=\"n\">" + std::to_string(b.messages.size()) + "</td></tr>\n";
  }
  if (!boards.empty()) out += "</table>\n";
  out += "</body>\n</html>\n";
  return out;
}

[[noreturn]] void refuse(const std::filesystem::path& folder, const std::string& why) {
  throw Error("'" + folder.string() + "' " + why);
}

// A folder to write into: new, empty, or an earlier export.
void prepareFolder(const std::filesystem::path& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) {
    if (errno != ENOENT) throw FileError("Cannot create", folder, errno);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw FileError("Cannot create", folder, ec.value());
    return;
  }
  if (S_ISLNK(st.st_mode)) refuse(folder, "はリンクです。リンクの先には書き出しません");
  if (!S_ISDIR(st.st_mode)) refuse(folder, "はフォルダではありません");
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) throw FileError("Cannot open", folder, ec.value());
  if (it == std::filesystem::directory_iterator()) return;
  struct stat mark {};
  if (::lstat((folder / kHtmlExportMark).c_str(), &mark) == 0 && S_ISREG(mark.st_mode)) return;
  refuse(folder, "には書き出し以外のファイルがあります。空のフォルダか新しいフォルダを指定してください");
}

}  // namespace

bool isBoardPageName(std::string_view name) {
  if (!name.starts_with("board-") || name.size() <= 11 || !name.ends_with(".html")) return false;
  const std::string_view digits = name.substr(6, name.size() - 11);
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string htmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void exportHtml(const std::vector<ExportMessage>& messages, const std::filesystem::path& folder,
                Progress* progress) {
  std::map<std::pair<std::string, int32_t>, size_t> slot;
  std::vector<Board> boards;
  for (const ExportMessage& m : messages) {
    auto [it, added] = slot.emplace(std::pair(m.host, m.boardKey), boards.size());
    if (added) boards.push_back(Board{m.host, m.boardKey, m.boardCode, m.boardName, {}, {}});
    boards[it->second].messages.push_back(&m);
  }
  std::sort(boards.begin(), boards.end(), [](const Board& a, const Board& b) {
    return std::tie(a.host, a.boardKey) < std::tie(b.host, b.boardKey);
  });
  // Names from the board's place, never from the host's or board's text.
  for (size_t i = 0; i < boards.size(); ++i) boards[i].file = "board-" + std::to_string(i + 1) + ".html";

  // Every page is made before the folder is touched, so a cancel leaves it as it was.
  if (progress) progress->begin(Progress::Phase::Writing, static_cast<int64_t>(messages.size()));
  int64_t done = 0;
  std::vector<std::string> pages;
  pages.reserve(boards.size());
  for (const Board& b : boards) pages.push_back(boardPage(b, progress, done));
  const std::string index = indexPage(boards, messages.size());

  prepareFolder(folder);
  // Every page goes to disk beside its name before any replaces the old one:
  // a write that fails part-way leaves the earlier export whole.
  std::vector<std::unique_ptr<ReplacingWriter>> staged;
  auto stage = [&](const std::string& name, const std::string& content) {
    staged.push_back(std::make_unique<ReplacingWriter>(folder / name));
    staged.back()->write(content);
    staged.back()->finishWriting();
  };
  stage(kHtmlExportMark, "Pelarin library export\n");
  std::set<std::string> written;
  for (size_t i = 0; i < boards.size(); ++i) {
    stage(boards[i].file, pages[i]);
    written.insert(boards[i].file);
  }
  stage("index.html", index);
  for (auto& page : staged) page->commit();
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (isBoardPageName(name) && !written.count(name) && entry.is_regular_file() && !entry.is_symlink())
      std::filesystem::remove(entry.path());
  }
}

}  // namespace pelarin
