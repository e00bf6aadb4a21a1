// The upload script read back into its records, for review before the
// terminal sends it: every record, and every stretch of hand-edited text
// between them, is a block that keeps the bytes it was read from, so writing
// the blocks back changes nothing but what was edited, moved or deleted.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/compose/uploadrecords.h"

namespace pelarin {

enum class BlockKind { Response, NewMessage, Mail, Text };

// "response", "new", "mail", "text".
const char* blockKindName(BlockKind kind);

inline constexpr size_t kNoLine = static_cast<size_t>(-1);

struct ScriptBlock {
  BlockKind kind = BlockKind::Text;
  Bytes raw;             // as in the file, line ends included
  Lines lines;           // the same without line ends
  size_t firstLine = 1;  // in the script, from 1

  // The fields of a record, as its composer holds them.
  Bytes board;   // response, new message
  Bytes mesnum;  // response: the number after "J"
  MailIds ids{};
  Bytes title;
  Lines body;
  // Where they are in `lines` (kNoLine when missing), for the check.
  size_t titleAt = kNoLine;
  size_t bodyAt = 0;         // also where a missing title would stand
  std::vector<size_t> idAt;  // mail: ID0, ID1 ...
  bool endsWithEs = false;   // "/es" after the body
  bool endsWithE = false;    // "E" after it

  bool isRecord() const { return kind != BlockKind::Text; }
  // The board code, or the first recipient of a mail.
  const Bytes& addressee() const { return kind == BlockKind::Mail ? ids[0] : board; }
};

struct ScriptContent {
  std::vector<ScriptBlock> blocks;
  Bytes tail;  // a Ctrl-Z and whatever follows it: the end of the text, kept as it is
};

// Splits the bytes by the system's line rules (CR ends a line, an LF right
// after it belongs to it, an LF alone does not, Ctrl-Z ends the text).
ScriptContent parseUploadScript(ByteView bytes);

// A missing script is an empty one; anything but a regular file is a FileError.
ScriptContent readUploadScript(const std::filesystem::path& path);

// A record the composers' builders made, as the blocks a read of the script
// would find (more than one when its text holds a line "/es", say).
std::vector<ScriptBlock> recordBlocks(const Lines& record);

// The blocks' bytes in order; a block whose last line has no line end gets
// CR LF when another block follows it, so no two lines run together.
Bytes scriptBytes(const ScriptContent& content);

// Sets every block's firstLine from the lines before it.
void renumber(ScriptContent& content);

// The whole script through a temporary file renamed over the old one.
void writeUploadScript(const std::filesystem::path& path, const ScriptContent& content);

// writeUploadScript while the script still holds `expected`, checked and
// written under the script's lock (core/text/filelock.h), so that a record
// appended meanwhile is never written over. False when the script changed:
// nothing is written.
bool rewriteUploadScript(const std::filesystem::path& path, ByteView expected, const ScriptContent& content);

// Replaces the block whose bytes are `original` (the one at `index` from 0
// while it still is, else the first) with the record, and writes the script
// whole, reading and writing under the script's lock. False when no block
// holds those bytes any more: nothing is written.
bool replaceRecord(const std::filesystem::path& path, size_t index, ByteView original, const Lines& record);

struct ScriptProblem {
  size_t block;      // from 1
  size_t line;       // in the script, from 1
  std::string text;  // UTF-8
};

// Records that lack "/es" or "E", titles empty or over 32 bytes, board codes
// and IDs that are not well formed, and bytes without a code page 932 form,
// in the order of the script.
std::vector<ScriptProblem> checkUploadScript(const ScriptContent& content);

}  // namespace pelarin
