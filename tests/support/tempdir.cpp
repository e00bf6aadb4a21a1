#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>

#include "core/text/cp932.h"
#include "core/text/paths.h"

namespace pelarin::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pelarin-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

Bytes TempDir::text() const { return textFromPath(path_) + kSeparator; }

void writeFile(const std::filesystem::path& file, ByteView bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

Bytes readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, Bytes> filesIn(const std::filesystem::path& dir) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (std::filesystem::is_regular_file(entry.symlink_status()))
      files[entry.path().filename()] = readFile(entry.path());
  return files;
}

Bytes sj(std::string_view utf8) { return utf8ToCp932(utf8); }

Bytes crlf(std::initializer_list<ByteView> lines) {
  Bytes out;
  for (ByteView l : lines) {
    out.append(l);
    out += "\r\n";
  }
  return out;
}

}  // namespace pelarin::testing
