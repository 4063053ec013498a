#!/usr/bin/env bash
# The real program on an X server of its own (Xvfb) that is killed while the program runs, as a
# log-out or shutdown does: the program ends like on SIGTERM (exit code 0, no crash), data.db is
# closed into one file with no -wal or -shm beside it, and the next start opens it as before.
# Usage: display_loss_test.sh path/to/chenzhou-pos
set -uo pipefail
program=$1
work=$(mktemp -d)
xpid=
trap '[ -n "$xpid" ] && kill "$xpid" 2>/dev/null; rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
copies() { find "$1/备份" -maxdepth 1 -name 'data-*.db' 2>/dev/null | wc -l; }

for round in 1 2; do
  dir=$work/shop
  mkdir -p "$dir"
  # Xvfb picks a free display and writes its number.
  Xvfb -displayfd 3 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xpid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { fail "Xvfb did not start"; break; }
  display=:$(head -n1 "$work/display")
  QT_QPA_PLATFORM=xcb DISPLAY=$display XDG_CONFIG_HOME=$dir/config "$program" --data "$dir" >"$dir/out-$round.txt" 2>&1 &
  pid=$!
  for _ in $(seq 200); do [ -f "$dir/data.db-wal" ] && [ "$(copies "$dir")" -ge 1 ] && break; sleep 0.05; done
  [ -f "$dir/data.db-wal" ] || fail "$round: the running program has no write-ahead log"
  kill "$xpid"
  wait "$xpid" 2>/dev/null
  xpid=
  : >"$work/display"
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$round: still running 10 s after the X server ended"
    kill -9 "$pid"
  fi
  wait "$pid"
  code=$?
  [ "$code" -eq 0 ] || fail "$round: exit code $code ($(cat "$dir/out-$round.txt"))"
  [ ! -e "$dir/data.db-wal" ] || fail "$round: data.db-wal left behind"
  [ ! -e "$dir/data.db-shm" ] || fail "$round: data.db-shm left behind"
  find "$dir/备份" -name '*.part*' | grep -q . && fail "$round: a part file left behind"
done

out=$("$program" --data "$work/shop" --check)
[ "$out" = "数据库完好" ] || fail "--check after the X server ended said: $out"

exit $failed
