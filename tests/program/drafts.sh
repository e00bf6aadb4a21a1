#!/bin/bash
# Drafts in the real program under a virtual X server (run by xvfb-run):
# typing survives a kill -9 but for its last two seconds, the next start
# reopens the composer, and a SIGTERM keeps the draft.
# Usage: drafts.sh PELARIN_BINARY
set -u
pelarin=$(realpath "$1")
# The program's own output goes with a failure: a start that ends early says why there.
fail() {
  echo "FAIL: $*" >&2
  for log in "$work"/*/out.log; do [ -s "$log" ] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }; done
  exit 1
}

work=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

# Waits up to 10 s for a shown window whose name matches; prints its id.
window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# The value of one field of a draft, its escapes undone (only what these tests type).
field() { grep -a "^$2=" "$1" | tr -d '\r' | sed "s/^$2=//"; }

start() {
  (cd "$1" && exec "$pelarin" >>"$1/out.log" 2>&1) &
  pid=$!
}

stop() {  # signal, then wait for the end
  kill "-$1" "$pid" 2>/dev/null
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  fail "the program did not end on SIG$1"
}

# 1. Typing, then kill -9 at once.
dir=$work/typing
mkdir "$dir"
start "$dir"
main=$(window "Pelarin for Windows") || fail "no main window"
xdotool windowfocus --sync "$main"
sleep 0.3
xdotool key ctrl+n
composer=$(window "New Message Window") || fail "Ctrl+N opened no composer"
eval "$(xdotool getwindowgeometry --shell "$composer")"
xdotool mousemove --window "$composer" $((WIDTH / 2)) $((HEIGHT - 20)) click 1
sleep 0.3
# About ten keys a second for 4.5 s, each key's time noted once it is sent.
keys=abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRS
times=()
for ((i = 0; i < ${#keys}; i++)); do
  xdotool type "${keys:i:1}"
  times+=("$(date +%s%N)")
  sleep 0.1
done
kill -9 "$pid"
killed=$(date +%s%N)
wait "$pid" 2>/dev/null
draft=$dir/pelarin-new.draft
[ -f "$draft" ] || fail "no draft after kill -9"
saved=$(field "$draft" NewView)
# Every key sent more than 2 s before the kill is there, and nothing but keys typed.
due=0
for t in "${times[@]}"; do [ $((killed - t)) -gt 2000000000 ] && due=$((due + 1)); done
case "$keys" in "$saved"*) ;; *) fail "the draft holds '$saved'" ;; esac
[ ${#saved} -ge "$due" ] || fail "the draft holds ${#saved} keys, $due were typed more than 2 s before the kill"
echo "kill -9 after typing: the draft holds ${#saved} of ${#keys} keys, $due were due"

# 2. The next start reopens the composer with that text; SIGTERM keeps the draft.
cp "$draft" "$work/before"
rm -f "$dir/upload.tmp"  # the killed run's lock; taking over a stale one is the lock's own test
start "$dir"
window "upload.txt - New Message Window" >/dev/null || fail "the start did not reopen the composer"
window "情報" >/dev/null || fail "the start did not say it reopened the composer"
cmp -s "$draft" "$work/before" || fail "the restore changed the draft"
stop TERM
cmp -s "$draft" "$work/before" || fail "SIGTERM lost the draft"

# 3. A planted response draft comes back under the script it names.
dir=$work/planted
mkdir "$dir"
printf '%s\r\n' "Pelarin draft 1" "kind=response" "TextFileDir=" "UploadFile=nifty.txt" "Boardnum=B5" \
  "Mesnum=123" "ResTitle=hanami" "MesTitle=Re: hanami" "Resview=line one\\x0Aline two" "end" \
  >"$dir/pelarin-res.draft"
cp "$dir/pelarin-res.draft" "$work/planted.draft"
start "$dir"
window "nifty.txt - Responce Window" >/dev/null || fail "the planted response did not come back"
stop TERM
cmp -s "$dir/pelarin-res.draft" "$work/planted.draft" || fail "the planted draft changed or went"
echo "restore at start and SIGTERM: the drafts are kept"
