// The reader's state (read, marks, muted threads and writers, saved
// searches) as a plain text file, to carry to another library: one line a
// fact, by message identity, so that it finds the same messages there.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>

namespace pelarin {

class Library;

void writeReaderState(Library& library, std::ostream& out);

// Adds what the text holds to what the library keeps (a saved search whose
// name is taken keeps the library's); returns the facts read. A line it
// cannot read throws LibraryError naming the line, and nothing is added.
size_t readReaderState(Library& library, std::istream& in);

}  // namespace pelarin
