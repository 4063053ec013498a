#!/usr/bin/env bash
# Builds the .deb from a built tree, unpacks it into a temporary root with dpkg-deb -x and checks
# it the way a user would meet it: --version, --help and a wrong option answer without a
# display; the first start, offscreen with an empty home, creates data.db in that home's data
# folder (and nothing beside the executable); the menu entry passes desktop-file-validate; and,
# where lintian is installed, lintian finds no error.
#
# usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail

build=$1
version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/chenzhou-package-test.XXXXXX")
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "== cpack"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack could not build the package"
fi
debs=("$work"/out/chenzhou-pos_"$version"_*.deb)
[ -f "${debs[0]}" ] || fail "no chenzhou-pos_${version}_<arch>.deb in $(ls "$work/out")"
deb=${debs[0]}
echo "built $(basename "$deb")"

echo "== control fields"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# libpq5 and libcups2 are opened at their first use, so only the control file names them.
for needed in 'fonts-wqy-microhei | fonts-noto-cjk' qt6-translations-l10n libqt6widgets6 \
              libqt6printsupport6 libsqlite3-0 libxcb1 libpq5 libcups2; do
  grep -qF -- "$needed" <<<"$depends" || fail "Depends lacks $needed"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"

echo "== contents"
root=$work/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/chenzhou-pos \
            usr/share/applications/cn.chenzhou_pos.ChenzhouPos.desktop \
            usr/share/metainfo/cn.chenzhou_pos.ChenzhouPos.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/chenzhou-pos.svg \
            usr/share/man/man1/chenzhou-pos.1.gz \
            usr/share/doc/chenzhou-pos/README.md \
            usr/share/doc/chenzhou-pos/copyright \
            usr/share/doc/chenzhou-pos/changelog.gz; do
  [ -f "$root/$file" ] || fail "the package lacks /$file"
done
bin=$root/usr/bin/chenzhou-pos
# The changelog is written by hand: its latest entry must be this version.
latest=$(gzip -dc "$root/usr/share/doc/chenzhou-pos/changelog.gz" | sed -n 1p)
[ "$latest" = "chenzhou-pos ($version) stable; urgency=medium" ] ||
  fail "the changelog's latest entry is not $version: $latest"
grep -qF "version=\"$version\"" "$root/usr/share/metainfo/cn.chenzhou_pos.ChenzhouPos.metainfo.xml" ||
  fail "the metainfo file has no release $version"
grep -q "^Name=晨舟收银系统$" "$root/usr/share/applications/cn.chenzhou_pos.ChenzhouPos.desktop" ||
  fail "the menu entry is not named 晨舟收银系统"

echo "== options without a display"
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
out=$("${nodisplay[@]}" "$bin" --version) || fail "--version failed"
[ "$out" = "晨舟收银系统 (chenzhou-pos) $version" ] || fail "--version printed: $out"
out=$("${nodisplay[@]}" "$bin" --help) || fail "--help failed"
grep -q -- "--data DIR" <<<"$out" || fail "--help does not list --data: $out"
status=0
err=$("${nodisplay[@]}" "$bin" --no-such-option 2>&1 >/dev/null) || status=$?
[ "$status" = 2 ] || fail "an unknown option exited with $status, not 2"
[ "$(wc -l <<<"$err")" = 1 ] || fail "an unknown option printed more than one line: $err"

echo "== a data folder that is a file"
home="$work/家 目录"
mkdir -p "$home"
touch "$work/数据 文件"
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
  "$bin" --data "$work/数据 文件" >"$work/file.log" 2>&1 &
pid=$!
# The program tells why on its error output and waits in its message box, having created nothing.
for _ in $(seq 1 100); do
  grep -qF "无法写入数据文件夹：$work/数据 文件" "$work/file.log" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
grep -qF "无法写入数据文件夹：$work/数据 文件" "$work/file.log" ||
  { cat "$work/file.log" >&2; fail "--data on a file was not refused"; }
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
[ ! -e "$home/.local/share/chenzhou-pos" ] || fail "a data folder was created in spite of --data"
[ "$(stat -c %s "$work/数据 文件")" = 0 ] || fail "the file given to --data was changed"

echo "== first start"
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen "$bin" \
  >"$work/run.log" 2>&1 &
pid=$!
database=$home/.local/share/chenzhou-pos/data.db
# Started once the database holds something: its header, or its tables in the write-ahead log.
for _ in $(seq 1 300); do
  if [ -s "$database" ] || [ -s "$database-wal" ]; then break; fi
  kill -0 "$pid" 2>/dev/null || { cat "$work/run.log" >&2; fail "the program ended at its first start"; }
  sleep 0.1
done
[ -s "$database" ] || [ -s "$database-wal" ] || { cat "$work/run.log" >&2; fail "no $database"; }
kill -0 "$pid" 2>/dev/null || { cat "$work/run.log" >&2; fail "the program did not keep running"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
[ ! -e "$root/usr/bin/data.db" ] || fail "data.db was created beside the executable"
echo "data.db created in ~/.local/share/chenzhou-pos"

echo "== desktop-file-validate"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/cn.chenzhou_pos.ChenzhouPos.desktop" ||
    fail "desktop-file-validate found a fault"
else
  echo "skipped: desktop-file-validate is not installed"
fi

echo "== lintian"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" || fail "lintian found an error"
else
  echo "skipped: lintian is not installed"
fi
echo "PASS"
