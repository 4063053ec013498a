#!/usr/bin/env bash
# The real program, offscreen, in a folder of its own: SIGTERM, SIGINT and SIGHUP end it through
# its exit (exit code 0, no second copy of unchanged data, data.db closed into one file with no -wal or
# -shm beside it); then `--check` passes the file and fails it once a page byte is flipped.
# Usage: signals_and_check_test.sh path/to/chenzhou-pos
set -uo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
copies() { find "$1/备份" -maxdepth 1 -name 'data-*.db' 2>/dev/null | wc -l; }

for signal in TERM INT HUP; do
  dir=$work/$signal
  mkdir -p "$dir"
  cp "$program" "$dir/chenzhou-pos"
  XDG_CONFIG_HOME=$dir/config QT_QPA_PLATFORM=offscreen "$dir/chenzhou-pos" --data "$dir" >"$dir/out.txt" 2>&1 &
  pid=$!
  # Started once the day's first backup is in its folder.
  for _ in $(seq 200); do [ "$(copies "$dir")" -ge 1 ] && break; sleep 0.05; done
  [ "$(copies "$dir")" -ge 1 ] || fail "$signal: no backup at the first start"
  [ -f "$dir/data.db-wal" ] || fail "$signal: the running program has no write-ahead log"
  kill "-$signal" "$pid"
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$signal: still running 10 s after the signal"
    kill -9 "$pid"
  fi
  wait "$pid"
  code=$?
  [ "$code" -eq 0 ] || fail "$signal: exit code $code"
  [ ! -e "$dir/data.db-wal" ] || fail "$signal: data.db-wal left behind"
  [ ! -e "$dir/data.db-shm" ] || fail "$signal: data.db-shm left behind"
  # Nothing was stored between the start and the exit: the start's copy holds it all.
  [ "$(copies "$dir")" -eq 1 ] || fail "$signal: $(copies "$dir") copies, not the start's alone"
done

dir=$work/TERM
out=$("$dir/chenzhou-pos" --check)
code=$?
[ "$code" -eq 0 ] || fail "--check of a sound file: exit code $code ($out)"
[ "$out" = "数据库完好" ] || fail "--check of a sound file said: $out"
[ ! -e "$dir/data.db-wal" ] || fail "--check left data.db-wal behind"

# The first byte of page 2 is its page type; every bit of it flipped.
page=$(od -An -tu2 -j16 -N2 --endian=big "$dir/data.db" | tr -d ' ')
[ "$page" = 1 ] && page=65536
byte=$(od -An -tu1 -j"$page" -N1 "$dir/data.db" | tr -d ' ')
printf "$(printf '\\%03o' $((255 - byte)))" | dd of="$dir/data.db" bs=1 seek="$page" conv=notrunc status=none
out=$("$dir/chenzhou-pos" --check)
code=$?
[ "$code" -ne 0 ] || fail "--check of a file with a flipped page byte exited 0 ($out)"
case "$out" in 数据库有错误*) ;; *) fail "--check of a damaged file said: $out" ;; esac

backup=$work/cron
mkdir -p "$backup"
"$work/HUP/chenzhou-pos" --backup "$backup" >/dev/null || fail "--backup failed"
[ "$(find "$backup" -name 'data-*.db' | wc -l)" -eq 1 ] || fail "--backup wrote no copy"

exit $failed
