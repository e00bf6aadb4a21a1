// The library's exports of 100,000 generated messages into files, against
// writing the same bodies with one plain write loop, and against the 10 s
// that an mbox export of that size may take; then the exports of one reply
// chain 600, 1,200 and 2,400 deep from a library, whose time must grow with
// the messages and their ancestors (four times for twice the depth), not
// faster. Prints times and ratios.
//
//   export_bench [chains]    (chains: the reply chains only)
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/app/appstate.h"
#include "core/library/exportfile.h"
#include "core/library/exporthtml.h"
#include "core/library/exportmbox.h"
#include "core/library/exportquery.h"
#include "core/library/exporttext.h"
#include "core/library/exportwrite.h"
#include "core/library/library.h"
#include "core/text/cp932.h"
#include "core/text/linereader.h"
#include "core/text/linewriter.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMessages = 100000;
constexpr double kMboxTargetSeconds = 10.0;

const char* const kWords[] = {"花見", "の",       "会",   "は",   "四月", "に",     "上野",
                              "で",   "行います", "。",   "参加", "希望", "者",     "From ",
                              "返信", "ください", "ＰＣ", "ｶﾀｶﾅ", "猫",   "東京都", " "};

std::vector<pelarin::ExportMessage> generate() {
  std::mt19937 random(7);
  std::vector<pelarin::ExportMessage> v;
  v.reserve(kMessages);
  auto text = [&](int words) {
    std::string s;
    for (int i = 0; i < words; ++i) s += kWords[random() % std::size(kWords)];
    return s;
  };
  for (int i = 0; i < kMessages; ++i) {
    pelarin::ExportMessage m;
    m.id = i + 1;
    m.host = i % 3 ? "草の根ネット" : "Test Host";
    m.boardKey = 100 + i % 20;
    m.boardCode = "B" + std::to_string(m.boardKey - 99);
    m.boardName = "ボード" + std::to_string(m.boardKey);
    m.number = i / 20 + 1;
    m.writerId = 1000 + static_cast<int32_t>(random() % 5000);
    m.writerName = text(2);
    m.title = text(1 + static_cast<int>(random() % 8));
    const int lines = 3 + static_cast<int>(random() % 12);
    for (int l = 0; l < lines; ++l) m.body += text(static_cast<int>(random() % 20)) + "\n";
    m.logTime = 760000000 + i;
    // One in two answers an earlier message of its board, up to some depth.
    if (m.number > 1 && random() % 2) {
      const size_t parent =
          static_cast<size_t>(i - 20 * (1 + static_cast<int>(random() % std::min(m.number - 1, 5))));
      const pelarin::ExportMessage& p = v[parent];
      m.replyTo = p.number;
      m.ancestors = p.ancestors;
      m.ancestorNumbers = p.ancestorNumbers;
      m.ancestors.push_back(p.id);
      m.ancestorNumbers.push_back(p.number);
    }
    v.push_back(std::move(m));
  }
  return v;
}

template <typename F>
double median(F run) {
  std::vector<double> seconds;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[1];
}

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A board log of one thread: message n answers n-1.
std::string chainLog(int depth) {
  const std::string mark = pelarin::utf8ToCp932("  ●");
  std::string log = pelarin::utf8ToCp932("[ Ｂbs３ ]") + "\r\n";
  auto number = [](int n) { return std::to_string(100000 + n).substr(1); };
  for (int n = 1; n <= depth; ++n) {
    std::string fields = "Re: chain " + std::to_string(n);
    fields.resize(32, ' ');
    fields += " 0001 writer          ";
    if (n == 1)
      log += mark + number(n) + "     " + fields + "\r\n";
    else
      log += mark + number(n) + " res " + std::string(37, ' ') + number(n - 1) + "\r\n" +
             std::string(14, ' ') + fields + "\r\n";
    log += "\r\nline of message " + std::to_string(n) + "\r\n" +
           pelarin::utf8ToCp932("●１●次　●２●前　●３●返信") + "\r\n";
  }
  return log;
}

// Each format from the library, the selection included, as the command line runs it.
void chains(const fs::path& root) {
  std::printf("\none reply chain from a library: selection and writing, seconds\n");
  std::printf("%7s %9s %9s %9s %9s\n", "depth", "select", "text", "mbox", "html");
  std::fflush(stdout);
  double previous = 0;
  for (int depth : {600, 1200, 2400}) {
    const fs::path dir = root / ("chain" + std::to_string(depth));
    fs::create_directories(dir);
    {
      pelarin::LineWriter out(dir / "chain.log", pelarin::LineWriter::Mode::Truncate);
      out.write(chainLog(depth));
      out.close();
    }
    pelarin::Library library(dir);
    {
      pelarin::LineReader in(dir / "chain.log");
      pelarin::AppState state;
      library.importLog(in, "bench", state);
    }
    // Export Thread's selection, from the deepest message, then the messages with their ancestors.
    auto start = std::chrono::steady_clock::now();
    const std::vector<int64_t> ids = pelarin::threadIds(library, library.search({}, {}, 0).back());
    const auto messages = pelarin::exportMessages(library, ids, dir);
    const double select = seconds(start);
    double formats[3];
    int i = 0;
    for (auto format :
         {pelarin::ExportFormat::Text, pelarin::ExportFormat::Mbox, pelarin::ExportFormat::Html}) {
      start = std::chrono::steady_clock::now();
      pelarin::writeExport(format, messages, dir / (format == pelarin::ExportFormat::Html ? "html" : "out"));
      formats[i++] = seconds(start);
    }
    const double total = select + formats[0] + formats[1] + formats[2];
    std::printf("%7d %9.3f %9.3f %9.3f %9.3f", depth, select, formats[0], formats[1], formats[2]);
    if (previous > 0)
      std::printf("   %.1fx the depth before (4x is linear in the ancestors)", total / previous);
    std::printf("\n");
    std::fflush(stdout);
    previous = total;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string pattern = (fs::temp_directory_path() / "pelarin-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path root = pattern;
  if (argc > 1 && std::string(argv[1]) == "chains") {
    chains(root);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
  }
  const auto messages = generate();
  size_t bodyBytes = 0;
  for (const auto& m : messages) bodyBytes += m.body.size();

  // The floor: the bodies alone, through the same whole-file writer.
  const double plain = median([&] {
    pelarin::writeExportFile(root / "plain.txt", [&](std::ostream& out) {
      for (const auto& m : messages) out.write(m.body.data(), static_cast<std::streamsize>(m.body.size()));
    });
  });
  const double mbox = median([&] {
    pelarin::writeExportFile(root / "out.mbox",
                             [&](std::ostream& out) { pelarin::exportMbox(messages, out); });
  });
  const double text = median([&] {
    pelarin::writeExportFile(root / "out.txt",
                             [&](std::ostream& out) { pelarin::exportText(messages, out); });
  });
  const double html = median([&] { pelarin::exportHtml(messages, root / "html"); });

  std::printf("%d messages, %.1f MB of bodies\n", kMessages, bodyBytes / 1e6);
  std::printf("plain write of the bodies  %7.3f s\n", plain);
  std::printf("mbox                       %7.3f s  %5.1fx plain, %.3f of the %.0f s target (%.1f MB)\n", mbox,
              mbox / plain, mbox / kMboxTargetSeconds, kMboxTargetSeconds,
              fs::file_size(root / "out.mbox") / 1e6);
  std::printf("text                       %7.3f s  %5.1fx plain\n", text, text / plain);
  std::printf("html                       %7.3f s  %5.1fx plain\n", html, html / plain);
  chains(root);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return mbox < kMboxTargetSeconds ? 0 : 1;
}
