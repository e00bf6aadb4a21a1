// The settings file "pelarin.ini": 51 positional lines, no keys.
#pragma once

#include <filesystem>

#include "core/text/bytes.h"
#include "core/text/errors.h"

namespace pelarin {

struct AppState;
class AppHost;

inline constexpr char kSettingsName[] = "pelarin.ini";
inline constexpr char kHelpFileName[] = "pelarin.HLP";

// A line of the settings file that could not be read: the fields after it
// keep their initial values, and the next save would write those over the
// user's file. what() is the reason, then the file and line.
class SettingsLineError : public Error {
 public:
  SettingsLineError(const std::string& reason, const std::filesystem::path& file, size_t line);
  const std::filesystem::path& file() const { return file_; }
  size_t line() const { return line_; }

 private:
  std::filesystem::path file_;
  size_t line_;
};

// Reads dir + "pelarin.ini" into the state, then the follow-up steps: the board
// list caption, "bbs.ini" and the upload file, UploadRewrite, the help file and
// the viewer font. Throws: a bad line or a failed read as SettingsLineError;
// fields read before it keep their new values and no follow-up step runs.
void LoadSettings(ByteView dir, AppState& state, AppHost& host);

// Writes all 51 lines to WorkDir + "pelarin.ini" through a temporary file, so a
// failed save leaves the old file whole. Throws FileError.
void SaveSettings(const AppState& state);

}  // namespace pelarin
