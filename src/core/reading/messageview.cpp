#include "core/reading/messageview.h"

#include "core/logimport/boardkey.h"
#include "core/reading/boardcode.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"

namespace pelarin {

MessageView readMessageView(const std::filesystem::path& dir, int32_t n) {
  LineReader in(messagePath(dir, n));
  MessageView v;
  Bytes line;
  in.readLine(line);
  v.BoadNumber = BoardCode(line);
  v.fileArea = StrToInt(line) > kFileAreaBase;
  in.readLine(line);
  v.Mesnumber = unlessZero(line);
  in.readLine(v.Title);
  in.readLine(v.ResTitle);
  in.readLine(line);
  v.IDnum = unlessZero(line);
  in.readLine(v.WriterName);
  while (!in.atEnd()) {
    in.readLine(line);
    v.body += line;
    v.body += "\r\n";
  }
  return v;
}

ListRow listRow(const MessageKeys& k) {
  return {BoardCode(k.BoardKey), unlessZero(k.MesNumber), unlessZero(k.WriterId), k.WriterName, k.Title,
          k.ResNumber};
}

}  // namespace pelarin
