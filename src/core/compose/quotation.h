// Quotation of the answered message: the selected lines, the header and footer
// lines, the quoted lines, and the texts the response and mail editors start with.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "core/compose/uploadrecords.h"

namespace pelarin {

struct AppState;

// SelFirstLine and SelLastLine from the selection in the viewer's lines
// (byte positions, line breaks counting 2); both -1 when nothing is selected.
void QuotationRange(AppState& state, std::span<const size_t> lineLengths, size_t selStart, size_t selLength);

// The writer name less all trailing bytes 0-32.
Bytes trimmedName(ByteView name);

// The centre item of a header or footer: 0 nothing, 1 the name, 2 the date.
Bytes centreText(int32_t kind, ByteView name, ByteView today);

// Left + centre + suffix + right.
Bytes headerText(const AppState& state, ByteView name, ByteView today);
Bytes footerText(const AppState& state, ByteView name, ByteView today);

// QuoteStyle 1: the writer name field (trimmed), the mark, the line; else the mark and the line.
Bytes quotedLine(const AppState& state, ByteView writerField, ByteView line);

// What a quotation reads besides the settings.
struct QuoteSource {
  Lines body;                      // lines 7 and on of the message file
  Bytes name;                      // line 6, trimmed
  Bytes writerField;               // the main window's writer name field, trimmed
  Bytes today;                     // the date in the platform's short form
  std::optional<Lines> signature;  // "sig.txt", when it exists
};

// [header], the quoted lines of the range, one empty line, signature, [footer];
// header and footer only when their centre text is not empty.
Lines FillResponseEditor(const AppState& state, const QuoteSource& source);

// [header], every body line quoted, signature, [footer], one empty line;
// header and footer whenever their whole text is not empty.
Lines FillMailEditor(const AppState& state, const QuoteSource& source);

}  // namespace pelarin
