#include "core/library/libraryaccess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelarin {

namespace {

namespace fs = std::filesystem;

struct SideFile {
  fs::path path;
  bool exists = false;
  off_t size = 0;
};

// SQLite would refuse a link or a folder there with a text naming only the
// database, and a FIFO could hang a read.
SideFile sideFile(const fs::path& file, const char* suffix) {
  SideFile side{file.string() + suffix};
  struct stat st {};
  if (::lstat(side.path.c_str(), &st) != 0) return side;
  if (!S_ISREG(st.st_mode))
    throw LibraryError(
        "次のファイルが通常のファイルではない（リンク、フォルダなど）ため、ライブラリを開けません。\n" +
        side.path.string());
  side.exists = true;
  side.size = st.st_size;
  return side;
}

// A side file that another program's close removed since it was seen is no
// refusal: SQLite makes it anew.
bool writable(const fs::path& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 || errno == ENOENT;
}

fs::path folderOf(const fs::path& file) {
  return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

}  // namespace

LibraryAccess libraryAccess(const fs::path& file) {
  const SideFile wal = sideFile(file, "-wal");
  const SideFile shm = sideFile(file, "-shm");
  LibraryAccess access;
  struct stat st {};
  // A file yet to be made is SQLite's to refuse, naming it.
  if (::lstat(file.c_str(), &st) != 0) return access;
  if (!writable(file)) access.unwritable.push_back(file);
  if (!writable(folderOf(file))) access.unwritable.push_back(folderOf(file));
  if (wal.exists && !writable(wal.path)) access.unwritable.push_back(wal.path);
  if (shm.exists && !writable(shm.path)) access.unwritable.push_back(shm.path);
  if (access.unwritable.empty()) return access;
  // Opened read-only, SQLite makes a -shm (and a -wal) beside the file as
  // unwritable as the file, which would later stop every writer. The
  // immutable open makes none; only a -wal holding transactions needs the
  // -shm to be read, and then both are there already.
  access.mode = wal.size > 0 && shm.exists ? Database::Mode::ReadOnly : Database::Mode::Immutable;
  return access;
}

Database::Mode inspectionMode(const fs::path& file) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0)
    throw LibraryError("ライブラリのファイルがありません。\n" + file.string());
  const LibraryAccess access = libraryAccess(file);
  if (!access.unwritable.empty()) return access.mode;
  // A -wal and -shm there mean a program may have it open: read through
  // them, under SQLite's locks. A -shm made now for a -wal holding
  // transactions is as usable as the one a crash leaves. Otherwise the file
  // alone is the library.
  const SideFile wal = sideFile(file, "-wal"), shm = sideFile(file, "-shm");
  return (wal.exists && shm.exists) || wal.size > 0 ? Database::Mode::ReadOnly : Database::Mode::Immutable;
}

std::string cannotWriteText(const std::vector<fs::path>& unwritable) {
  std::string text =
      "書き込む権限がないため、ライブラリに書き込めません。次のファイルやフォルダを書き込めるようにしてくださ"
      "い。";
  bool shm = false;
  for (const fs::path& p : unwritable) shm = shm || p.string().ends_with("-shm");
  // A -shm is rebuilt from the -wal; a -wal holds transactions and must stay.
  if (shm) text += "-shm のファイルは、ライブラリを使うプログラムがないときは削除してもかまいません。";
  for (const fs::path& p : unwritable) text += "\n" + p.string();
  return text;
}

}  // namespace pelarin
