#include "core/logimport/messagefile.h"

#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/linewriter.h"
#include "core/text/paths.h"

namespace pelarin {

Bytes messageFileName(int32_t n) { return "mes" + IntToStr(n) + ".tmp"; }

std::filesystem::path messagePath(const std::filesystem::path& dir, int32_t n) {
  return dir / messageFileName(n);
}

void writeMessageKeys(LineWriter& out, int32_t boardKey, int32_t mesNumber, ByteView title,
                      ByteView resNumber, int32_t writerId, ByteView writerName) {
  out.writeLine(IntToStr(boardKey));
  out.writeLine(IntToStr(mesNumber));
  out.writeLine(title);
  out.writeLine(resNumber);
  out.writeLine(IntToStr(writerId));
  out.writeLine(writerName);
}

namespace {
void readKeys(LineReader& in, MessageKeys& k) {
  in.readLine(k.BoardKey);
  in.readLine(k.MesNumber);
  in.readLine(k.Title);
  in.readLine(k.ResNumber);
  in.readLine(k.WriterId);
  in.readLine(k.WriterName);
}
}  // namespace

MessageKeys readMessageKeys(const std::filesystem::path& file) {
  LineReader in(file);
  MessageKeys keys;
  readKeys(in, keys);
  return keys;
}

StoredMessage readMessage(const std::filesystem::path& file) {
  LineReader in(file);
  StoredMessage message;
  readKeys(in, message.keys);
  while (!in.atEnd()) message.body.push_back(in.readLine());
  return message;
}

void deleteMessages(const std::filesystem::path& dir, int32_t count) {
  for (int32_t n = 1; n <= count; ++n) removeQuietly(messagePath(dir, n));
}

}  // namespace pelarin
