#include "librarylogs.h"

#include <algorithm>

#include "support/tempdir.h"

namespace pelarin::testing {

namespace {

Bytes pad(std::string_view utf8, size_t width) {
  Bytes b = sj(utf8);
  b.resize(std::max(b.size(), width), ' ');
  return b;
}

}  // namespace

Bytes boardLog(const std::string& board, const std::vector<LogMessage>& messages) {
  Bytes log = sj("[ Ｂbs" + board + " ]") + "\r\n";
  for (const LogMessage& m : messages) {
    const Bytes fields =
        pad(m.title, 32) + " " + m.id + " " + pad(m.name, 16) + (m.posted.empty() ? Bytes() : " " + m.posted);
    if (m.answered.empty()) {
      log += sj("  ●") + m.number + "     " + fields + "\r\n";
    } else {
      log += sj("  ●") + m.number + " res " + Bytes(37, ' ') + m.answered + "\r\n";
      log += Bytes(14, ' ') + fields + "\r\n";
    }
    log += "\r\n";
    for (const std::string& line : m.body) log += sj(line) + "\r\n";
    log += sj("●１●次　●２●前　●３●返信") + "\r\n";
  }
  return log;
}

}  // namespace pelarin::testing
