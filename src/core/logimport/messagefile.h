// One stored message, "mes<N>.tmp" in the work directory: six key lines
// (board key, message number, title, reply number, writer ID, writer name),
// then the body, every line ending in CR LF.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/text/bytes.h"

namespace pelarin {

class LineWriter;

// The key lines as stored; line 1 and 2 always hold integers.
struct MessageKeys {
  Bytes BoardKey;
  Bytes MesNumber;
  Bytes Title;
  Bytes ResNumber;  // empty when the message answers none
  Bytes WriterId;   // "0" when the header carried none
  Bytes WriterName;
};

struct StoredMessage {
  MessageKeys keys;
  std::vector<Bytes> body;
};

inline constexpr int kKeyLines = 6;
inline constexpr char kSortTempName[] = "mestemp.tmp";

Bytes messageFileName(int32_t n);
std::filesystem::path messagePath(const std::filesystem::path& dir, int32_t n);

void writeMessageKeys(LineWriter& out, int32_t boardKey, int32_t mesNumber, ByteView title,
                      ByteView resNumber, int32_t writerId, ByteView writerName);
// The key lines as they are written, for the store's index.
MessageKeys messageKeys(int32_t boardKey, int32_t mesNumber, ByteView title, ByteView resNumber,
                        int32_t writerId, ByteView writerName);
void writeMessageKeys(LineWriter& out, const MessageKeys& keys);

MessageKeys readMessageKeys(const std::filesystem::path& file);  // throws FileError
StoredMessage readMessage(const std::filesystem::path& file);    // throws FileError

// Deletes messages 1..count, passing over files that cannot be deleted.
void deleteMessages(const std::filesystem::path& dir, int32_t count);
// Deletes messages from..to, passing over files that cannot be deleted.
void deleteMessages(const std::filesystem::path& dir, int32_t from, int32_t to);

// Before a store is written over: of the messages 1..count, deletes those
// whose file cannot be written over without touching something else (a
// link, a file with another name too, anything but a regular file, a file
// this user may not write), as clearing the store first would have.
void clearUnwritableMessages(const std::filesystem::path& dir, int32_t count);

}  // namespace pelarin
