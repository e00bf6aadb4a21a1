// The library's messages as an mboxrd file that mail readers thread by
// Message-ID, In-Reply-To and References.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/library/exportmessage.h"

namespace pelarin {

// "<number.boardKey@domain>" for a numbered message; a mail (number 0) has
// no number of its own and takes the library's id: "<mail.id.boardKey@domain>".
// The same message gets the same Message-ID in every export.
std::string messageId(std::string_view host, int32_t boardKey, int32_t number, int64_t id);
std::string messageIdOf(const ExportMessage& message);

// The ids the message answers, root first and parent last: from its
// ancestors' numbers, or only its reply number's message when the library
// lacks the parent (the mail readers still group its siblings).
std::vector<std::string> referencesOf(const ExportMessage& message);

// The domain of a host's addresses and Message-IDs: host names are user
// text, so it is a hash of the name, "local" for none.
std::string hostDomain(std::string_view host);

class Progress;

// One mail per message, in the given order; the stream's failure is the
// caller's to check. With progress, a step per message written.
void exportMbox(const std::vector<ExportMessage>& messages, std::ostream& out, Progress* progress = nullptr);
// One mail, appended: for a caller that streams the messages itself.
void appendMboxMessage(std::string& out, const ExportMessage& message);

}  // namespace pelarin
