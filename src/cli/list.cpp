#include <string>

#include "cli/commands.h"
#include "core/logimport/messagefile.h"
#include "core/reading/boardcode.h"
#include "core/text/cp932.h"

namespace pelarin::cli {

namespace {

ByteView unlessZero(const Bytes& field) { return field == "0" ? ByteView() : ByteView(field); }

}  // namespace

void runList(const Invocation& inv, std::FILE* out) {
  for (int32_t n = 1; n <= inv.number; ++n) {
    MessageKeys k = readMessageKeys(messagePath(inv.dir, n));
    // Each field on its own: a title cut inside a double-byte character must
    // not swallow the TAB after it.
    std::string line = cp932ToUtf8(BoardCode(k.BoardKey));
    for (ByteView field : {unlessZero(k.MesNumber), unlessZero(k.WriterId), ByteView(k.WriterName),
                           ByteView(k.Title), ByteView(k.ResNumber)}) {
      line += '\t';
      line += cp932ToUtf8(field);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out);
  }
}

}  // namespace pelarin::cli
