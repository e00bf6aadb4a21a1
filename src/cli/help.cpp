#include "cli/commands.h"

namespace pelarin::cli {

const char kHelpText[] = R"(Usage:
  pelarin-cli split [-C DIR] [--first N] [--sort] [--raw] LOG...
  pelarin-cli list [-C DIR] COUNT
  pelarin-cli show [-C DIR] N
  pelarin-cli boards [-C DIR] [--list NAME] LOG
  pelarin-cli names [-C DIR] [--list NAME] LOG
  pelarin-cli --help

Splits captured logs into message files "mes<N>.tmp" and reads them back.
DIR is the work directory holding the message files (default: the current
directory). Texts are printed in UTF-8; fields keep their trailing blanks.

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

Exit status: 0 done; 1 an error (its text on stderr; files written before it
stay); 2 a usage error.
)";

}  // namespace pelarin::cli
