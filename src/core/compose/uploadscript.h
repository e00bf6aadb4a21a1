// The upload script: which file the composers write, and adding one record
// to it with the question whether the first record replaces the old script.
#pragma once

#include <filesystem>
#include <functional>

#include "core/compose/uploadrecords.h"

namespace pelarin {

struct AppState;

// The text after UploadFile in the overwrite question.
inline constexpr char kOverwriteQuestion[] =
    " - \x91\x4f\x89\xf1\x82\xcc\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57\x82\xc9\x8f\xe3\x8f\x91\x82\xab"
    "\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81\x48";  // " - 前回のメッセージに上書きしますか？"

// TextFileDir + UploadFile.
std::filesystem::path uploadScriptPath(const AppState& state);

// UploadFile := UpFileName, then Upload in lower case + ".txt" of every entry
// whose List equals ListFileName (case of single-byte letters ignored) and
// whose Upload is not empty; the last match wins.
void ChooseUploadFile(AppState& state);

// Answers the question UploadFile + kOverwriteQuestion: true for Yes.
using OverwriteQuestion = std::function<bool(const Bytes& question)>;

// Asks (when UploadRewrite is set and the script exists), then writes the
// record in one piece: a new script when UploadRewrite is set, else at the end
// of the script (created when missing); clears UploadRewrite. On a failure
// nothing of the record stays in the file, UploadRewrite keeps the answer
// given, and FileError is thrown.
void AppendUploadRecord(AppState& state, const Lines& record, const OverwriteQuestion& ask);

}  // namespace pelarin
