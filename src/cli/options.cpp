#include "cli/options.h"

#include <limits>

#include "core/library/tokenizer.h"

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
  if (name == "outbox") return Command::Outbox;
  if (name == "library") return Command::Library;
  throw UsageError("unknown command '" + name + "'");
}

// BF, B<n>, I<n>, M, F<n> back to the board key.
int32_t boardKeyOfCode(const std::string& code) {
  if (code == "BF") return 0;
  if (code == "M") return 20000;
  int32_t base = -1;
  if (code.size() >= 2 && code[0] == 'B') base = 0;
  if (code.size() >= 2 && code[0] == 'I') base = 10000;
  if (code.size() >= 2 && code[0] == 'F') base = 30000;
  if (base < 0) throw UsageError("--board must be a board code (BF, B1, I1, M, F1), not '" + code + "'");
  return base + parseCount(code.substr(1), "--board", 1);
}

LibraryCommand libraryCommandNamed(const std::string& name) {
  if (name == "add") return LibraryCommand::Add;
  if (name == "search") return LibraryCommand::Search;
  if (name == "show") return LibraryCommand::Show;
  if (name == "thread") return LibraryCommand::Thread;
  if (name == "open") return LibraryCommand::Open;
  if (name == "export") return LibraryCommand::Export;
  if (name == "stats") return LibraryCommand::Stats;
  if (name == "check") return LibraryCommand::Check;
  if (name == "recover") return LibraryCommand::Recover;
  if (name == "read") return LibraryCommand::Read;
  if (name == "unread") return LibraryCommand::Unread;
  if (name == "mark") return LibraryCommand::Mark;
  if (name == "unmark") return LibraryCommand::Unmark;
  if (name == "mute") return LibraryCommand::Mute;
  if (name == "unmute") return LibraryCommand::Unmute;
  if (name == "muted") return LibraryCommand::Muted;
  if (name == "saved") return LibraryCommand::Saved;
  if (name == "state") return LibraryCommand::State;
  throw UsageError("unknown library command '" + name + "'");
}

// The operands are read as one query, as the window's search field is: an
// operand holding blanks is several terms unless they are in quotes.
std::vector<std::string> termsOf(const std::vector<std::string>& operands) {
  std::vector<std::string> terms;
  for (const std::string& operand : operands)
    if (!splitTerms(operand).empty()) terms.push_back(operand);
  return terms;
}

// library [-C DIR] [--host NAME] COMMAND [options] operands; the common
// options may come after COMMAND too.
Invocation parseLibraryArgs(const std::vector<std::string>& args) {
  Invocation inv;
  inv.command = Command::Library;
  std::optional<std::string> sub;
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const std::string& option) -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError("option " + option + " needs a value");
      return args[++i];
    };
    const bool searching = sub && (*sub == "search" || *sub == "open" || *sub == "export");
    const bool saving = sub && *sub == "saved";
    if (optionsEnded || a == "-" || !a.starts_with("-")) {
      if (!sub) {
        sub = a;
        inv.library = libraryCommandNamed(a);
      } else {
        operands.push_back(a);
      }
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "-C") {
      inv.dir = value(a);
      if (inv.dir.empty()) throw UsageError("option -C needs a directory");
    } else if (a == "--host") {
      inv.host = value(a);
    } else if ((searching || saving) && a == "--board") {
      inv.boardKey = boardKeyOfCode(value(a));
    } else if (searching && a == "--writer") {
      inv.writer = parseCount(value(a), "--writer", 0);
    } else if (searching && a == "--limit") {
      inv.limit = parseCount(value(a), "--limit", 1);
    } else if (sub && *sub == "search" && a == "--count") {
      inv.countOnly = true;
    } else if (sub && *sub == "search" && a == "--date") {
      inv.date = true;
    } else if (sub && *sub == "search" && a == "--snippet") {
      inv.snippet = true;
    } else if (searching && a == "--saved") {
      inv.saved = value(a);
    } else if (searching && a == "--muted") {
      inv.withMuted = true;
    } else if (sub && (*sub == "search" || saving) && a == "--sort") {
      const std::string by = value(a);
      if (by != "relevance" && by != "order") throw UsageError("--sort must be order or relevance, not '" + by + "'");
      inv.byRelevance = by == "relevance";
      inv.sortGiven = true;
    } else if (sub && *sub == "add" && a == "--raw") {
      inv.raw = true;
    } else if (sub && *sub == "export" && a == "--format") {
      inv.format = value(a);
      if (inv.format != "text" && inv.format != "mbox" && inv.format != "html")
        throw UsageError("--format must be text, mbox or html, not '" + inv.format + "'");
    } else {
      throw UsageError("unknown option '" + a + "' for library" + (sub ? " " + *sub : std::string()));
    }
  }
  if (!sub)
    throw UsageError(
        "library needs a command: add, search, show, thread, open, export, stats, check, recover, read, "
        "unread, mark, unmark, mute, unmute, muted, saved or state");
  switch (inv.library) {
    case LibraryCommand::Add:
      if (operands.empty()) throw UsageError("library add needs at least one LOG");
      inv.logs.assign(operands.begin(), operands.end());
      break;
    case LibraryCommand::Show:
    case LibraryCommand::Thread:
      if (operands.size() != 1) throw UsageError("library " + *sub + " takes one ID");
      inv.id = parseCount(operands[0], "ID", 1);
      break;
    case LibraryCommand::Stats:
    case LibraryCommand::Check:
      if (!operands.empty()) throw UsageError("library " + *sub + " takes no operand");
      break;
    case LibraryCommand::Recover:
      if (operands.size() != 1) throw UsageError("library recover takes one OUT");
      if (operands[0].empty()) throw UsageError("library recover needs a folder name, not ''");
      inv.out = operands[0];
      break;
    case LibraryCommand::Export:
      if (inv.format.empty()) throw UsageError("library export needs --format text, mbox or html");
      if (operands.empty()) throw UsageError("library export needs OUT");
      inv.out = operands.back();
      operands.pop_back();
      inv.terms = termsOf(operands);
      break;
    case LibraryCommand::Search:
    case LibraryCommand::Open:
      inv.terms = termsOf(operands);
      break;
    case LibraryCommand::Read:
    case LibraryCommand::Unread:
    case LibraryCommand::Mark:
    case LibraryCommand::Unmark:
      if (operands.empty()) throw UsageError("library " + *sub + " needs at least one ID");
      for (const std::string& id : operands) inv.ids.push_back(parseCount(id, "ID", 1));
      break;
    case LibraryCommand::Mute:
    case LibraryCommand::Unmute:
      inv.action = operands.empty() ? "" : operands[0];
      if (inv.action == "thread" && operands.size() == 2) {
        inv.id = parseCount(operands[1], "ID", 1);
      } else if (inv.action == "writer" && operands.size() == 3) {
        inv.name = operands[1];
        inv.writerId = parseCount(operands[2], "ID", 0);
      } else {
        throw UsageError("library " + *sub + " takes thread ID or writer HOST ID");
      }
      break;
    case LibraryCommand::Muted:
      if (!operands.empty()) throw UsageError("library muted takes no operand");
      break;
    case LibraryCommand::Saved:
      inv.action = operands.empty() ? "list" : operands[0];
      if (inv.action != "add" && (inv.boardKey || inv.sortGiven || inv.host))
        throw UsageError("--board, --host and --sort are for library saved add");
      if (inv.action == "list" && operands.size() <= 1) break;
      if (inv.action == "remove" && operands.size() == 2) {
        inv.name = operands[1];
        break;
      }
      if (inv.action == "add" && operands.size() >= 2) {
        inv.name = operands[1];
        inv.terms = termsOf({operands.begin() + 2, operands.end()});
        break;
      }
      throw UsageError("library saved takes list, add NAME [QUERY...] or remove NAME");
    case LibraryCommand::State:
      if (operands.size() != 2 || (operands[0] != "export" && operands[0] != "import"))
        throw UsageError("library state takes export FILE or import FILE (- for standard output or input)");
      inv.action = operands[0];
      inv.out = operands[1];
      break;
  }
  return inv;
}

}  // namespace

Invocation parseArgs(const std::vector<std::string>& args) {
  Invocation inv;
  if (args.empty()) throw UsageError("missing command");
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      // COMMAND --help: that command's part, when COMMAND is one.
      if (!args[0].starts_with("-")) {
        commandNamed(args[0]);
        inv.helpTopic = args[0];
      }
      return inv;
    }
    if (a == "--version") {
      inv.command = Command::Version;
      return inv;
    }
  }
  if (args[0].starts_with("-")) throw UsageError("unknown option '" + args[0] + "'");
  inv.command = commandNamed(args[0]);
  if (inv.command == Command::Library) return parseLibraryArgs(args);

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
  if (inv.command == Command::Outbox) {
    if (!operands.empty() && operands.front() == "check") {
      inv.check = true;
      operands.erase(operands.begin());
    }
    if (operands.size() > 1) throw UsageError("outbox takes one FILE, got '" + operands[1] + "' too");
    if (!operands.empty()) inv.script = operands.front();
    if (inv.script.empty() && !operands.empty()) throw UsageError("outbox needs a FILE name, not ''");
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
