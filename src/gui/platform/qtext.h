// Texts of the system (code page 932 bytes) to and from Qt's strings and paths.
#pragma once

#include <QString>
#include <filesystem>

#include "core/text/bytes.h"

namespace pelarin {
class FieldEncoder;
}

namespace pelarin::gui {

// Lossless: bytes without a Unicode form are carried (core/text/cp932.h), so that an editor
// gives back what it was given.
QString toQ(ByteView cp932);
Bytes toBytes(const QString& text);  // throws EncodeError naming what has no form
// One field of a window; FieldEncoder::check() reports every field at once.
Bytes toBytes(FieldEncoder& fields, const char* caption, const QString& text);

// For display only: every carried unit shows as U+FFFD.
QString toShownQ(ByteView cp932);

// A text of the system as a path of the platform, and back.
QString pathToQ(ByteView cp932Path);
Bytes pathToBytes(const QString& path);  // throws EncodeError
std::filesystem::path toPath(const QString& path);

}  // namespace pelarin::gui
