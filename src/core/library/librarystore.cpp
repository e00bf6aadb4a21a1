#include "core/library/librarystore.h"

#include <limits>

#include "core/library/library.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/storeindex.h"
#include "core/text/linewriter.h"

namespace pelarin {

int32_t highestMessageFile(const std::filesystem::path& dir) {
  int32_t highest = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 8 || !name.starts_with("mes") || !name.ends_with(".tmp")) continue;
    const std::string digits = name.substr(3, name.size() - 7);
    if (digits.empty() || digits.size() > 9 || digits[0] == '0') continue;
    bool ok = true;
    for (char c : digits) ok = ok && c >= '0' && c <= '9';
    if (ok) highest = std::max(highest, static_cast<int32_t>(std::stol(digits)));
  }
  return highest;
}

int32_t writeStoreFrom(Library& library, const std::vector<int64_t>& ids, const std::filesystem::path& dir,
                       StoreIndex* index) {
  if (ids.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() - 1))
    throw std::length_error("too many messages for one store");
  const auto count = static_cast<int32_t>(ids.size());
  const int32_t previous = highestMessageFile(dir);
  // As a load writes over the store: never through a link or a shared file.
  clearUnwritableMessages(dir, std::min(previous, count));
  if (index) index->clear();
  for (int32_t n = 1; n <= count; ++n) {
    LibraryMessage m = library.message(ids[static_cast<size_t>(n - 1)]);
    LineWriter out(messagePath(dir, n), LineWriter::Mode::Overwrite);
    out.write(m.fileBytes());
    out.close();
    if (index) index->put(n, std::move(m.keys));
  }
  deleteMessages(dir, count + 1, previous);
  return count;
}

void appendToStoreFrom(Library& library, int64_t id, const std::filesystem::path& dir, int32_t n,
                       StoreIndex& index) {
  LibraryMessage m = library.message(id);
  // Above the store's end the name holds nothing of value; a link there is taken away, not followed.
  deleteMessages(dir, n, n);
  LineWriter out(messagePath(dir, n), LineWriter::Mode::Truncate);
  out.write(m.fileBytes());
  out.close();
  index.put(n, std::move(m.keys));
}

}  // namespace pelarin
