// pelarin-cli: the core from the command line (split, list, show, boards, names, outbox).
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/output.h"

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

int run(const pelarin::cli::Invocation& inv) {
  using pelarin::cli::Command;
  int status = 0;
  switch (inv.command) {
    case Command::Help:
      std::fputs(pelarin::cli::helpText(inv.helpTopic).c_str(), stdout);
      break;
    case Command::Version:
      std::fputs(pelarin::cli::kVersionText, stdout);
      break;
    case Command::Split:
      pelarin::cli::runSplit(inv, stdout);
      break;
    case Command::List:
      pelarin::cli::runList(inv, stdout);
      break;
    case Command::Show:
      pelarin::cli::runShow(inv, stdout);
      break;
    case Command::Boards:
      pelarin::cli::runBoards(inv, stdout);
      break;
    case Command::Names:
      pelarin::cli::runNames(inv, stdout);
      break;
    case Command::Library:
      status = pelarin::cli::runLibrary(inv, stdout);
      break;
    case Command::Outbox:
      status = pelarin::cli::runOutbox(inv, stdout);
      break;
  }
  return std::fflush(stdout) == 0 ? status : kExitError;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  pelarin::cli::Invocation inv;
  try {
    inv = pelarin::cli::parseArgs(args);
  } catch (const pelarin::cli::UsageError& e) {
    pelarin::cli::print(stderr, std::string("pelarin-cli: ") + e.what() + "\nTry 'pelarin-cli --help'.\n");
    return kExitUsage;
  }
  try {
    return run(inv);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    pelarin::cli::print(stderr, std::string("pelarin-cli: ") + e.what() + '\n');
    return kExitError;
  }
}
