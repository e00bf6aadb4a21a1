// What the main window and the message list show of a stored message.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "core/logimport/messagefile.h"
#include "core/text/bytes.h"

namespace pelarin {

struct MessageView {
  Bytes BoadNumber;       // board code
  bool fileArea = false;  // the writer caption reads "File" instead of "Writer"
  Bytes Mesnumber;        // empty for "0"
  Bytes Title;
  Bytes ResTitle;
  Bytes IDnum;  // empty for "0"
  Bytes WriterName;
  Bytes body;  // every body line followed by CR LF
};

// What the viewer holds of one body line, in bytes: a line captured without
// line ends can run to hundreds of megabytes.
inline constexpr size_t kViewerLineCap = 4096;

// Reads message n. Body lines longer than lineCap bytes are cut at a
// character boundary and end in lineCutMark of the bytes left out; the file
// itself is not changed. Throws FileError, or ConversionError for a bad board key.
MessageView readMessageView(const std::filesystem::path& dir, int32_t n,
                            size_t lineCap = static_cast<size_t>(-1));

// The same view of a message held elsewhere (the library): keys and the
// body as its file holds it.
MessageView messageViewOf(const MessageKeys& keys, ByteView body);

// How many times this process has read a message through readMessageView,
// for the tests and benchmarks that hold a command to one read.
uint64_t messageViewReads();

// "…（以下 N バイト省略）" in code page 932.
Bytes lineCutMark(size_t omitted);

// A line cut after `head` with `more` bytes left out: the head up to its last
// whole character, then lineCutMark of everything left out.
void appendCutLine(Bytes& out, ByteView head, size_t more);

// A body held in memory with every line longer than lineCap bytes cut as
// readMessageView cuts it; line ends and shorter lines stay as they are. Once
// bodyCap bytes are held, a line of lineCutMark of the bytes left ends it.
Bytes capBodyLines(ByteView body, size_t lineCap, size_t bodyCap = static_cast<size_t>(-1));

// The six cells of a list row: board code, message number, ID, writer, title, reply number.
using ListRow = std::array<Bytes, 6>;
ListRow listRow(const MessageKeys& keys);

// "0" in the message number and ID lines means no value.
inline Bytes unlessZero(const Bytes& field) { return field == "0" ? Bytes() : field; }

}  // namespace pelarin
