#include "cli/options.h"

#include <limits>

namespace pelarin::cli {

int32_t parseCount(const std::string& text, const char* what, int32_t min) {
  bool digits = !text.empty() && text.size() <= 10;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      digits = false;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (!digits || value > std::numeric_limits<int32_t>::max())
    throw UsageError(std::string(what) + " must be a decimal number, not '" + text + "'");
  if (value < min)
    throw UsageError(std::string(what) + " must be at least " + std::to_string(min) + ", not " + text);
  return static_cast<int32_t>(value);
}

namespace {

Command commandNamed(const std::string& name) {
  if (name == "split") return Command::Split;
  if (name == "list") return Command::List;
  if (name == "show") return Command::Show;
  if (name == "boards") return Command::Boards;
  if (name == "names") return Command::Names;
  throw UsageError("unknown command '" + name + "'");
}

}  // namespace

Invocation parseArgs(const std::vector<std::string>& args) {
  Invocation inv;
  if (args.empty()) throw UsageError("missing command");
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") return inv;
  }
  if (args[0].starts_with("-")) throw UsageError("unknown option '" + args[0] + "'");
  inv.command = commandNamed(args[0]);

  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const std::string& option) -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError("option " + option + " needs a value");
      return args[++i];
    };
    if (optionsEnded || a == "-" || !a.starts_with("-")) {
      operands.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "-C") {
      inv.dir = value(a);
      if (inv.dir.empty()) throw UsageError("option -C needs a directory");
    } else if (inv.command == Command::Split && a == "--first") {
      inv.first = parseCount(value(a), "--first", 1);
    } else if (inv.command == Command::Split && a.starts_with("--first=")) {
      inv.first = parseCount(a.substr(8), "--first", 1);
    } else if (inv.command == Command::Split && a == "--sort") {
      inv.sort = true;
    } else if (inv.command == Command::Split && a == "--raw") {
      inv.raw = true;
    } else if ((inv.command == Command::Boards || inv.command == Command::Names) && a == "--list") {
      inv.listName = value(a);
    } else if ((inv.command == Command::Boards || inv.command == Command::Names) &&
               a.starts_with("--list=")) {
      inv.listName = a.substr(7);
    } else {
      throw UsageError("unknown option '" + a + "' for " + args[0]);
    }
  }

  if (inv.command == Command::Split) {
    if (operands.empty()) throw UsageError("split needs at least one LOG");
    inv.logs.assign(operands.begin(), operands.end());
    return inv;
  }
  if (inv.command == Command::Boards || inv.command == Command::Names) {
    if (operands.size() != 1) throw UsageError(args[0] + " takes one LOG");
    inv.logs.assign(operands.begin(), operands.end());
    return inv;
  }
  const char* name = inv.command == Command::List ? "COUNT" : "N";
  if (operands.empty()) throw UsageError(args[0] + " needs " + name);
  if (operands.size() > 1)
    throw UsageError(args[0] + " takes one " + name + ", got '" + operands[1] + "' too");
  inv.number = parseCount(operands[0], name, inv.command == Command::List ? 0 : 1);
  return inv;
}

}  // namespace pelarin::cli
