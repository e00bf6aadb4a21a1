// What the fuzz targets share: a private work directory, writing the input,
// and an independent reading of the input's lines to check results against.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/logform.h"
#include "core/text/paths.h"

namespace fuzzing {

namespace fs = std::filesystem;

// One directory per process, made at first use; in memory where the machine
// has it, since every save syncs to disk and would set the pace. It goes when
// the process ends normally (a merge starts many), and stays after a crash.
struct WorkDir {
  fs::path path;
  ~WorkDir() {
    std::error_code error;
    fs::remove_all(path, error);
  }
};

inline const fs::path& workDir(const char* name) {
  static const WorkDir dir{[name] {
    std::error_code error;
    const fs::path base =
        fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / (std::string(name) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) std::abort();
    return fs::path(pattern);
  }()};
  return dir.path;
}

inline void writeFile(const fs::path& file, std::string_view bytes) {
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) std::abort();
  if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
}

inline std::string readFile(const fs::path& file) {
  std::string bytes;
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) std::abort();
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

// The lines of a text by the system's rules, written out again here so that a
// fault in the product's reader cannot hide itself: CR ends a line and takes one
// LF after it along, an LF alone stays in the line, Ctrl-Z ends the text.
inline std::vector<std::string> lines(std::string_view text) {
  if (size_t z = text.find('\x1a'); z != std::string_view::npos) text = text.substr(0, z);
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t cr = text.find('\r', pos);
    if (cr == std::string_view::npos) {
      out.emplace_back(text.substr(pos));
      break;
    }
    out.emplace_back(text.substr(pos, cr - pos));
    pos = cr + 1;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  return out;
}

// A log's lines as the program reads a log: a log with no CR at all ends its lines at LF, and one
// in UTF-8 or EUC-JP is read as the code page 932 text it came from (the converter is the
// product's own, tested on its own).
inline std::vector<std::string> logLines(std::string_view text) {
  if (size_t z = text.find('\x1a'); z != std::string_view::npos) text = text.substr(0, z);
  pelarin::LogFormGuess guess;
  guess.feed(text);
  const pelarin::LogForm form = guess.result();
  std::string bytes(text);
  if (form.encoding != pelarin::LogEncoding::Cp932) {
    pelarin::LogTranscoder transcoder(form.encoding);
    bytes.clear();
    transcoder.convert(text, bytes, true);
    if (size_t z = bytes.find('\x1a'); z != std::string::npos) bytes.resize(z);
  }
  if (!form.lfLineEnds) return lines(bytes);
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t lf = bytes.find('\n', pos);
    if (lf == std::string::npos) {
      out.emplace_back(bytes.substr(pos));
      break;
    }
    out.emplace_back(bytes.substr(pos, lf - pos));
    pos = lf + 1;
  }
  return out;
}

// Removes every file of the directory but those named.
inline void clearDir(const fs::path& dir, const std::vector<std::string>& keep = {}) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    bool kept = false;
    for (const auto& k : keep) kept = kept || entry.path().filename() == k;
    if (!kept) pelarin::removeQuietly(entry.path());
  }
}

// Says which property failed before the run stops on it.
inline void check(bool condition, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed: %s:%d\n", file, line);
  std::abort();
}

}  // namespace fuzzing
