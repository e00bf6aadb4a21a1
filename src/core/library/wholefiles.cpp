#include "core/library/wholefiles.h"

#include <sys/stat.h>

#include <mutex>
#include <optional>
#include <vector>

#include "core/library/sqlite.h"

namespace pelarin {

namespace {

struct Stamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{}, ctime{};
  bool operator==(const Stamp& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

// The file and its -wal: a commit lands in the -wal, a checkpoint in the file.
struct FileStamp {
  Stamp file;
  std::optional<Stamp> wal;
  bool operator==(const FileStamp&) const = default;
};

std::optional<Stamp> stampOf(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

std::optional<FileStamp> fileStampOf(const std::filesystem::path& file) {
  const auto stamp = stampOf(file);
  if (!stamp) return std::nullopt;
  auto wal = stampOf(file.string() + "-wal");
  // An empty -wal, as every opening makes one, holds nothing.
  if (wal && wal->size == 0) wal.reset();
  return FileStamp{*stamp, wal};
}

std::mutex mutex;
std::vector<FileStamp> whole;  // one per file (device and inode)

}  // namespace

std::string firstDamage(Database& db) {
  Statement check(db, "PRAGMA quick_check(1)");
  std::string result = check.step() ? check.text(0) : std::string();
  if (result == "ok") return {};
  // Its first line names the schema: "*** in database main ***".
  if (result.starts_with("***") && result.find('\n') != std::string::npos)
    result.erase(0, result.find('\n') + 1);
  return result.empty() ? "quick_check" : result;
}

bool knownWhole(const std::filesystem::path& file) {
  const auto now = fileStampOf(file);
  if (!now) return false;
  std::lock_guard lock(mutex);
  for (const FileStamp& s : whole)
    if (s == *now) return true;
  return false;
}

void rememberWhole(const std::filesystem::path& file) {
  const auto now = fileStampOf(file);
  if (!now) return;
  std::lock_guard lock(mutex);
  for (FileStamp& s : whole) {
    if (s.file.dev == now->file.dev && s.file.ino == now->file.ino) {
      s = *now;
      return;
    }
  }
  whole.push_back(*now);
}

}  // namespace pelarin
