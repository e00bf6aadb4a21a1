#include "core/logimport/sortmoves.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "core/logimport/messagefile.h"
#include "core/text/errors.h"
#include "core/text/progress.h"

namespace pelarin {

namespace fs = std::filesystem;

int renameNoReplace(const fs::path& from, const fs::path& to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
#endif
  // The file system cannot refuse a replacement itself: look first.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

namespace {

constexpr int kMaxSetAside = 1000;

[[noreturn]] void throwRenameError(const fs::path& from, const fs::path& to, int error) {
  if (error == EEXIST) throw FileError("Will not replace", to, error);
  throw FileError("Cannot rename", from, error);
}

// A temporary file left by an interrupted run may hold a message: keep it.
int64_t setAsideStaleTemp(const fs::path& temp, const RenameFile& rename) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(temp, ec))) return 0;
  for (int k = 1; k <= kMaxSetAside; ++k) {
    fs::path aside = temp;
    aside += "." + std::to_string(k);
    int error = rename(temp, aside);
    if (error == 0) return 1;
    if (error != EEXIST) throwRenameError(temp, aside, error);
  }
  throw FileError("Will not replace", temp, EEXIST);
}

class CycleMover {
 public:
  explicit CycleMover(const RenameFile& rename) : rename_(rename) {}

  void move(const fs::path& from, const fs::path& to) {
    if (int error = rename_(from, to)) {
      undo();
      throwRenameError(from, to, error);
    }
    done_.push_back({from, to});
  }

  // The cycle is complete: nothing left to undo.
  int64_t commit() {
    int64_t count = static_cast<int64_t>(done_.size());
    done_.clear();
    return count;
  }

 private:
  // Best effort: whatever cannot be moved back still holds its message.
  void undo() {
    for (auto it = done_.rbegin(); it != done_.rend(); ++it) rename_(it->to, it->from);
    done_.clear();
  }

  struct Move {
    fs::path from, to;
  };
  const RenameFile& rename_;
  std::vector<Move> done_;
};

}  // namespace

int64_t moveToOrder(const fs::path& dir, const std::vector<int32_t>& order, const RenameFile& rename,
                    Progress* progress) {
  const fs::path temp = dir / kSortTempName;
  const auto name = [&](int32_t p) { return messagePath(dir, p + 1); };
  const int32_t n = static_cast<int32_t>(order.size());
  std::vector<bool> placed(order.size(), false);
  CycleMover mover(rename);
  int64_t renames = 0;
  bool tempChecked = false;
  for (int32_t start = 0; start < n; ++start) {
    if (placed[start] || order[start] == start) continue;
    if (progress) progress->step(start);
    if (!tempChecked) {
      renames += setAsideStaleTemp(temp, rename);
      tempChecked = true;
    }
    mover.move(name(start), temp);
    int32_t p = start;
    for (; order[p] != start; p = order[p]) mover.move(name(order[p]), name(p));
    mover.move(temp, name(p));
    renames += mover.commit();
    for (p = start; !placed[p]; p = order[p]) placed[p] = true;
  }
  return renames;
}

}  // namespace pelarin
