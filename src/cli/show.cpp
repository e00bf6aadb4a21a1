#include <string>

#include "cli/commands.h"
#include "core/logimport/boardkey.h"
#include "core/logimport/messagefile.h"
#include "core/reading/boardcode.h"
#include "core/text/cp932.h"
#include "core/text/integers.h"

namespace pelarin::cli {

namespace {

std::string shown(const Bytes& field) { return field == "0" ? std::string() : cp932ToUtf8(field); }

}  // namespace

void runShow(const Invocation& inv, std::FILE* out) {
  StoredMessage m = readMessage(messagePath(inv.dir, inv.number));
  const MessageKeys& k = m.keys;
  Bytes code = BoardCode(k.BoardKey);  // also rejects a key line that is not an integer
  const char* writerCaption = StrToInt(k.BoardKey) > kFileAreaBase ? "File" : "Writer";

  std::string text;
  text += "B.Number\t" + cp932ToUtf8(code) + "\n";
  text += "Mes. Number\t" + shown(k.MesNumber) + "\n";
  text += std::string(writerCaption) + "\t" + shown(k.WriterId) + "\t" + cp932ToUtf8(k.WriterName) + "\n";
  text += "Res. No.\t" + cp932ToUtf8(k.ResNumber) + "\n";
  text += "Title\t" + cp932ToUtf8(k.Title) + "\n";
  text += "\n";
  for (const Bytes& line : m.body) {
    text += cp932ToUtf8(line);
    text += '\n';
  }
  std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace pelarin::cli
