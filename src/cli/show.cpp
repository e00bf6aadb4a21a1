#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/reading/messageview.h"
#include "core/text/cp932.h"

namespace pelarin::cli {

std::string shownText(const MessageView& v) {
  std::string text;
  text += "B.Number\t" + cp932ToUtf8(v.BoadNumber) + "\n";
  text += "Mes. Number\t" + cp932ToUtf8(v.Mesnumber) + "\n";
  text += std::string(v.fileArea ? "File" : "Writer") + "\t" + cp932ToUtf8(v.IDnum) + "\t" +
          cp932ToUtf8(v.WriterName) + "\n";
  text += "Res. No.\t" + cp932ToUtf8(v.ResTitle) + "\n";
  text += "Title\t" + cp932ToUtf8(v.Title) + "\n";
  text += "\n";
  // The body's lines end in CR LF in the store; the terminal gets LF.
  for (size_t pos = 0, end; (end = v.body.find("\r\n", pos)) != Bytes::npos; pos = end + 2) {
    text += cp932ToUtf8(ByteView(v.body).substr(pos, end - pos));
    text += '\n';
  }
  return text;
}

void runShow(const Invocation& inv, std::FILE* out) {
  const std::string text = shownText(readMessageView(inv.dir, inv.number));
  print(out, text);
}

}  // namespace pelarin::cli
