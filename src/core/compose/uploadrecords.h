// The three records of the upload script, line by line, and the texts the
// composers cut from their fields and picks.
#pragma once

#include <array>
#include <vector>

#include "core/text/bytes.h"

namespace pelarin {

using Lines = std::vector<Bytes>;

inline constexpr int kMailIds = 10;
using MailIds = std::array<Bytes, kMailIds>;

// An editor's text as lines: split at LF (a CR before it belongs to the line
// end); one line break at the very end adds no further line; no text, no lines.
Lines editorLines(ByteView text);

// board, "W", title, body, "/es", "E".
Lines newMessageRecord(ByteView board, ByteView title, const Lines& body);
// board, "J" + number, "W1", title, body, "/es", "E".
Lines responseRecord(ByteView board, ByteView mesnum, ByteView title, const Lines& body);
// "M", "W", ID0, then ID1.. up to the first empty one, which gives one empty
// line and ends the list (none when all ten are filled), title, body, "/es", "E".
Lines mailRecord(const MailIds& ids, ByteView title, const Lines& body);

// The New Message window's OK rule: a title, and a board text whose first
// character is B or I and whose second is 1-9, or F after B.
bool newMessageAccepted(ByteView board, ByteView title);

// A picked board list entry as a board number: its first 5 bytes less trailing
// bytes 0-32.
Bytes boardFromPick(ByteView entry);

// A picked name list entry as an ID: its bytes 3 to 6 read by the strict
// integer rule, written back in decimal. Throws ConversionError.
Bytes idFromPick(ByteView entry);

// The board code a response addresses, from line 1 of the answered message:
// "I" + (key - 10000) above 10000, "BF" for "0", else "B" + the line as stored.
// Throws ConversionError when the line is not an integer.
Bytes responseBoardCode(ByteView keyLine);

}  // namespace pelarin
