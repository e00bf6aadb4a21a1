// Helpers for tests: a temporary directory that removes itself, whole-file
// reads and writes, and code page 932 text from UTF-8 literals.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "core/text/bytes.h"

namespace pelarin::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // The directory as a text of the system, ending in the separator.
  Bytes text() const;

 private:
  std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& file, ByteView bytes);
Bytes readFile(const std::filesystem::path& file);
// The regular files of a folder by name, with their bytes.
std::map<std::string, Bytes> filesIn(const std::filesystem::path& dir);

// UTF-8 test text to code page 932 bytes.
Bytes sj(std::string_view utf8);

// Joins lines with CR LF after each.
Bytes crlf(std::initializer_list<ByteView> lines);

}  // namespace pelarin::testing
