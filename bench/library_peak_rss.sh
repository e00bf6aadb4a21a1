#!/usr/bin/env bash
# Peak memory of `pelarin-cli library add` on a log whose largest message has
# a body of BODY_MB megabytes, beside the bound it must stay within: 64 MB
# plus three times the body. A body over the import's limit (256 MB) is
# refused and the figure shows what refusing it costs. NORMAL_MB adds a
# generated log of many small messages (default 50, 0 leaves it out).
# Usage: bench/library_peak_rss.sh [BUILD_DIR] [BODY_MB...]   (default: build/plain, 50 200)
# Needs GNU time (/usr/bin/time, Debian package "time").
set -euo pipefail

build=${1:-build/plain}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(50 200)

cli=$build/src/cli/pelarin-cli
loggen=$build/bench/pelarin-loggen
for tool in "$cli" "$loggen"; do
  [ -x "$tool" ] || { echo "library_peak_rss: $tool not built (cmake --build $build)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "library_peak_rss: /usr/bin/time missing (apt-get install time)" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/pelarin-library-rss-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# measure LABEL BOUND_KIB LOG: one add of LOG into a new library, one row.
measure() {
  local work=$scratch/work
  mkdir "$work"
  /usr/bin/time -v -o "$scratch/time.txt" "$cli" library -C "$work" add "$3" >"$scratch/out.txt" 2>/dev/null || true
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$scratch/time.txt")
  secs=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$scratch/time.txt")
  added=$(cut -f2 "$scratch/out.txt")
  printf '%16s %8s %16s %14s %7s %10s\n' "$1" "${added:-0}" "$rss" "$2" \
    "$(awk -v a="$rss" -v b="$2" 'BEGIN { printf "%.2f", a / b }')" "$secs"
  rm -rf "$work" "$3"
}

printf '%16s %8s %16s %14s %7s %10s\n' "log" added "peak RSS (KiB)" "bound (KiB)" "ratio" "seconds"
for mb in "${sizes[@]}"; do
  log=$scratch/one-$mb.log
  "$loggen" --one-message "$mb" "$log" >/dev/null
  measure "body $mb MB" $(((64 + 3 * mb) * 1024)) "$log"
done
normal_mb=${NORMAL_MB:-50}
if [ "$normal_mb" -gt 0 ]; then
  log=$scratch/normal.log
  "$loggen" "$normal_mb" "$log" >/dev/null
  measure "$normal_mb MB of small" $((64 * 1024)) "$log"
fi
