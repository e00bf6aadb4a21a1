#include "core/compose/draft.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <set>

#include "core/text/linereader.h"
#include "core/text/linewriter.h"
#include "core/text/paths.h"

namespace pelarin {

namespace {

constexpr char kHeader[] = "Pelarin draft 1";
constexpr char kEnd[] = "end";
constexpr char kDirKey[] = "TextFileDir";
constexpr char kFileKey[] = "UploadFile";
constexpr char kReplacesKey[] = "Replaces";
constexpr char kReplacesAtKey[] = "ReplacesAt";

const char* kindName(DraftKind kind) {
  switch (kind) {
    case DraftKind::Response:
      return "response";
    case DraftKind::NewMessage:
      return "new";
    case DraftKind::Mail:
      return "mail";
  }
  return "";
}

// Every value is one line of printable bytes: the backslash, control bytes
// (line ends and Ctrl-Z included, which the line reader would take as the end
// of a line or of the file) and, for the system's bytes, everything above
// ASCII become \xHH, so any value round-trips and the file stays UTF-8.
Bytes escaped(ByteView value, bool utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Bytes out;
  out.reserve(value.size());
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F || (!utf8 && c >= 0x80)) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

Bytes unescaped(ByteView value, size_t line) {
  Bytes out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      out += value[i];
      continue;
    }
    if (i + 1 < value.size() && value[i + 1] == '\\') {
      out += '\\';
      ++i;
      continue;
    }
    const int high = i + 3 < value.size() && value[i + 1] == 'x' ? hexDigit(value[i + 2]) : -1;
    const int low = high >= 0 ? hexDigit(value[i + 3]) : -1;
    if (low < 0) throw DraftError(line, "エスケープが正しくありません");
    out += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return out;
}

// The place as writeDraft writes it: decimal digits only.
size_t place(ByteView value, size_t line) {
  size_t n = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (error != std::errc() || end != value.data() + value.size())
    throw DraftError(line, std::string(kReplacesAtKey) + " が正しくありません");
  return n;
}

bool validUtf8(ByteView text) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t extra;
    char32_t code;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, code = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

const std::vector<DraftField>& draftFields(DraftKind kind) {
  static const std::vector<DraftField> response{
      {"Boardnum", false}, {"Mesnum", false}, {"ResTitle", true}, {"MesTitle", true}, {"Resview", true}};
  static const std::vector<DraftField> newMessage{{"Boardnum", true}, {"MesTitle", true}, {"NewView", true}};
  static const std::vector<DraftField> mail{
      {"ID0", true}, {"ID1", true}, {"ID2", true}, {"ID3", true}, {"ID4", true},      {"ID5", true},
      {"ID6", true}, {"ID7", true}, {"ID8", true}, {"ID9", true}, {"MesTitle", true}, {"MailView", true}};
  switch (kind) {
    case DraftKind::Response:
      return response;
    case DraftKind::NewMessage:
      return newMessage;
    case DraftKind::Mail:
      break;
  }
  return mail;
}

const char* draftFileName(DraftKind kind) {
  switch (kind) {
    case DraftKind::Response:
      return "pelarin-res.draft";
    case DraftKind::NewMessage:
      return "pelarin-new.draft";
    case DraftKind::Mail:
      break;
  }
  return "pelarin-mail.draft";
}

std::filesystem::path draftPath(ByteView workDir, DraftKind kind) {
  return pathFromText(Bytes(workDir) + draftFileName(kind));
}

const Bytes& Draft::field(const std::string& name) const {
  static const Bytes empty;
  const auto found = fields.find(name);
  return found == fields.end() ? empty : found->second;
}

DraftError::DraftError(size_t line, const std::string& reason)
    : Error("下書きの形式が正しくありません (" + std::to_string(line) + " 行目: " + reason + ")") {}

void writeDraft(const std::filesystem::path& file, const Draft& draft) {
  ReplacingWriter out(file);
  out.writeLine(kHeader);
  out.writeLine(std::string("kind=") + kindName(draft.kind));
  out.writeLine(std::string(kDirKey) + "=" + escaped(draft.textFileDir, false));
  out.writeLine(std::string(kFileKey) + "=" + escaped(draft.uploadFile, false));
  if (!draft.replaces.empty()) {
    out.writeLine(std::string(kReplacesKey) + "=" + escaped(draft.replaces, false));
    out.writeLine(std::string(kReplacesAtKey) + "=" + std::to_string(draft.replacesAt));
  }
  for (const DraftField& field : draftFields(draft.kind))
    out.writeLine(std::string(field.name) + "=" + escaped(draft.field(field.name), field.utf8));
  out.writeLine(kEnd);
  out.commit();
}

Draft readDraft(const std::filesystem::path& file, DraftKind kind) {
  LineReader in(file);
  Draft draft;
  draft.kind = kind;
  if (in.readLine() != kHeader) throw DraftError(1, "下書きの見出しがありません");
  if (in.readLine() != std::string("kind=") + kindName(kind)) throw DraftError(2, "別の画面の下書きです");

  std::map<std::string, bool> expected{{kDirKey, false}, {kFileKey, false}};
  // Only an edit has them.
  const std::map<std::string, bool> optional{{kReplacesKey, false}, {kReplacesAtKey, false}};
  for (const DraftField& field : draftFields(kind)) expected.emplace(field.name, field.utf8);
  std::set<std::string> seen;
  for (;;) {
    if (in.atEnd()) throw DraftError(in.lineNumber() + 1, "終わりの行がありません");
    const Bytes line = in.readLine();
    const size_t number = in.lineNumber();
    if (line == kEnd) break;
    const size_t equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const auto type = expected.find(key);
    if (equals == Bytes::npos || (type == expected.end() && !optional.count(key)))
      throw DraftError(number, "知らない行です");
    if (!seen.insert(key).second) throw DraftError(number, key + " が二度あります");
    Bytes value = unescaped(ByteView(line).substr(equals + 1), number);
    if (type != expected.end() && type->second && !validUtf8(value))
      throw DraftError(number, key + " が UTF-8 ではありません");
    if (key == kDirKey)
      draft.textFileDir = std::move(value);
    else if (key == kFileKey)
      draft.uploadFile = std::move(value);
    else if (key == kReplacesKey)
      draft.replaces = std::move(value);
    else if (key == kReplacesAtKey)
      draft.replacesAt = place(value, number);
    else
      draft.fields[key] = std::move(value);
  }
  if (!in.atEnd()) throw DraftError(in.lineNumber() + 1, "終わりの行の後に続きがあります");
  // A place without the record it is of means nothing, and a write drops it.
  if (draft.replaces.empty()) draft.replacesAt = 0;
  for (const auto& [key, utf8] : expected)
    if (!seen.count(key)) throw DraftError(in.lineNumber(), key + " がありません");
  return draft;
}

std::filesystem::path setDraftAside(const std::filesystem::path& file) {
  for (int n = 1;; ++n) {
    std::filesystem::path aside = file;
    aside += n == 1 ? std::string(".bad") : ".bad" + std::to_string(n);
    // A name already taken holds an earlier damaged draft: never replace it.
    if (std::filesystem::exists(std::filesystem::symlink_status(aside))) continue;
    if (std::rename(file.c_str(), aside.c_str()) != 0) throw FileError("Cannot rename", file, errno);
    return aside;
  }
}

}  // namespace pelarin
