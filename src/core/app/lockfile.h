// The lock file "upload.tmp": an empty file in the work directory on which the
// owning copy holds an advisory lock for its whole run. A file left by a copy
// that was killed holds no lock, so the next start takes it over.
#pragma once

#include <filesystem>
#include <functional>

namespace pelarin {

inline constexpr char kLockFileName[] = "upload.tmp";

class WorkDirLock {
 public:
  enum class Outcome {
    Owner,      // the file did not exist: this copy made it
    TakenOver,  // the file was there without a live holder
    Refused,    // another live copy holds it
  };

  // Tries once to own the file; throws FileError when it cannot be opened or
  // locked for another reason. beforeLock runs once between the first open
  // and the lock (a seam for tests of the race with a closing owner).
  explicit WorkDirLock(std::filesystem::path file, const std::function<void()>& beforeLock = {});
  ~WorkDirLock();  // releases the lock and leaves the file (a stale file for the next start)
  WorkDirLock(const WorkDirLock&) = delete;
  WorkDirLock& operator=(const WorkDirLock&) = delete;

  Outcome outcome() const { return outcome_; }
  bool owns() const { return fd_ >= 0; }

  // The owner's end: removes the file while it still holds the lock, then lets go.
  void release();

 private:
  std::filesystem::path file_;
  int fd_ = -1;
  Outcome outcome_ = Outcome::Refused;
};

}  // namespace pelarin
