#include "cli/commands.h"
#include "core/lists/listbuilders.h"

namespace pelarin::cli {

namespace {

std::filesystem::path listFile(const Invocation& inv, const char* extension) {
  return inv.dir / std::filesystem::path(inv.listName + extension);
}

}  // namespace

void runBoards(const Invocation& inv, std::FILE* out) {
  std::fprintf(out, "%zu\n", MakeBoardList(inv.logs.front(), listFile(inv, kBoardListExtension)));
}

void runNames(const Invocation& inv, std::FILE* out) {
  std::fprintf(out, "%zu\n", MakeNameList(inv.logs.front(), listFile(inv, kNameListExtension)));
}

}  // namespace pelarin::cli
