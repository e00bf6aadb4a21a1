#include "core/library/exporttext.h"

#include <ctime>
#include <string>

#include "core/text/progress.h"

namespace pelarin {

namespace {

// A rule no log line of the host's width is likely to be.
const std::string kRule(72, '=');

std::string orEmpty(int64_t n) { return n == 0 ? std::string() : std::to_string(n); }

std::string utcTime(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) return std::to_string(seconds);
  char text[40];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm));
}

void appendMessage(std::string& out, const ExportMessage& m) {
  out += kRule + "\n";
  out += "Library ID\t" + std::to_string(m.id) + "\n";
  out += "Host\t" + m.host + "\n";
  out += "B.Number\t" + m.boardCode + "\t" + m.boardName + "\n";
  out += "Mes. Number\t" + orEmpty(m.number) + "\n";
  out += "Writer\t" + orEmpty(m.writerId) + "\t" + m.writerName + "\n";
  out += "Res. No.\t" + orEmpty(m.replyTo) + "\n";
  out += "Title\t" + m.title + "\n";
  out += "Log Date\t" + utcTime(m.logTime) + "\n";
  out += "\n";
  out += m.body;
  if (!m.body.empty() && m.body.back() != '\n') out += '\n';
}

}  // namespace

void exportText(const std::vector<ExportMessage>& messages, std::ostream& out, Progress* progress) {
  if (progress) progress->begin(Progress::Phase::Writing, static_cast<int64_t>(messages.size()));
  std::string chunk;
  int64_t done = 0;
  for (const ExportMessage& m : messages) {
    appendMessage(chunk, m);
    if (progress) progress->step(++done);
    if (chunk.size() >= (1 << 16)) {
      out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      chunk.clear();
    }
  }
  if (!messages.empty()) chunk += kRule + "\n";
  out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

}  // namespace pelarin
