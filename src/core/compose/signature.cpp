#include "core/compose/signature.h"

#include "core/text/linereader.h"
#include "core/text/linewriter.h"
#include "core/text/paths.h"

namespace pelarin {

std::optional<Lines> readSignature(const std::filesystem::path& file) {
  if (!entryExists(file)) return std::nullopt;
  LineReader in(file);
  Lines lines;
  while (!in.atEnd()) lines.push_back(in.readLine());
  return lines;
}

void ensureSignature(const std::filesystem::path& file) {
  std::error_code ec;
  if (std::filesystem::symlink_status(file, ec).type() == std::filesystem::file_type::regular) return;
  // Appending creates without truncating; a link or a directory there is refused.
  LineWriter out(file, LineWriter::Mode::Append);
  out.close();
}

void writeSignature(const std::filesystem::path& file, const Lines& lines) {
  ReplacingWriter out(file);
  for (const Bytes& line : lines) out.writeLine(line);
  out.commit();
}

}  // namespace pelarin
