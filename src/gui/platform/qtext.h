// Texts of the system (code page 932 bytes) to and from Qt's strings and paths.
#pragma once

#include <QString>
#include <filesystem>

#include "core/text/bytes.h"

namespace pelarin::gui {

QString toQ(ByteView cp932);          // never fails: invalid bytes show as U+FFFD
Bytes toBytes(const QString& text);   // throws EncodeError naming what has no form

// A text of the system as a path of the platform, and back.
QString pathToQ(ByteView cp932Path);
Bytes pathToBytes(const QString& path);  // throws EncodeError
std::filesystem::path toPath(const QString& path);

}  // namespace pelarin::gui
