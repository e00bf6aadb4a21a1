#include "core/lists/bbsini.h"

#include "core/text/linereader.h"
#include "core/text/linewriter.h"

namespace pelarin {

namespace {
template <typename Table, typename Visit>
void eachValue(Table& table, Visit visit) {
  for (auto& e : table) visit(e.List);
  for (auto& e : table) visit(e.Target);
  for (auto& e : table) visit(e.Upload);
}
}  // namespace

BbsTableType readBbsIni(const std::filesystem::path& file) {
  LineReader in(file);
  BbsTableType table{};
  eachValue(table, [&](Bytes& value) { in.readLine(value); });
  return table;
}

void writeBbsIni(const std::filesystem::path& file, const BbsTableType& table) {
  ReplacingWriter out(file);
  eachValue(table, [&](const Bytes& value) { out.writeLine(value); });
  out.commit();
}

}  // namespace pelarin
