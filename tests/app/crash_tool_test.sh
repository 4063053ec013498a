#!/usr/bin/env bash
# The crash test tool's own command line: --help prints its usage and kills nothing, mistakes are
# refused, and a --dir that holds other files is refused and left as it was.
# Usage: crash_tool_test.sh path/to/crash_test
set -uo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for help in --help -h; do
  out=$(timeout 10 "$tool" $help)
  code=$?
  [ "$code" -eq 0 ] || fail "$help: exit code $code"
  case "$out" in usage:*) ;; *) fail "$help printed: $out" ;; esac
  case "$out" in *kills:*) fail "$help started killing" ;; esac
done

# Each line: the arguments of a mistake.
while read -r args; do
  out=$(timeout 10 "$tool" $args 2>&1)
  code=$?
  [ "$code" -eq 2 ] || fail "'$args': exit code $code ($out)"
done <<'CASES'
--kilss 3
--kills
--kills abc
--kills 1e3
--tills 2
extra
CASES

mkdir -p "$work/mine/notes"
echo keep >"$work/mine/notes/a.txt"
echo keep >"$work/mine/data.db"
out=$(timeout 30 "$tool" --dir "$work/mine" --kills 1 2>&1)
code=$?
[ "$code" -eq 2 ] || fail "a folder with other files: exit code $code ($out)"
[ "$(cat "$work/mine/notes/a.txt" 2>/dev/null)" = keep ] || fail "a folder with other files lost them"
[ "$(cat "$work/mine/data.db" 2>/dev/null)" = keep ] || fail "a folder with other files lost data.db"

# A new folder is the tool's: used, and removed once the run passes.
timeout 60 "$tool" --dir "$work/new" --kills 2 >/dev/null || fail "a run in a new folder failed"
[ ! -e "$work/new" ] || fail "the new folder was left after a run that passed"

exit $failed
