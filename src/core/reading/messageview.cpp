#include "core/reading/messageview.h"

#include <algorithm>
#include <atomic>

#include "core/logimport/boardkey.h"
#include "core/reading/boardcode.h"
#include "core/text/cp932.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"

namespace pelarin {

namespace {

// The length of the longest start of `line` that does not end inside a
// double-byte character.
size_t wholeCharacters(ByteView line) {
  size_t i = 0;
  while (i < line.size()) {
    const size_t width = isLeadByte(static_cast<unsigned char>(line[i])) ? 2 : 1;
    if (i + width > line.size()) break;
    i += width;
  }
  return i;
}

std::atomic<uint64_t> reads{0};

}  // namespace

uint64_t messageViewReads() { return reads.load(std::memory_order_relaxed); }

Bytes lineCutMark(size_t omitted) {
  return utf8ToCp932("…（以下 " + std::to_string(omitted) + " バイト省略）");
}

void appendCutLine(Bytes& out, ByteView head, size_t more) {
  const size_t kept = wholeCharacters(head);
  out.append(head.substr(0, kept));
  out += lineCutMark(head.size() - kept + more);
}

Bytes capBodyLines(ByteView body, size_t lineCap, size_t bodyCap) {
  Bytes out;
  out.reserve(std::min(body.size(), std::min(bodyCap, size_t{1} << 20)));
  size_t pos = 0;
  while (pos < body.size()) {
    if (out.size() >= bodyCap) {
      out += lineCutMark(body.size() - pos) + "\r\n";
      break;
    }
    size_t end = body.find('\r', pos);
    if (end == ByteView::npos) end = body.size();
    const ByteView line = body.substr(pos, end - pos);
    if (line.size() > lineCap)
      appendCutLine(out, line.substr(0, lineCap), line.size() - lineCap);
    else
      out.append(line);
    pos = end;
    // The line end as it is: CR, with the LF after it.
    if (pos < body.size()) {
      const size_t next = pos + 1 < body.size() && body[pos + 1] == '\n' ? pos + 2 : pos + 1;
      out.append(body.substr(pos, next - pos));
      pos = next;
    }
  }
  return out;
}

MessageView readMessageView(const std::filesystem::path& dir, int32_t n, size_t lineCap) {
  LineReader in(messagePath(dir, n));
  reads.fetch_add(1, std::memory_order_relaxed);
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
    in.readHead(line, lineCap);
    if (in.hasRest())
      appendCutLine(v.body, line, in.skipRest());
    else
      v.body += line;
    v.body += "\r\n";
  }
  return v;
}

MessageView messageViewOf(const MessageKeys& k, ByteView body) {
  MessageView v;
  v.BoadNumber = BoardCode(k.BoardKey);
  v.fileArea = StrToInt(k.BoardKey) > kFileAreaBase;
  v.Mesnumber = unlessZero(k.MesNumber);
  v.Title = k.Title;
  v.ResTitle = k.ResNumber;
  v.IDnum = unlessZero(k.WriterId);
  v.WriterName = k.WriterName;
  v.body = Bytes(body);
  return v;
}

ListRow listRow(const MessageKeys& k) {
  return {BoardCode(k.BoardKey),
          unlessZero(k.MesNumber),
          unlessZero(k.WriterId),
          k.WriterName,
          k.Title,
          k.ResNumber};
}

}  // namespace pelarin
