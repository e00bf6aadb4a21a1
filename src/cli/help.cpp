#include <sstream>

#include "cli/commands.h"

namespace pelarin::cli {

const char kHelpText[] = R"(Usage:
  pelarin-cli split [-C DIR] [--first N] [--sort] [--raw] LOG...
  pelarin-cli list [-C DIR] COUNT
  pelarin-cli show [-C DIR] N
  pelarin-cli boards [-C DIR] [--list NAME] LOG
  pelarin-cli names [-C DIR] [--list NAME] LOG
  pelarin-cli outbox [-C DIR] [check] [FILE]
  pelarin-cli library [-C DIR] [--host NAME] COMMAND ...
  pelarin-cli [COMMAND] --help
  pelarin-cli --version

Splits captured logs into message files "mes<N>.tmp" and reads them back.
DIR is the work directory holding the message files (default: the current
directory). Texts are printed in UTF-8; fields keep their trailing blanks.
On a terminal, control characters other than TAB and LF are printed visibly
(ESC as ^[, DEL as ^?, U+0080..U+009F as M-^@..M-^_); through a pipe or into a
file the bytes are printed as they are.

split   Splits each LOG in turn, numbering the message files from N (default 1)
        and continuing across the logs. Board links learnt from one log still
        apply to the next. With --sort, the messages 1 to the last one written
        are then put in order of board and message number. Prints the message
        count (the last number written; N-1 when none). A log kept with LF
        line ends only, or in UTF-8 or EUC-JP, is read as the code page 932
        log with CR line ends it came from, and the conversion is said on
        standard error; --raw reads every log exactly as it is.

list    Prints one line per message 1..COUNT, six fields separated by TAB:
          board code, message number, writer ID, writer name, title, reply number
        (message number and writer ID empty when 0).

show    Prints message N, one field a line as "Caption<TAB>value":
          B.Number<TAB>board code
          Mes. Number<TAB>message number (empty when 0)
          Writer<TAB>writer ID (empty when 0)<TAB>writer name
            (the caption is File instead of Writer in a file area)
          Res. No.<TAB>number of the message answered (empty when none)
          Title<TAB>title
        then one empty line, then the body lines.

boards  Builds the board list DIR/NAME.bod (NAME default "pelarin") from a log in
        which the host listed its boards: the host's name from its greeting,
        then one entry per board line. Prints the number of entries.

names   Builds the name list DIR/NAME.nam from a log in which the host listed
        its members, the same way. Prints the number of entries.

        Both replace the list only when the whole log was read without error.

outbox  Reads the upload script FILE (default: the script the settings file in
        DIR names, TextFileDir + upload file, else DIR/upload.txt) and prints
        one line per block, five fields separated by TAB:
          index, kind (response, new, mail or text), board code or first
          recipient, title, number of lines
        Text is what is not a record (typed by hand): the terminal sends it too.
outbox check
        Prints the problems of the script, one a line as
          index<TAB>line<TAB>problem
        (a record without "/es" and "E", an empty title or one over 32 bytes, a
        board code, message number or ID that is not well formed, bytes without
        a code page 932 form) and exits with 1 when there is any.

library The library DIR/pelarin-library.db: every message ever added, kept
        across runs. Search options: --board CODE, --writer ID, --limit N,
        --saved NAME, --muted (and --host NAME). A QUERY is terms separated
        by blanks (the ideographic space too), within an argument as between
        arguments; a message matches when each term is in its title, writer
        name or body.
          "a b"     a phrase, blanks and all
          -term     excludes the messages holding it
          a OR b    either of two terms
          title:T  name:T  (writer name)  id:N  (writer ID)  board:CODE
          host:NAME  no:N  (message number)  re:N  (number answered)
          is:response  is:mail  is:unread  is:marked
        Anything else is text to find (C++, AND, a lone "). Both sides are
        compared after NFKC and case folding (fullwidth letters meet ASCII,
        halfwidth kana meet kana), hiragana meet katakana, and after a kana
        ー ｰ － ‐ ― ─ are one long-vowel mark. A line end between two
        Japanese characters is nothing (the capture wrapped there), between
        ASCII words a blank. Letters and digits are words of their own, so
        98 finds PC98 and PC-98. An ASCII word matches from its start. A
        term over 256 characters or not in UTF-8 is an error. Messages of a
        muted thread or writer are left out of matches and counts unless
        --muted is given. --saved NAME searches with a saved search: its
        query, then the QUERY given; its board and host unless --board or
        --host is given; its order unless --sort is.
  add [--raw] LOG...
        Imports each LOG (under --host NAME, else the List of the bbs.ini
        association its file name matches, else ""); prints per log
        LOG<TAB>added<TAB>duplicates. A log added before adds nothing (and
        says how it was read when --raw is given). A message captured again
        (same writer ID and title, one body the other's beginning) keeps the
        copy with more text; another message under the same number is kept
        beside it. A log whose reading stopped at an error, or that changed
        while it was read, keeps the messages before it and says so on
        standard error (an error exits with 1); adding it again reads it
        again, as the same log. A message over 256 MB is refused, naming its
        log and line, exit 1. The program's own files (pelarin-library.db*,
        mes*.tmp, *.ini) are never logs: each is named, exit 1.
  search [options] [--count] [--date] [--snippet] [--sort order|relevance] [QUERY...]
        One line per match: id, host, then the six fields of list; ordered
        by host, board, number, first import, or with --sort relevance best
        first (BM25, the title weighted above the body). No QUERY: every
        message.
        --count prints the number of matches only. --date adds a field: the
        posting time its header showed, YYYY-MM-DD HH:MM, empty when it showed
        none. --snippet adds a last field:
        about 40 characters of the body around the first text found, on one
        line, with … where it was cut.
  show ID
        The message as show prints it.
  thread ID
        The thread holding the message, depth first, children by number:
        depth<TAB>the fields of a search line (depth 0 for the root).
  open [options] [QUERY...]
        Writes the matches into DIR as the store mes1.tmp upward, each file
        as split writes it, deletes the store's files above, prints the count.
        No match changes nothing and exits with 1.
  export --format text|mbox|html [options] [QUERY...] OUT
        Writes the matches to OUT (html: a folder). OUT may not be a file of
        the library or the program (the database and its -wal, -shm and
        -journal, mes<N>.tmp, pelarin.ini, upload.tmp, bbs.ini, sig.txt, the
        drafts and lists), an upload script, or a log the library holds, by
        any name or link; nothing is written then.
  stats
        Messages per host and board, then messages, logs and the database's
        size in bytes.
  check
        Checks the library, reading only: SQLite's integrity check of the
        file, then that every message has its log, a body that can be read
        and the index entries of its text, and every copy its log and its
        message. Prints each problem a line, KIND<TAB>ID<TAB>text (KIND file,
        message, index or copy) and exits with 1; else "ok<TAB>N messages".
  recover OUT
        Copies every message of a damaged library that can still be read
        (keys, body, logs, copies, IDs) into a new library in the folder OUT
        (made when missing; one that holds a library is refused), its index
        built anew; prints salvaged<TAB>N, lost<TAB>N and logs<TAB>N. The
        damaged file is only read. When messages were lost, adding their
        logs again reads them in full. What is read, marked and muted and
        the saved searches are copied too.
  read ID...   unread ID...   mark ID...   unmark ID...
        Marks the messages (IDs as search prints them) read or unread, or
        sets or clears their mark. What is read and marked stays with the
        message when it is captured again. An ID the library lacks is an
        error naming it, and nothing changes.
  mute thread ID   mute writer HOST ID
        Leaves out of searches and counts the thread holding the message
        (its root and every reply to it, those added later too), or every
        message of writer ID on HOST. Muted messages count as read.
  unmute thread ID   unmute writer HOST ID
        Undoes a mute; unmute thread takes any message of the thread. What
        is not muted is an error.
  muted
        What is muted: thread<TAB>the fields of a search line of its root,
        writer<TAB>HOST<TAB>ID.
  saved [list]   saved remove NAME
  saved add [--board CODE] [--host NAME] [--sort order|relevance] NAME [QUERY...]
        Searches kept in the library under a name: the query, the board
        filter and the order. list prints NAME<TAB>order or
        relevance<TAB>host<TAB>board code<TAB>query, by name. A name taken,
        or not found by remove, is an error.
  state export FILE   state import FILE
        What the library keeps of the reader (read, marked, muted, saved
        searches) as plain text by message identity, to carry to another
        library; import adds a file's facts and prints how many. A line it
        cannot read adds nothing and is an error. - is stdout or stdin.

        Before the first write, add checks the library: a damaged one, or
        one this user may not write (the file, its folder, its -wal or -shm),
        is refused with a message naming it, and nothing is written.

Exit status: 0 done; 1 an error (its text on stderr; files written before it
stay; a term the library refuses too, a saved search or mute not there, and
library open that matches nothing)
or, for outbox check and library check, a problem found; 2 a usage error.
)";

const char kVersionText[] = "pelarin-cli " PELARIN_VERSION "\n";

// The usage lines of COMMAND, its paragraphs (up to the next command's) and
// the exit status, cut from the whole text so that the two never differ.
std::string helpText(const std::string& command) {
  if (command.empty()) return kHelpText;
  std::istringstream in(kHelpText);
  std::string usage = "Usage:\n", body, exits, line;
  enum { Usage, Intro, Other, Mine, Exit } part = Usage;
  while (std::getline(in, line)) {
    const bool indented = line.empty() || line[0] == ' ';
    if (part == Usage && line.starts_with("  pelarin-cli " + command + " ")) usage += line + '\n';
    if (part == Usage && line.empty()) part = Intro;
    if (!indented && line.starts_with("Exit status:"))
      part = Exit;
    else if (!indented && part != Usage)
      part = line.starts_with(command + ' ') ? Mine : Other;
    if (part == Mine) body += line + '\n';
    if (part == Exit) exits += line + '\n';
  }
  while (body.ends_with("\n\n")) body.pop_back();
  return usage + '\n' + body + '\n' + exits;
}

}  // namespace pelarin::cli
