// What the response and mail windows quote besides the message: the
// signature file and today's date.
#pragma once

#include <optional>

#include "core/compose/quotation.h"

namespace pelarin {
struct AppState;
struct StoredMessage;
}  // namespace pelarin

namespace pelarin::gui {

// The lines of WorkDir + "sig.txt", when it exists. Throws FileError.
std::optional<Lines> signatureLines(const AppState& state);

// Today in the system's short date form, date only.
Bytes todayShortDate();

// The body, the trimmed name of line 6 (which is also what the main window's
// writer name field shows of the message), the date and the signature.
QuoteSource quoteSource(const AppState& state, const StoredMessage& message);

}  // namespace pelarin::gui
