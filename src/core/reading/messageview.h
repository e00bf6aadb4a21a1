// What the main window and the message list show of a stored message.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "core/logimport/messagefile.h"
#include "core/text/bytes.h"

namespace pelarin {

struct MessageView {
  Bytes BoadNumber;  // board code
  bool fileArea = false;  // the writer caption reads "File" instead of "Writer"
  Bytes Mesnumber;   // empty for "0"
  Bytes Title;
  Bytes ResTitle;
  Bytes IDnum;       // empty for "0"
  Bytes WriterName;
  Bytes body;        // every body line followed by CR LF
};

// Reads message n. Throws FileError, or ConversionError for a bad board key.
MessageView readMessageView(const std::filesystem::path& dir, int32_t n);

// The six cells of a list row: board code, message number, ID, writer, title, reply number.
using ListRow = std::array<Bytes, 6>;
ListRow listRow(const MessageKeys& keys);

// "0" in the message number and ID lines means no value.
inline Bytes unlessZero(const Bytes& field) { return field == "0" ? Bytes() : field; }

}  // namespace pelarin
