#!/bin/sh
# The real program without a screen: no display named, or one no server
# answers on. It says so and ends with status 1, not Qt's abort, and leaves
# the work directory as it was.
set -u
program=$1
failures=0
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cd "$root" || exit 1

for display in "" ":97"; do
  out=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$program" 2>&1)
  status=$?
  if [ "$status" -ne 1 ]; then
    echo "FAIL: DISPLAY='$display': status $status"
    failures=$((failures + 1))
  fi
  case $out in
    *画面がありません*) ;;
    *) echo "FAIL: DISPLAY='$display': said: $out"; failures=$((failures + 1)) ;;
  esac
done
if [ -n "$(ls -A "$root")" ]; then
  echo "FAIL: files left: $(ls -A "$root")"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo ok
exit "$failures"
