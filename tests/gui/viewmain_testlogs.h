// Small captured logs for the main window's tests, in the host's columns.
#pragma once

#include <string>
#include <vector>

#include "core/text/bytes.h"
#include "support/guitest.h"

namespace pelarin::gui::testing {

inline Bytes padded(const Bytes& text, size_t width) {
  Bytes out = text;
  out.resize(width, ' ');
  return out;
}

// A counted header, the line it skips, and the body lines.
inline Bytes countedMessage(int number, const Bytes& title, const char* id, const Bytes& name,
                            const std::vector<Bytes>& body) {
  char num[8];
  std::snprintf(num, sizeof num, "%05d", number);
  char count[8];
  std::snprintf(count, sizeof count, "%4zu", body.size());
  char idField[8];
  std::snprintf(idField, sizeof idField, "%4s", id);
  Bytes out = "#Fc." + Bytes(num) + Bytes(5, ' ') + padded(title, 32) + " " + idField + " " +
              padded(name, 16) + Bytes(6, ' ') + count + "\r\n-\r\n";
  for (const Bytes& line : body) out += line + "\r\n";
  return out;
}

// A log of `count` counted messages numbered from `first` on BBS board `board`.
inline Bytes boardLog(int board, int first, int count) {
  Bytes log = sj("● [ BBS") + std::to_string(board) + " x\r\n";
  for (int i = 0; i < count; ++i)
    log += countedMessage(first + i, "T" + std::to_string(first + i), "1001", sj("山田"), {"body"});
  return log;
}

// A file area's counted header (name at 14, title at 38); the listing runs to the next marker.
inline Bytes fileAreaMessage(int number, const Bytes& name, const Bytes& title,
                             const std::vector<Bytes>& body) {
  char num[8];
  std::snprintf(num, sizeof num, "%05d", number);
  Bytes out =
      "#Fc." + Bytes(num) + "    " + padded(name, 12) + Bytes(12, ' ') + padded(title, 40) + "\r\n-\r\n";
  for (const Bytes& line : body) out += line + "\r\n";
  return out;
}

inline Bytes line(const char* utf8) { return sj(utf8) + "\r\n"; }

}  // namespace pelarin::gui::testing
