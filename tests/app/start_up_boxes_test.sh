#!/usr/bin/env bash
# The real program, offscreen, started on settings a careless hand wrote: a server that cannot be
# reached shows 打开数据库失败, and TERM, INT and HUP still end it through its exit (exit code 0,
# nothing made in the data folder); a misspelt database type is named and opens nothing.
# Usage: start_up_boxes_test.sh path/to/chenzhou-pos
set -uo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
# The settings file is GBK.
settings() { printf '%s\n' "$@" | iconv -t GBK >"$dir/配置.ini"; }
# Waits up to 10 s for $pid to end; kills it and fails when it does not.
ends() {
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$1: still running 10 s after the signal"
    kill -9 "$pid"
  fi
  wait "$pid"
}

for signal in TERM INT HUP; do
  dir=$work/server-$signal
  mkdir -p "$dir"
  settings '[数据库]' '类型=PostgreSQL' "连接=host=$work/no-server dbname=shop user=till connect_timeout=2"
  XDG_CONFIG_HOME=$dir/config QT_QPA_PLATFORM=offscreen "$program" --data "$dir" >"$dir/out.txt" 2>&1 &
  pid=$!
  # The connection fails at once (no socket there) and the box waits for 确定.
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "$signal: the program ended before the signal"
  kill "-$signal" "$pid"
  ends "$signal"
  code=$?
  [ "$code" -eq 0 ] || fail "$signal: exit code $code"
  [ ! -e "$dir/data.db" ] || fail "$signal: a server shop made a data.db"
done

for type in Oracle 'Postgres' 'SQL Server'; do
  dir=$work/type-${type// /-}
  mkdir -p "$dir"
  settings '[数据库]' "类型=$type"
  XDG_CONFIG_HOME=$dir/config QT_QPA_PLATFORM=offscreen "$program" --data "$dir" >"$dir/out.txt" 2>&1 &
  pid=$!
  sleep 1.5
  kill -TERM "$pid" 2>/dev/null
  ends "$type"
  grep -q "数据库类型\[$type\]无效，请填写 SQLite 或 PostgreSQL" "$dir/out.txt" ||
    fail "$type: not named: $(cat "$dir/out.txt")"
  [ ! -e "$dir/data.db" ] || fail "$type: data.db made"
  out=$("$program" --data "$dir" --check)
  code=$?
  [ "$code" -eq 2 ] || fail "$type: --check exit code $code ($out)"
  [ ! -e "$dir/data.db" ] || fail "$type: --check made data.db"
done

exit $failed
