#include "core/logimport/storeleftovers.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <vector>

#include "core/logimport/messagefile.h"
#include "core/text/linewriter.h"

namespace pelarin {

namespace {

bool allDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

bool isStoreFileName(std::string_view name) {
  const std::string_view temp = kSortTempName;
  if (name == temp) return true;
  if (startsWith(name, temp) && name.size() > temp.size() + 1 && name[temp.size()] == '.')
    return allDigits(name.substr(temp.size() + 1));
  constexpr std::string_view prefix = "mes", suffix = ".tmp";
  if (name.size() <= prefix.size() + suffix.size() || !startsWith(name, prefix) ||
      name.substr(name.size() - suffix.size()) != suffix)
    return false;
  const std::string_view number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  return allDigits(number) && number[0] != '0';
}

int removeStoreLeftovers(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().native();
    if (isStoreFileName(name) || isUnfinishedWriteName(name)) found.push_back(it->path());
  }
  int removed = 0;
  // unlink never removes a directory, so one planted under such a name stays.
  for (const auto& file : found)
    if (::unlink(file.c_str()) == 0) ++removed;
  return removed;
}

}  // namespace pelarin
