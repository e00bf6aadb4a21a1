#include "cli/output.h"

#include <unistd.h>

#include "core/text/visiblecontrols.h"

namespace pelarin::cli {

namespace {

bool isTerminal(std::FILE* out) {
  // Asked once for the two streams every line goes to.
  static const bool standardOutput = ::isatty(STDOUT_FILENO) == 1;
  static const bool standardError = ::isatty(STDERR_FILENO) == 1;
  if (out == stdout) return standardOutput;
  if (out == stderr) return standardError;
  return ::isatty(::fileno(out)) == 1;
}

}  // namespace

void print(std::FILE* out, std::string_view text) {
  if (isTerminal(out)) {
    const std::string shown = visibleControls(text);
    std::fwrite(shown.data(), 1, shown.size(), out);
  } else {
    std::fwrite(text.data(), 1, text.size(), out);
  }
}

}  // namespace pelarin::cli
