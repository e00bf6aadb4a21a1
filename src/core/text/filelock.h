// An exclusive advisory lock on a file that is rewritten whole (a new file
// renamed over it) by one writer while others append to it in place, so that
// nothing appended is written over.
//
// The lock is flock(2) on the file itself: what flock(1) takes, and so what a
// script or another program on Linux takes before it appends. It belongs to
// the open file, not the process, so reading the file through another
// descriptor and closing it keeps the lock (an fcntl lock would go with it).
//
// Every writer opens the name, locks, and then checks that the name still
// names the file it locked: a rewrite that renamed a new file over it while
// the writer waited leaves it a lock on a file no one reads, so it lets go and
// starts again on the new one. A rewrite reads, writes the new file and
// renames it while it holds the lock on the old one; an append writes while it
// holds the lock. A program that appends after flock(1) alone, without that
// check, may still lose a line to two rewrites in quick succession.
#pragma once

#include <chrono>
#include <filesystem>

namespace pelarin {

inline constexpr std::chrono::milliseconds kFileLockWait{10000};

class FileLock {
 public:
  // Takes the lock, making the file empty when it is missing. A name that is
  // a link or no regular file, that cannot be opened, or on a file system
  // without such locks, is left unlocked: the write that follows refuses or
  // replaces it as it would. Held by another for longer than `wait`, it
  // throws FileError.
  explicit FileLock(std::filesystem::path path, std::chrono::milliseconds wait = kFileLockWait);
  // A file the lock made and nothing filled is removed again before it lets go.
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const { return fd_ >= 0; }
  // The file did not exist: what it holds now was written under this lock.
  bool created() const { return created_; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  bool created_ = false;
};

}  // namespace pelarin
