#!/usr/bin/env bash
# The native and the Windows quandorctl write the same bytes for the same edits and read
# each other's files: the service on Windows and our tools elsewhere share these files.
# usage: cross_quandorctl.sh [--one-start] NATIVE_QUANDORCTL WINDOWS_QUANDORCTL_EXE WINE_RUN [WINE_RUN_ARGS...]
# --one-start runs the Windows program once (a 32-bit one may be emulated, where every
# start costs): it edits the file the native one wrote, so that one run shows both that it
# reads the native file and that it writes the same bytes; the native one reads the result.
set -euo pipefail
one_start=0
if [ "${1:-}" = --one-start ]; then
  one_start=1
  shift
fi
native=$1 windows=$2
wine_run=("${@:3}")
[ -x "$native" ] || { echo "cross: no native quandorctl at $native (build the native preset first)" >&2; exit 1; }
[ -f "$windows" ] || { echo "cross: no Windows quandorctl at $windows" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "cross: FAIL: $*" >&2; failures=$((failures + 1)); }

win_path() { local p=$1; echo "Z:${p//\//\\}"; }  # Wine's drive Z: is the root folder
win() {  # runs the Windows quandorctl with FILE arguments (absolute paths) mapped to Z:
  local args=() a
  for a in "$@"; do
    if [[ $a == /* ]]; then args+=("$(win_path "$a")"); else args+=("$a"); fi
  done
  QUANDOR_WINE_TIMEOUT=120 "${wine_run[@]}" "$windows" "${args[@]}"
}
expect_status() {  # expect_status WANT LABEL COMMAND...
  local want=$1 label=$2 got=0
  shift 2
  "$@" >/dev/null 2>"$work/stderr" || got=$?
  [ "$got" = "$want" ] || fail "$label: exit status $got, expected $want ($(cat "$work/stderr"))"
}

# The same edits, one after the other, on both sides.
edits=(
  "Settings HOST abc"
  "Settings LocalPassword s3cr=t;x"
  "Settings SERVER srv.example"
  "Card USER bob"
  "Settings HOST changed"
  "settings host CASE"
)
# The INI text after all the edits.
printf '[Settings]\r\nHOST=CASE\r\nLocalPassword=s3cr=t;x\r\nSERVER=srv.example\r\n[Card]\r\nUSER=bob\r\n' \
  >"$work/expected.dump"

if [ $one_start = 1 ]; then
  last=${edits[-1]}
  for e in "${edits[@]::${#edits[@]}-1}"; do
    read -r section key value <<<"$e"
    "$native" ini set "$work/native.ini" "$section" "$key" "$value" || fail "native set $e"
  done
  cp "$work/native.ini" "$work/windows.ini"
  read -r section key value <<<"$last"
  "$native" ini set "$work/native.ini" "$section" "$key" "$value" || fail "native set $last"
  win ini set "$work/windows.ini" "$section" "$key" "$value" || fail "windows set $last on the native file"
  cmp -s "$work/native.ini" "$work/windows.ini" || fail "files differ after set $last on the native file"
  "$native" ini dump "$work/windows.ini" >"$work/native.dump" || fail "native dump of the Windows file"
  cmp -s "$work/native.dump" "$work/expected.dump" || fail "the Windows file is not the expected INI text"
  [ $failures -eq 0 ] || { echo "cross: $failures check(s) failed" >&2; exit 1; }
  echo "cross: one run of the Windows quandorctl read the native file and wrote the same bytes"
  exit 0
fi

for e in "${edits[@]}"; do
  read -r section key value <<<"$e"
  "$native" ini set "$work/native.ini" "$section" "$key" "$value" || fail "native set $e"
  win ini set "$work/windows.ini" "$section" "$key" "$value" || fail "windows set $e"
  cmp -s "$work/native.ini" "$work/windows.ini" || fail "files differ after set $e"
done

# The first write alone gives the fixed 32-byte file.
"$native" ini set "$work/fixed.ini" Settings HOST abc
fixed=173894fc27e701cf051820b49f9045dd4cc1decad1e6df5d796ea3ed335d0582
[ "$(od -An -v -tx1 "$work/fixed.ini" | tr -d ' \n')" = "$fixed" ] || fail "native file is not the fixed bytes"
win ini set "$work/fixed-win.ini" Settings HOST abc
cmp -s "$work/fixed.ini" "$work/fixed-win.ini" || fail "Windows file is not the fixed bytes"

# Each reads the other's file.
[ "$(win ini get "$work/native.ini" Settings LocalPassword)" = "s3cr=t;x" ] || fail "windows get of the native file"
[ "$("$native" ini get "$work/windows.ini" Card USER)" = "bob" ] || fail "native get of the Windows file"
win ini dump "$work/native.ini" >"$work/windows.dump" || fail "windows dump"
"$native" ini dump "$work/windows.ini" >"$work/native.dump" || fail "native dump"
cmp -s "$work/windows.dump" "$work/native.dump" || fail "dumps differ"
cmp -s "$work/native.dump" "$work/expected.dump" || fail "dump is not the expected INI text"

# load takes the text from standard input, bytes unchanged, on both sides.
win ini load "$work/loaded-win.ini" <"$work/expected.dump" || fail "windows load"
"$native" ini load "$work/loaded.ini" <"$work/expected.dump" || fail "native load"
cmp -s "$work/loaded.ini" "$work/loaded-win.ini" || fail "loaded files differ"
cmp -s "$work/loaded.ini" "$work/native.ini" || fail "loaded file differs from the edited one"

# Exit statuses agree.
printf 'not enciphered' >"$work/plain.ini"
for side in native win; do
  run=("$native")
  [ $side = win ] && run=(win)
  expect_status 2 "$side get of a missing file" "${run[@]}" ini get "$work/missing.ini" Settings HOST
  expect_status 3 "$side get of a file that does not decipher" "${run[@]}" ini get "$work/plain.ini" Settings HOST
  expect_status 3 "$side dump of a file that does not decipher" "${run[@]}" ini dump "$work/plain.ini"
  expect_status 3 "$side set on a file that does not decipher" "${run[@]}" ini set "$work/plain.ini" Settings HOST x
  expect_status 1 "$side wrong usage" "${run[@]}" ini get "$work/native.ini"
  expect_status 0 "$side help" "${run[@]}" ini --help
done
[ "$(cat "$work/plain.ini")" = "not enciphered" ] || fail "a refused set changed the file"
expect_status 1 "native value with a line break" "$native" ini set "$work/native.ini" Settings HOST $'a\r\nX=1'
cmp -s "$work/native.ini" "$work/windows.ini" || fail "a refused value changed the file"

if [ $failures -gt 0 ]; then
  echo "cross: $failures check(s) failed" >&2
  exit 1
fi
echo "cross: native and Windows quandorctl agree"
