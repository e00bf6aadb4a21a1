// Where an export may not write: over the library's database and its
// companions, the store, the program's own files, the upload scripts and the
// logs the library holds. The command line and the Library window both ask
// here before anything is written.
#pragma once

#include <filesystem>

#include "core/library/exportwrite.h"

namespace pelarin {

class Library;
struct AppState;

// Throws Error naming the file when the export in `format` to `target` would
// replace or remove one of them: the same file by another name or a hard link
// (same device and inode), a name of the work directory the program or the
// library may make later, the upload scripts the settings and bbs.ini name,
// a copy of a log the library holds (size and SHA-256), or a file of the log
// directory named as one. For HTML every page the export writes or removes
// in the folder is looked at. state gives the settings; workDir is the
// library's directory.
void refuseOwnFiles(Library& library, const AppState& state, const std::filesystem::path& workDir,
                    ExportFormat format, const std::filesystem::path& target);

}  // namespace pelarin
