#include "core/library/exporttarget.h"

#include <sys/stat.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/app/appstate.h"
#include "core/app/lockfile.h"
#include "core/app/settings.h"
#include "core/app/settingsbackup.h"
#include "core/compose/draft.h"
#include "core/compose/signature.h"
#include "core/library/exporthtml.h"
#include "core/library/library.h"
#include "core/library/sha256.h"
#include "core/library/sqlite.h"
#include "core/lists/association.h"
#include "core/lists/bbsini.h"
#include "core/lists/listbuilders.h"
#include "core/logimport/messagefile.h"
#include "core/text/errors.h"
#include "core/text/paths.h"

namespace pelarin {

namespace {

namespace fs = std::filesystem;

constexpr char kLibraryFiles[] = "ライブラリのデータベース";
constexpr char kUploadScript[] = "アップロードスクリプト";
constexpr char kHeldLog[] = "ライブラリに取り込んだログ";

struct Identity {
  dev_t device;
  ino_t inode;
  bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(const fs::path& path, struct stat* st = nullptr) {
  struct stat own {};
  if (!st) st = &own;
  if (::stat(path.c_str(), st) != 0) return std::nullopt;
  return Identity{st->st_dev, st->st_ino};
}

fs::path parentOf(const fs::path& file) {
  const fs::path parent = file.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// The program's names compared as a file system that ignores case would.
std::string lowered(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

bool isStoreName(const std::string& name) {
  if (name.starts_with(kSortTempName)) return true;
  if (!name.starts_with("mes") || !name.ends_with(".tmp") || name.size() <= 7) return false;
  for (size_t i = 3; i + 4 < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

// What a name in the work directory is to the program, whether it exists yet
// or not; nullptr for none of its own.
const char* workDirKind(const std::string& fileName) {
  const std::string name = lowered(fileName);
  if (name.starts_with(kLibraryFileName)) return kLibraryFiles;  // -wal, -shm, -journal
  if (isStoreName(name)) return "メッセージファイル";
  if (name == kSettingsName || name == kSettingsBackupName) return "設定ファイル";
  if (name == kLockFileName) return "ロックファイル";
  if (name == kBbsIniName) return "関連付けのファイル";
  if (name == kSignatureFileName) return "署名のファイル";
  for (DraftKind kind : kDraftKinds)
    if (name.starts_with(draftFileName(kind))) return "下書き";  // with the .bad copies
  if (name.ends_with(kBoardListExtension)) return "ボードリスト";
  if (name.ends_with(kNameListExtension)) return "ネームリスト";
  return nullptr;
}

class OwnFiles {
 public:
  OwnFiles(Library& library, const AppState& state, const fs::path& workDir)
      : library_(library), workDir_(workDir), workDirId_(identityOf(workDir)) {
    const auto inWorkDir = [&](const fs::path& p) { return p.is_absolute() ? p : workDir / p; };
    const auto script = [&](const Bytes& file) {
      if (!file.empty()) scripts_.push_back(inWorkDir(pathFromText(state.TextFileDir + file)));
    };
    script(state.UploadFile);
    script(state.UpFileName);
    for (const BbsEntry& entry : state.BbsTable) {
      if (entry.Upload.empty()) continue;
      script(storedUploadFile(entry, state.UpFileName));
      script(lowerUploadFile(entry));
    }
    if (!state.LogFileDir.empty()) logDirId_ = identityOf(inWorkDir(pathFromText(state.LogFileDir)));
  }

  // What the file is to the program or the library; nullptr for none of these.
  const char* kindOf(const fs::path& file) {
    const std::string name = file.filename().string();
    const std::optional<Identity> dir = identityOf(parentOf(file));
    if (dir && dir == workDirId_)
      if (const char* kind = workDirKind(name)) return kind;
    for (const fs::path& s : scripts_)
      if (dir && identityOf(parentOf(s)) == dir && lowered(s.filename().string()) == lowered(name))
        return kUploadScript;

    struct stat st {};
    const std::optional<Identity> self = identityOf(file, &st);
    if (!self) return nullptr;
    for (const fs::path& s : scripts_)
      if (identityOf(s) == self) return kUploadScript;
    // Another name of a file of the work directory: a hard link, or a link to it.
    struct stat lst {};
    const bool linked = st.st_nlink > 1 || (::lstat(file.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode));
    if (linked) {
      std::error_code ec;
      for (fs::directory_iterator it(workDir_, ec), end; !ec && it != end; it.increment(ec))
        if (const char* kind = workDirKind(it->path().filename().string()))
          if (identityOf(it->path()) == self) return kind;
    }
    if (S_ISREG(st.st_mode) && holdsLogOf(file, static_cast<int64_t>(st.st_size))) return kHeldLog;
    if (dir && logDirId_ && dir == logDirId_) {
      Statement named(library_.database(), "SELECT 1 FROM sources WHERE name = ?1 LIMIT 1");
      named.bind(1, name);
      if (named.step()) return kHeldLog;
    }
    return nullptr;
  }

  // An upload script that a page of an HTML export in the folder would be.
  std::optional<fs::path> scriptAsPageIn(const fs::path& folder) {
    const std::optional<Identity> id = identityOf(folder);
    for (const fs::path& s : scripts_)
      if (id && isBoardPageName(s.filename().string()) && identityOf(parentOf(s)) == id) return s;
    return std::nullopt;
  }

 private:
  // The same bytes as a log the library holds: a copy, or the log itself.
  bool holdsLogOf(const fs::path& file, int64_t size) {
    Statement sized(library_.database(), "SELECT sha256 FROM sources WHERE size = ?1");
    sized.bind(1, size);
    std::optional<Bytes> digest;
    while (sized.step()) {
      if (!digest) {
        try {
          digest = sha256OfFile(file);
        } catch (const FileError&) {
          return false;  // unreadable: nothing of it can be compared
        }
      }
      if (Bytes(sized.blobView(0)) == *digest) return true;
    }
    return false;
  }

  Library& library_;
  fs::path workDir_;
  std::optional<Identity> workDirId_;
  std::optional<Identity> logDirId_;
  std::vector<fs::path> scripts_;
};

[[noreturn]] void refuse(const fs::path& file, const char* kind) {
  throw Error("'" + file.string() + "' は" + kind + "です。別の書き出し先を指定してください。");
}

}  // namespace

void refuseOwnFiles(Library& library, const AppState& state, const fs::path& workDir, ExportFormat format,
                    const fs::path& target) {
  OwnFiles own(library, state, workDir);
  const auto check = [&](const fs::path& file) {
    if (const char* kind = own.kindOf(file)) refuse(file, kind);
  };
  check(target);
  if (format != ExportFormat::Html) return;
  // The folder's pages: the mark, the index, every board page written or removed.
  check(target / kHtmlExportMark);
  check(target / "index.html");
  std::error_code ec;
  for (fs::directory_iterator it(target, ec), end; !ec && it != end; it.increment(ec))
    if (isBoardPageName(it->path().filename().string())) check(it->path());
  if (const auto script = own.scriptAsPageIn(target)) refuse(*script, kUploadScript);
}

}  // namespace pelarin
