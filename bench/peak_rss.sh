#!/usr/bin/env bash
# Peak memory of `pelarin-cli split` on generated logs of growing size, and on
# a log that is one line of ONE_LINE_MB megabytes (a capture with LF line ends
# has no CR): the splitter streams and holds only the heads of lines, so the
# figure must grow neither with the log nor with a line.
# Usage: bench/peak_rss.sh [BUILD_DIR] [SIZE_MB...]   (default: build/plain, 10 100)
#        ONE_LINE_MB=0 leaves the one-line log out (default 200).
# Needs GNU time (/usr/bin/time, Debian package "time").
set -euo pipefail

build=${1:-build/plain}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 100)

cli=$build/src/cli/pelarin-cli
loggen=$build/bench/pelarin-loggen
for tool in "$cli" "$loggen"; do
  [ -x "$tool" ] || { echo "peak_rss: $tool not built (cmake --build $build)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "peak_rss: /usr/bin/time missing (apt-get install time)" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/pelarin-rss-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

one_line_mb=${ONE_LINE_MB:-200}

# measure LABEL LOG: one split of LOG, one row of the table.
measure() {
  local work=$scratch/work
  mkdir "$work"
  /usr/bin/time -v -o "$scratch/time.txt" "$cli" split -C "$work" "$2" >"$scratch/count.txt"
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$scratch/time.txt")
  secs=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$scratch/time.txt")
  printf '%14s %10s %16s %12s\n' "$1" "$(cat "$scratch/count.txt")" "$rss" "$secs"
  rm -rf "$work" "$2"
}

printf '%14s %10s %16s %12s\n' "log MB" messages "peak RSS (KiB)" "seconds"
for mb in "${sizes[@]}"; do
  log=$scratch/capture-$mb.log
  "$loggen" "$mb" "$log" >/dev/null
  measure "$mb" "$log"
done
if [ "$one_line_mb" -gt 0 ]; then
  # A generated log with its CRs taken out: LF line ends only, one line.
  log=$scratch/one-line.log
  "$loggen" "$one_line_mb" "$log.crlf" >/dev/null
  tr -d '\r' <"$log.crlf" >"$log"
  rm -f "$log.crlf"
  measure "$one_line_mb one line" "$log"
fi
