#!/bin/sh
# Runs the real program offscreen in a temporary work directory: every signal
# that ends a desktop session leaves the settings saved, no lock and no message
# files; a killed copy's lock is taken over; two copies started together give
# one owner. The program's boxes are real modal boxes: a signal ends them.
set -u
program=$1
export QT_QPA_PLATFORM=offscreen
failures=0
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The inode of upload.tmp as /proc/locks writes it, or nothing.
lock_inode() {
  [ -e upload.tmp ] && stat -c %i upload.tmp
}

# The pids holding an advisory lock on upload.tmp.
lock_holders() {
  inode=$(lock_inode) || return 0
  awk -v inode="$inode" '$2 == "FLOCK" { split($6, id, ":"); if (id[3] == inode) print $5 }' /proc/locks
}

# Waits up to 10 s until some process holds the lock.
wait_for_lock() {
  i=0
  while [ $i -lt 100 ]; do
    [ -n "$(lock_holders)" ] && return 0
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}

check_clean_end() {  # what: the end of a run; no lock, settings, no store
  what=$1
  [ -e upload.tmp ] && fail "$what: upload.tmp is left"
  [ "$(grep -c "$(printf '\r')\$" pelarin.ini 2>/dev/null)" = 51 ] || fail "$what: pelarin.ini not saved"
  ls mes*.tmp >/dev/null 2>&1 && fail "$what: message files left: $(ls mes*.tmp)"
  return 0
}

start() {
  "$program" >>program.log 2>&1 &
  pid=$!
}

# 1. Each signal runs the normal close.
for entry in TERM:15 HUP:1 INT:2; do
  sig=${entry%:*}
  number=${entry#*:}
  dir="$root/$sig" && mkdir "$dir" && cd "$dir" || exit 1
  : >mes1.tmp && : >mes2.tmp && : >mestemp.tmp.1  # left by a crash: the owner clears them
  start
  wait_for_lock || fail "SIG$sig: the program took no lock"
  [ "$(lock_holders)" = "$pid" ] || fail "SIG$sig: the lock is not the program's"
  kill -s "$sig" "$pid"
  wait "$pid"
  status=$?
  [ $status -eq $((128 + number)) ] || fail "SIG$sig: exit status $status"
  check_clean_end "SIG$sig"
done

# 2. A killed copy leaves its file; the next start takes it over (with its
# information box open, a signal still ends it cleanly).
dir="$root/kill9" && mkdir "$dir" && cd "$dir" || exit 1
start
wait_for_lock || fail "kill -9: no lock"
kill -9 "$pid"
wait "$pid" 2>/dev/null
[ -e upload.tmp ] || fail "kill -9: the stale file is expected to stay"
[ -z "$(lock_holders)" ] || fail "kill -9: a dead copy still holds the lock"
start
wait_for_lock || fail "kill -9: the next start did not take the lock over"
[ "$(lock_holders)" = "$pid" ] || fail "kill -9: the lock is not the new copy's"
kill -s TERM "$pid"
wait "$pid"
[ $? -eq 143 ] || fail "kill -9: the new copy did not end by its signal"
check_clean_end "takeover"

# 3. Two copies started together: one owner; the other shows its refusal
# box until a signal ends it, writing nothing.
round=0
while [ $round -lt 5 ]; do
  dir="$root/pair$round" && mkdir "$dir" && cd "$dir" || exit 1
  "$program" >>program.log 2>&1 &
  first=$!
  "$program" >>program.log 2>&1 &
  second=$!
  wait_for_lock || fail "pair $round: no owner"
  sleep 1  # both copies are past their lock step
  holders=$(lock_holders)
  case "$holders" in
    "$first" | "$second") ;;
    *) fail "pair $round: owners '$holders' of $first $second" ;;
  esac
  kill -0 "$first" 2>/dev/null && kill -0 "$second" 2>/dev/null ||
    fail "pair $round: a copy ended on its own"
  kill -s TERM "$first" "$second"
  wait "$first"
  wait "$second"
  check_clean_end "pair $round"
  round=$((round + 1))
done

[ $failures -eq 0 ] && echo "all passed"
exit $failures
