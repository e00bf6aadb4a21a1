// The library's messages as a folder of static pages: index.html with the
// hosts and boards, one page per board with its threads as a tree.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/library/exportmessage.h"

namespace pelarin {

class Progress;

// The file that marks a folder as an export, so a later export may replace it.
inline constexpr char kHtmlExportMark[] = ".pelarin-export";

// Writes into `folder`, made when missing. A link there, or a folder that
// holds other files and no earlier export, is refused with an Error and
// nothing written. Pages of an earlier export's boards that this one lacks
// are removed; other files are left alone. With progress, a step per message
// while the pages are made, all before the folder is touched: a cancel
// leaves it as it was.
void exportHtml(const std::vector<ExportMessage>& messages, const std::filesystem::path& folder,
                Progress* progress = nullptr);

// board-<N>.html: a page an export writes, or removes when it has no such board.
bool isBoardPageName(std::string_view name);

// Text for HTML: & < > " ' as references.
std::string htmlEscape(std::string_view text);

}  // namespace pelarin
