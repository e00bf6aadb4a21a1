// The errors that end a command; what() is the text the user sees (UTF-8).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/text/bytes.h"

namespace pelarin {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that is not an integer: "'%s' は整数ではありません".
class ConversionError : public Error {
 public:
  explicit ConversionError(const Bytes& text);
  // The same text, then a line that says where it was read (UTF-8).
  ConversionError(const Bytes& text, const std::string& where);
  const Bytes& text() const { return text_; }

 private:
  Bytes text_;
};

// An integer line of a file that is not a number.
class NotANumberError : public Error {
 public:
  NotANumberError();
};

// A failure of the file system, with the platform's reason.
class FileError : public Error {
 public:
  FileError(const std::string& action, const std::filesystem::path& path, int errorNumber);
  // With a reason of the program's own in place of the platform's text.
  FileError(const std::string& action, const std::filesystem::path& path, int errorNumber,
            const std::string& reason);
  const std::filesystem::path& path() const { return path_; }
  int errorNumber() const { return errno_; }

 private:
  std::filesystem::path path_;
  int errno_;
};

// The characters of one field of a window that have no code page 932 form.
struct FieldCharacters {
  std::string caption;  // UTF-8; empty for a text that is not a window's field
  std::vector<char32_t> characters;
};

// User text with characters that have no code page 932 form; the text names every one of every
// field, an invisible one by its Unicode name.
class EncodeError : public Error {
 public:
  explicit EncodeError(std::vector<char32_t> characters);
  explicit EncodeError(std::vector<FieldCharacters> fields);
  // For texts that are kept, not sent: the heading and the closing line say what they are.
  EncodeError(std::vector<FieldCharacters> fields, const std::string& heading, const std::string& closing);
  // Every field's characters, in order.
  const std::vector<char32_t>& characters() const { return characters_; }
  const std::vector<FieldCharacters>& fields() const { return fields_; }

 private:
  std::vector<FieldCharacters> fields_;
  std::vector<char32_t> characters_;
};

// A file or directory name without a code page 932 form: which one, its characters, and what the
// program does instead.
class NameError : public Error {
 public:
  NameError(const std::string& what, const std::filesystem::path& path,
            const std::vector<char32_t>& characters, const std::string& instead);
};

// The heading for texts kept in the settings that have characters without a code page 932 form.
extern const char kSettingsEncodeHeading[];

// How an error names a character: "X" (U+XXXX), or NAME (U+XXXX) for one that cannot be seen.
std::string characterDescription(char32_t c);

}  // namespace pelarin
