#!/usr/bin/env bash
# Peak memory of `pelarin-cli split` on generated logs of growing size: the
# splitter streams, so the figure must not grow with the log.
# Usage: bench/peak_rss.sh [BUILD_DIR] [SIZE_MB...]   (default: build/plain, 10 100)
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

printf '%8s %10s %16s %12s\n' "log MB" messages "peak RSS (KiB)" "seconds"
for mb in "${sizes[@]}"; do
  log=$scratch/capture-$mb.log
  work=$scratch/work-$mb
  mkdir "$work"
  "$loggen" "$mb" "$log" >/dev/null
  /usr/bin/time -v -o "$scratch/time.txt" "$cli" split -C "$work" "$log" >"$scratch/count.txt"
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$scratch/time.txt")
  secs=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$scratch/time.txt")
  printf '%8s %10s %16s %12s\n' "$mb" "$(cat "$scratch/count.txt")" "$rss" "$secs"
  rm -rf "$work" "$log"
done
