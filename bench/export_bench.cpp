// The library's exports of 100,000 generated messages into files, against
// writing the same bodies with one plain write loop, and against the 10 s
// that an mbox export of that size may take. Prints times and ratios.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/library/exportfile.h"
#include "core/library/exporthtml.h"
#include "core/library/exportmbox.h"
#include "core/library/exporttext.h"

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

}  // namespace

int main() {
  std::string pattern = (fs::temp_directory_path() / "pelarin-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path root = pattern;
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
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return mbox < kMboxTargetSeconds ? 0 : 1;
}
