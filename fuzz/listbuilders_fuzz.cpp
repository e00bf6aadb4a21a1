// Feeds arbitrary bytes to the board and name list builders as a log: each
// must write a list whose entries have the forms the picks cut from, or stop
// with one of the system's errors and leave the previous list.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/lists/listbuilders.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/paths.h"

namespace {

namespace fs = std::filesystem;

const fs::path& workDir() {
  static const fs::path dir = [] {
    std::string pattern = (fs::temp_directory_path() / "pelarin-lists-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return fs::path(pattern);
  }();
  return dir;
}

void write(const fs::path& file, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A board entry: "BF" or B/I and a number, the blanks after it, 20 name bytes.
bool boardEntryForm(const pelarin::Bytes& e) {
  if (e.starts_with("BF    ")) return e.size() == 26;
  if (e.empty() || (e[0] != 'B' && e[0] != 'I')) return false;
  size_t i = 1;
  if (i < e.size() && e[i] == '-') ++i;
  const size_t digits = i;
  while (i < e.size() && isDigit(e[i])) ++i;
  if (i == digits) return false;
  return e.size() >= i + 2 + 20 && e.compare(i, 2, "  ") == 0;
}

// Checks the entries after `skip` title lines; the title itself may be anything.
template <typename Form>
void checkList(const fs::path& list, size_t entries, Form form) {
  pelarin::LineReader in(list);
  std::vector<pelarin::Bytes> lines;
  while (!in.atEnd()) lines.push_back(in.readLine());
  if (lines.size() != entries && lines.size() != entries + 1) std::abort();
  for (size_t i = lines.size() - entries; i < lines.size(); ++i)
    if (!form(lines[i])) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& dir = workDir();
  const fs::path log = dir / "in.log";
  const fs::path bod = dir / "l.bod";
  const fs::path nam = dir / "l.nam";
  write(log, data, size);
  const uint8_t old[] = "old\r\n";
  write(bod, old, 5);
  try {
    checkList(bod, pelarin::MakeBoardList(log, bod), boardEntryForm);
  } catch (const pelarin::ConversionError&) {
    // The previous list stays whole.
    pelarin::LineReader in(bod);
    if (in.readLine() != "old" || !in.atEnd()) std::abort();
  }
  checkList(nam, pelarin::MakeNameList(log, nam), [](const pelarin::Bytes& e) {
    return e.size() == 23 && e.compare(2, 4, "0001") >= 0 && e.compare(2, 4, "9999") <= 0;
  });
  if (pelarin::fileExists(dir / "l.bod.new") || pelarin::fileExists(dir / "l.nam.new")) std::abort();
  return 0;
}
