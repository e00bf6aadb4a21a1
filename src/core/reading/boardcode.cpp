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

}  // namespace pelarin
