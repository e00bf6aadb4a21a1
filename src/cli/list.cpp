#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/reading/messageview.h"
#include "core/text/cp932.h"

namespace pelarin::cli {

void runList(const Invocation& inv, std::FILE* out) {
  for (int32_t n = 1; n <= inv.number; ++n) {
    ListRow row = listRow(readMessageKeys(messagePath(inv.dir, n)));
    // Each cell on its own: a title cut inside a double-byte character must
    // not swallow the TAB after it.
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += '\t';
      line += cp932ToUtf8(row[i]);
    }
    line += '\n';
    print(out, line);
  }
}

}  // namespace pelarin::cli
