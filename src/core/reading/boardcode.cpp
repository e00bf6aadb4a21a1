#include "core/reading/boardcode.h"

#include "core/text/integers.h"

namespace pelarin {

Bytes BoardCode(ByteView keyText) {
  int64_t k = StrToInt(keyText);
  Bytes code;
  if (k > 10000) code = "I" + IntToStr(k - 10000);
  else if (keyText == "0") code = "BF";
  else code = "B" + Bytes(keyText);
  if (k == 20000) code = "M";
  if (k > 30000) code = "F" + IntToStr(k - 30000);
  return code;
}

std::optional<int32_t> BoardKeyOfCode(std::string_view code) {
  if (code == "BF") return 0;
  if (code == "M") return 20000;
  if (code.size() < 2 || code.size() > 6) return std::nullopt;
  int32_t base = -1;
  if (code[0] == 'B') base = 0;
  if (code[0] == 'I') base = 10000;
  if (code[0] == 'F') base = 30000;
  if (base < 0) return std::nullopt;
  int32_t n = 0;
  for (char c : code.substr(1)) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n < 1) return std::nullopt;
  return base + n;
}

}  // namespace pelarin
