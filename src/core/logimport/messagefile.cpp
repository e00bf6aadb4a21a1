#include "core/logimport/messagefile.h"

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>

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

MessageKeys messageKeys(int32_t boardKey, int32_t mesNumber, ByteView title, ByteView resNumber,
                        int32_t writerId, ByteView writerName) {
  return {IntToStr(boardKey), IntToStr(mesNumber), Bytes(title),
          Bytes(resNumber),   IntToStr(writerId),  Bytes(writerName)};
}

void writeMessageKeys(LineWriter& out, const MessageKeys& k) {
  out.writeLine(k.BoardKey);
  out.writeLine(k.MesNumber);
  out.writeLine(k.Title);
  out.writeLine(k.ResNumber);
  out.writeLine(k.WriterId);
  out.writeLine(k.WriterName);
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

void deleteMessages(const std::filesystem::path& dir, int32_t count) { deleteMessages(dir, 1, count); }

void deleteMessages(const std::filesystem::path& dir, int32_t from, int32_t to) {
  for (int32_t n = std::max(from, 1); n <= to; ++n) removeQuietly(messagePath(dir, n));
}

void clearUnwritableMessages(const std::filesystem::path& dir, int32_t count) {
  for (int32_t n = 1; n <= count; ++n) {
    const auto file = messagePath(dir, n);
#if defined(__unix__) || defined(__APPLE__)
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) continue;
    // The name is no link here, so access() looks at this very file.
    if (S_ISREG(st.st_mode) && st.st_nlink == 1 && ::access(file.c_str(), W_OK) == 0) continue;
#endif
    removeQuietly(file);
  }
}

}  // namespace pelarin
