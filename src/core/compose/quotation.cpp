#include "core/compose/quotation.h"

#include "core/app/appstate.h"
#include "core/compose/counters.h"

namespace pelarin {

namespace {

bool inRange(const AppState& state, size_t line) {
  if (state.SelFirstLine == -1 && state.SelLastLine == -1) return true;
  const auto i = static_cast<int64_t>(line);
  return state.SelFirstLine <= i && i <= state.SelLastLine;
}

}  // namespace

void QuotationRange(AppState& state, std::span<const size_t> lineLengths, size_t selStart, size_t selLength) {
  if (selLength == 0) {
    state.SelFirstLine = -1;
    state.SelLastLine = -1;
    return;
  }
  state.SelFirstLine = static_cast<int32_t>(positionInLines(lineLengths, selStart).line);
  state.SelLastLine = static_cast<int32_t>(positionInLines(lineLengths, selStart + selLength).line);
}

Bytes trimmedName(ByteView name) {
  while (!name.empty() && static_cast<unsigned char>(name.back()) <= 0x20) name.remove_suffix(1);
  return Bytes(name);
}

Bytes centreText(int32_t kind, ByteView name, ByteView today) {
  switch (kind) {
    case 1:
      return Bytes(name);
    case 2:
      return Bytes(today);
    default:
      return {};
  }
}

Bytes headerText(const AppState& state, ByteView name, ByteView today) {
  return state.HeaderLeft + centreText(state.HeaderCenter, name, today) + state.HeaderSuffix +
         state.HeaderRight;
}

Bytes footerText(const AppState& state, ByteView name, ByteView today) {
  return state.FooterLeft + centreText(state.FooterCenter, name, today) + state.FooterSuffix +
         state.FooterRight;
}

Bytes quotedLine(const AppState& state, ByteView writerField, ByteView line) {
  Bytes quoted = state.QuoteStyle == 1 ? trimmedName(writerField) : Bytes();
  quoted += state.QuoteMark;
  quoted += line;
  return quoted;
}

Lines FillResponseEditor(const AppState& state, const QuoteSource& source) {
  Lines lines;
  if (!centreText(state.HeaderCenter, source.name, source.today).empty())
    lines.push_back(headerText(state, source.name, source.today));
  for (size_t i = 0; i < source.body.size(); ++i)
    if (inRange(state, i)) lines.push_back(quotedLine(state, source.writerField, source.body[i]));
  lines.emplace_back();
  if (source.signature) lines.insert(lines.end(), source.signature->begin(), source.signature->end());
  if (!centreText(state.FooterCenter, source.name, source.today).empty())
    lines.push_back(footerText(state, source.name, source.today));
  return lines;
}

Lines FillMailEditor(const AppState& state, const QuoteSource& source) {
  Lines lines;
  if (Bytes header = headerText(state, source.name, source.today); !header.empty()) lines.push_back(header);
  for (const Bytes& line : source.body) lines.push_back(quotedLine(state, source.writerField, line));
  if (source.signature) lines.insert(lines.end(), source.signature->begin(), source.signature->end());
  if (Bytes footer = footerText(state, source.name, source.today); !footer.empty()) lines.push_back(footer);
  lines.emplace_back();
  return lines;
}

}  // namespace pelarin
