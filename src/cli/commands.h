// The commands of pelarin-cli. Each throws pelarin::Error on a failure;
// output already printed and files already written stay.
#pragma once

#include <cstdio>

#include <string>
#include <vector>

#include "cli/options.h"
#include "core/library/exportmessage.h"

namespace pelarin {
struct MessageView;
class Library;
}  // namespace pelarin

namespace pelarin::cli {

extern const char kHelpText[];
extern const char kVersionText[];

// The whole help, or COMMAND's part of it.
std::string helpText(const std::string& command);

// Prints the message count: the last number written, first-1 when none.
void runSplit(const Invocation& inv, std::FILE* out);

// One TAB-separated line per message 1..COUNT.
void runList(const Invocation& inv, std::FILE* out);

// Message N as the main window shows it.
void runShow(const Invocation& inv, std::FILE* out);

// DIR/NAME.bod or DIR/NAME.nam from LOG, as the two menu commands build them.
void runBoards(const Invocation& inv, std::FILE* out);
void runNames(const Invocation& inv, std::FILE* out);

// The upload script's blocks, one TAB-separated line each, or with check its
// problems; returns the exit status (1 when the check found any).
int runOutbox(const Invocation& inv, std::FILE* out);

// A message as show prints it.
std::string shownText(const MessageView& v);

// The library commands: add, search, show, thread, open, export, stats,
// check, recover. Returns the exit status: 1 when add stopped inside a log
// or check found a problem.
int runLibrary(const Invocation& inv, std::FILE* out);

// What an export writes: the matches in the library's order, decoded, with
// their ancestors.
std::vector<ExportMessage> exportSelection(Library& library, const Invocation& inv);

}  // namespace pelarin::cli
