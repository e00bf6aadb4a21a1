// Drafts: an open composer's fields and text, kept in a file of the work
// directory while it is written, so a program that is killed or a machine that
// stops loses at most the last moments of typing. One file per composer kind.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/text/bytes.h"
#include "core/text/errors.h"

namespace pelarin {

enum class DraftKind { Response, NewMessage, Mail };
inline constexpr DraftKind kDraftKinds[] = {DraftKind::Response, DraftKind::NewMessage, DraftKind::Mail};

struct DraftField {
  const char* name;  // the control's name
  // UTF-8 as the window shows it, which keeps what has no code page 932 form
  // until OK reports it; otherwise the system's bytes, as the record writes them.
  bool utf8;
};

// The fields of a kind, in the order they are written.
const std::vector<DraftField>& draftFields(DraftKind kind);

// The file name in the work directory; never one the start-up clean-up of the
// message store removes.
const char* draftFileName(DraftKind kind);
std::filesystem::path draftPath(ByteView workDir, DraftKind kind);

struct Draft {
  DraftKind kind = DraftKind::NewMessage;
  // The upload script the composition is for (TextFileDir, UploadFile).
  Bytes textFileDir;
  Bytes uploadFile;
  // Every field of draftFields(kind), by name.
  std::map<std::string, Bytes> fields;
  // An edit of a record of the script: its bytes as they were read and its
  // place (from 0); empty for a new composition, whose file has no such lines.
  Bytes replaces;
  size_t replacesAt = 0;

  const Bytes& field(const std::string& name) const;
  bool operator==(const Draft&) const = default;
};

// A draft file that is not one: what() says which line and why.
class DraftError : public Error {
 public:
  DraftError(size_t line, const std::string& reason);
};

// Replaces the file whole; throws FileError, and the old draft then stays.
void writeDraft(const std::filesystem::path& file, const Draft& draft);

// Throws DraftError for a damaged file (a missing, repeated or unknown field, a
// bad escape, another kind, no end line) and FileError when it cannot be read.
Draft readDraft(const std::filesystem::path& file, DraftKind kind);

// Moves a draft that cannot be read out of the way, to the first free name of
// file + ".bad", ".bad2", ...; returns the new path. Throws FileError.
std::filesystem::path setDraftAside(const std::filesystem::path& file);

}  // namespace pelarin
