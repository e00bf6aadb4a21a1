// The encodings a mail needs for UTF-8 text: RFC 2047 header words folded
// under 78 columns, quoted-printable and base64.
#pragma once

#include <string>
#include <string_view>

namespace pelarin {

// Lines end in LF: an mbox file keeps the platform's line ends.
inline constexpr size_t kHeaderColumns = 78;

// "Name: value" with its folds and the closing LF. The value goes as it is
// when it is printable ASCII that fits; otherwise as encoded-words after an
// optional ASCII lead kept readable (a board code, say).
void appendTextHeader(std::string& out, std::string_view name, std::string_view value,
                      std::string_view asciiLead = {});

// "Name: display <address>": the display name quoted or encoded as needed.
void appendAddressHeader(std::string& out, std::string_view name, std::string_view display,
                         std::string_view address);

// Quoted-printable with LF line ends; a line that would begin with
// ">*From " has its first character encoded, so no mbox reader mistakes it
// for the start of a mail.
void appendQuotedPrintable(std::string& out, std::string_view body);

std::string base64(std::string_view bytes);

}  // namespace pelarin
