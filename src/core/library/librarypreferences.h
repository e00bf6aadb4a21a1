// The program's choices about the library, kept in the library itself so
// that "pelarin.ini" keeps its lines as they are.
#pragma once

#include <optional>
#include <string>

namespace pelarin {

class Library;

inline constexpr char kImportOnLoad[] = "import-on-load";

std::optional<std::string> preference(Library& library, const std::string& key);
void setPreference(Library& library, const std::string& key, const std::string& value);

// Loads, appends and drops add their logs unless turned off.
bool importsOnLoad(Library& library);

}  // namespace pelarin
