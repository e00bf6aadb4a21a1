// The command line of pelarin-cli: which command, its options and operands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelarin::cli {

// A command line that cannot be run; what() says why, for stderr.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command { Help, Split, List, Show, Boards, Names };

struct Invocation {
  Command command = Command::Help;
  std::filesystem::path dir = ".";
  int32_t first = 1;  // split: number of the first message file
  bool sort = false;  // split: sort the store afterwards
  bool raw = false;   // split: no guess at converted logs
  std::vector<std::filesystem::path> logs;
  int32_t number = 0;                // list: COUNT; show: N
  std::string listName = "pelarin";  // boards, names: the list file's stem
};

// Throws UsageError.
Invocation parseArgs(const std::vector<std::string>& args);

// A decimal operand: digits only, at least `min`, fitting in 32 bits.
int32_t parseCount(const std::string& text, const char* what, int32_t min);

}  // namespace pelarin::cli
