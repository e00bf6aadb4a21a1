// Text bound for a terminal: a log's control characters shown, never obeyed,
// so a captured escape sequence cannot move the cursor, set the title or
// write the clipboard.
#pragma once

#include <string>
#include <string_view>

namespace pelarin {

// UTF-8 with every control character but TAB and LF in caret notation: C0 as
// ^@..^_ (ESC is ^[), DEL as ^?, the C1 controls U+0080..U+009F as M-^@..M-^_.
// A byte that is no part of a UTF-8 character is shown as cat -v shows it
// (M-^[ for 0x9B, M-x above 0x9F), so an 8-bit terminal sees no control either.
std::string visibleControls(std::string_view utf8);

}  // namespace pelarin
