#include "core/library/exportwrite.h"

#include "core/library/exportfile.h"
#include "core/library/exporthtml.h"
#include "core/library/exportmbox.h"
#include "core/library/exporttext.h"

namespace pelarin {

void writeExport(ExportFormat format, const std::vector<ExportMessage>& messages,
                 const std::filesystem::path& target, Progress* progress) {
  if (format == ExportFormat::Html) return exportHtml(messages, target, progress);
  writeExportFile(target, [&](std::ostream& out) {
    format == ExportFormat::Mbox ? exportMbox(messages, out, progress) : exportText(messages, out, progress);
  });
}

}  // namespace pelarin
