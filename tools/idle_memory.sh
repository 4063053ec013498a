#!/usr/bin/env bash
# Idle memory of the program after logging in: starts it on a data folder under an X server of its
# own (Xvfb), logs in as admin with an empty password (xdotool), waits until it is idle and prints
# its RSS and PSS in kB (from /proc/PID/smaps_rollup), then ends it with SIGTERM. SCREEN sets
# the X screen (default 1280x1024x24).
# Needs Xvfb and xdotool. Usage: tools/idle_memory.sh path/to/chenzhou-pos DATA_FOLDER [SECONDS_TO_SETTLE]
set -euo pipefail
program=$1
data=$2
settle=${3:-10}
work=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  [ -n "${xpid:-}" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -nolisten tcp -screen 0 "${SCREEN:-1280x1024x24}" 3>"$work/display" >/dev/null 2>&1 &
xpid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$work/display")
QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$work/config "$program" --data "$data" >"$work/out.txt" 2>&1 &
pid=$!
window=$(xdotool search --sync --onlyvisible --name "晨舟收银系统" | head -n1)
sleep 1
xdotool windowfocus --sync "$window"
# The account box may hold the last account: select it all and type admin over it.
xdotool key --window "$window" ctrl+a
xdotool type --window "$window" --delay 20 admin
xdotool key --window "$window" Return
sleep 0.3
xdotool key --window "$window" Return
# Idle: the login done and the start's work (a day's first backup included) over.
sleep "$settle"
kill -0 "$pid" || { echo "the program ended: $(cat "$work/out.txt")" >&2; exit 1; }
echo "windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')"
awk '/^Rss:/ {rss=$2} /^Pss:/ {pss=$2} END {printf "RSS %d kB  PSS %d kB\n", rss, pss}' \
  "/proc/$pid/smaps_rollup"
