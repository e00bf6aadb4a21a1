#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/lists/listbuilders.h"

namespace pelarin::cli {

namespace {

std::filesystem::path listFile(const Invocation& inv, const char* extension) {
  return inv.dir / std::filesystem::path(inv.listName + extension);
}

}  // namespace

void runBoards(const Invocation& inv, std::FILE* out) {
  print(out, std::to_string(MakeBoardList(inv.logs.front(), listFile(inv, kBoardListExtension))) + '\n');
}

void runNames(const Invocation& inv, std::FILE* out) {
  print(out, std::to_string(MakeNameList(inv.logs.front(), listFile(inv, kNameListExtension))) + '\n');
}

}  // namespace pelarin::cli
