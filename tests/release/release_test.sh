#!/usr/bin/env bash
# The release as an administrator meets it: scripts/release's dist/, and its package
# installed, repaired, upgraded, refused, removed and started under Wine, in fresh
# prefixes whose product folder already holds settings, a card and a log.
# usage: release_test.sh SOURCE_DIR WORK_DIR UIDRIVER_EXE STEP
#   packages      builds the old and the new release (and the 64-bit package for "start"
#                 where 32-bit programs cannot run at all); the other steps use them
#   contents      what dist/ holds: checksums, package identity, version resources, Linux binary
#   reproducible  a second release run from the same commit gives the same SHA256SUMS
#   lifecycle     install, repair, upgrade, older package refused, uninstall, INSTALLDIR
#   start         the Run value's command line starts the tray program
#   signing       a release signed with a throwaway certificate verifies
set -euo pipefail
src=$1 work=$2 uidriver=$3 step=$4
e2e_tests=$(dirname "$uidriver")/e2e_tests.exe  # its MessageTable test reads an installed program's messages
root=$src
. "$src/scripts/wine-env"

old=1.9.0 new=1.10.0  # numerically ordered, not as texts: 1.10.0 is the newer
product="Quandor Systems Card Authenticator"
publisher="Quandor Systems"
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
folder_key="HKLM\\Software\\$publisher\\$product"  # where the package remembers its folder
event_key="SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\$product"  # the audit trail's source, under HKLM
builds=$work/build
msi_old=$work/dist-$old/QuandorAuthenticator-$old.msi
msi_new=$work/dist-$new/QuandorAuthenticator-$new.msi
msi_x64=$work/dist-x64/QuandorAuthenticator-$old-x64.msi

failures=0
fail() { echo "release: FAIL: $*" >&2; failures=$((failures + 1)); }
finish() {
  if [ "$failures" -ne 0 ]; then echo "release: $step: $failures failure(s)" >&2; exit 1; fi
  echo "release: $step: passed"
}
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# The release script with this test's folders; the rest of its environment is the caller's.
release() {  # release VERSION DIST [VAR=VALUE...]
  local version=$1 dist=$2
  shift 2
  env -u QUANDOR_SIGN_CERT -u QUANDOR_SIGN_KEY -u QUANDOR_SIGN_CAFILE -u QUANDOR_RELEASE_ARCH \
    QUANDOR_VERSION="$version" QUANDOR_DIST="$dist" QUANDOR_RELEASE_BUILD="$builds" "$@" "$src/scripts/release"
}

# How the start step runs the Run value's command line: the shipped 32-bit tray program,
# natively or emulated (inside scripts/i386-run: one slow 32-bit process start, in a copy of
# the build's 32-bit prefix), otherwise the same package contents built 64-bit ("x64").
# QUANDOR_RELEASE_START chooses one of the three (to try a way this machine would not take).
start_mode() {
  if [ -n "${QUANDOR_RELEASE_START:-}" ]; then
    echo "$QUANDOR_RELEASE_START"
  elif [ "$QUANDOR_WINE32" = native ]; then
    echo native
  elif [ "$QUANDOR_WINE32" = emulated ] || "$src/scripts/i386-run" true >/dev/null 2>&1; then
    echo emulated
  else
    echo x64
  fi
}

property() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v k="$2" '$1 == k { print $2 }'; }

# --- Wine helpers (WINEPREFIX is the step's own fresh prefix) -------------------------
# fresh_prefix NAME [copy]: a new prefix (or a copy of the build's 32-bit one), data in its product folder
fresh_prefix() {
  export WINEPREFIX=$work/prefix-$1
  rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
  if [ "${2:-}" = copy ]; then
    "$src/scripts/wine-prefix" --wow64  # made once for the build; minutes where 32-bit code is emulated
    cp -a "$QUANDOR_WINE32_PREFIX" "$WINEPREFIX"
  else
    "$src/scripts/wine-prefix" "$WINEPREFIX"
  fi
  folder=$WINEPREFIX/drive_c/Quandor-Authenticator
  rm -rf "$folder"
  mkdir -p "$folder/LOG" "$folder/CARD"
  local ctl=$work/dist-$old/quandorctl-$old-linux-x86_64
  printf '[ConfigSetting]\r\nDEBUG=1\r\nDELAY=500\r\n' >"$folder/Settings.ini"
  "$ctl" ini set "$folder/SettingsHost.ini" Settings HOST rdhost.example
  "$ctl" ini set "$folder/CARD/4711230098.dll" Settings USER j.miller
  : >"$folder/Read.txt"
  head -c 957 /dev/urandom >"$folder/LOG/12102026.log"
  data_sums=$(data_state)
}
# Every data file and folder with its content's checksum.
data_state() {
  (cd "$folder" && find Settings.ini SettingsHost.ini Read.txt LOG CARD -print0 2>/dev/null | sort -z |
    xargs -0 -I{} sh -c 'if [ -d "{}" ]; then echo "dir {}"; else sha256sum "{}"; fi')
}
check_data() { [ "$(data_state)" = "$data_sums" ] || fail "$1: the settings, card, log or Read.txt changed"; }

msiexec() {  # msiexec LABEL ARGS...: its exit status (Wine passes only its low 8 bits on)
  local label=$1
  shift
  local status=0
  timeout 300 "$QUANDOR_WINE" msiexec "$@" /qn /l*v "$(winpath "$work/$label.log")" >/dev/null 2>&1 || status=$?
  echo "$status"
}
expect_msiexec() {  # expect_msiexec WANT LABEL ARGS...
  local want=$1 label=$2
  shift 2
  local got
  got=$(msiexec "$label" "$@")
  [ "$got" = "$want" ] || fail "$label: msiexec exit status $got, expected $want (log: $work/$label.log)"
}

reg_value() {  # reg_value KEY NAME VIEW(32|64): the value's text, or nothing
  { timeout 60 "$QUANDOR_WINE" reg query "$1" /v "$2" "/reg:$3" 2>/dev/null || true; } | tr -d '\r' |
    awk -v n="$2" 'index($0, "    " n "    ") == 1 { sub(/^    .*    REG_[A-Z_]+    /, ""); print }'
}
# The event source as registered: "NAME TYPE VALUE" for each of its four values.
event_source() {
  local name
  for name in EventMessageFile CategoryMessageFile CategoryCount TypesSupported; do
    { timeout 60 "$QUANDOR_WINE" reg query "HKLM\\$event_key" /v "$name" 2>/dev/null || true; } | tr -d '\r' |
      awk -v n="$name" 'index($0, "    " n "    ") == 1 { sub(/^    /, ""); gsub(/    /, " "); print }'
  done
}
check_event_source() {  # check_event_source LABEL PROGRAM: registered, its messages in the installed PROGRAM
  local label=$1 program=$2
  local want="EventMessageFile REG_EXPAND_SZ $program
CategoryMessageFile REG_EXPAND_SZ $program
CategoryCount REG_DWORD 0x2
TypesSupported REG_DWORD 0x7"
  [ "$(event_source)" = "$want" ] || fail "$label: the event source is '$(event_source | tr '\n' ';')'"
  # Every event's sentence, read out of the installed file as Event Viewer reads it.
  QUANDOR_MESSAGE_FILES=$program timeout 120 "$QUANDOR_WINE" "$e2e_tests" --gtest_filter=MessageTable.* \
    --gtest_brief=1 >"$work/messages-$label.log" 2>&1 ||
    fail "$label: the installed message table: $(grep -a -m3 -E 'Failure|no message|: ' "$work/messages-$label.log" | tr '\n' ' ')"
}
check_no_event_source() {
  ! timeout 60 "$QUANDOR_WINE" reg query "HKLM\\$event_key" >/dev/null 2>&1 || fail "$1: the event source is still registered"
}

# The Programs and Features entries of our product: "{CODE}" a line.
entries() {
  { timeout 60 "$QUANDOR_WINE" uninstaller --list 2>/dev/null || true; } | tr -d '\r' |
    awk -F'[|][|][|]' -v p="$product" '$2 == p { print $1 }'
}
check_entry() {  # check_entry LABEL PACKAGE: one entry, this package's, with its version and publisher
  local label=$1 package=$2 code
  code=$(property "$package" ProductCode)
  [ "$(entries)" = "$code" ] || fail "$label: Programs and Features holds '$(entries | tr '\n' ' ')', not just $code"
  local version shown_publisher view
  for view in 64 32; do  # Wine keeps the entries of a 32-bit package in the 32-bit view
    version=$(reg_value "$uninstall_key\\$code" DisplayVersion $view)
    shown_publisher=$(reg_value "$uninstall_key\\$code" Publisher $view)
    [ -n "$version" ] && break
  done
  [ "$version" = "$(property "$package" ProductVersion)" ] || fail "$label: the entry shows version '$version'"
  [ "$shown_publisher" = "$publisher" ] || fail "$label: the entry's publisher is '$shown_publisher'"
}
extracted() {  # extracted PACKAGE: a folder holding the package's files (extracted once per content)
  local dir
  dir=$work/contents-$(sha256sum "$1" | cut -c1-16)
  [ -d "$dir" ] || { mkdir -p "$dir" && (cd "$dir" && msiextract "$1" >/dev/null); }
  echo "$dir/Quandor-Authenticator"
}
check_programs() {  # check_programs LABEL FOLDER PACKAGE: the package's two programs, byte for byte
  local label=$1 dir=$2 package=$3 p contents
  contents=$(extracted "$package")
  for p in QuandorAuthenticator.exe quandorctl.exe; do
    cmp -s "$dir/$p" "$contents/$p" || fail "$label: $p is not the one of $(basename "$package")"
  done
}
check_run_value() {  # check_run_value LABEL EXPECTED VIEW
  local got
  got=$(reg_value "$run_key" "$product" "$3")
  [ "$got" = "$2" ] || fail "$1: the Run value is '$got', expected '$2'"
}

# The dependent load flags of a 32-bit image (the word at 0x36 of its load configuration),
# as objdump reads them: "0x...." or "none" without a load configuration.
dependent_load_flags() {
  local image=$1 base rva size
  base=$(objdump -p "$image" | awk '$1 == "ImageBase" { print $2 }')
  read -r rva size < <(objdump -p "$image" | awk '/Load Configuration Directory/ { print $3, $4 }')
  if [ -z "$rva" ] || [ $((16#$rva)) -eq 0 ]; then echo none; return; fi
  local start=$((16#$base + 16#$rva)) bytes
  bytes=$(objdump -s --start-address=$start --stop-address=$((start + 16#$size)) "$image" |
    awk '/^ [0-9a-f]+ / { for (i = 2; i <= 5 && i <= NF; i++) if ($i ~ /^[0-9a-f]+$/) printf "%s", $i }')
  [ ${#bytes} -ge 112 ] || { echo "none (a load configuration of ${#bytes} hex digits)"; return; }
  echo "0x${bytes:110:2}${bytes:108:2}"
}

# The package's MsiLockPermissionsEx rows: the product's folder, LOG\ and the card folder
# let users read, list and create files, and change the files they hold (the settings,
# the log, the cards and their rewrite's siblings), but never delete or rename one of
# its entries as the folder's right (a program file goes only by its own list); every
# file of the package lets users only read and run it. Nothing inherits from C:\.
access_lists() {
  local package=$1 locks
  locks=$(msiinfo export "$package" MsiLockPermissionsEx | tr -d '\r' | tail -n +4)
  # lock_sddl TABLE OBJECT: the SDDL locking that row
  lock_sddl() { awk -F'\t' -v t="$1" -v o="$2" '$3 == t && $2 == o { print $4 }' <<<"$locks"; }
  # aces SDDL: "TYPE:FLAGS MASK SID" per ACE ("A:-" an allowing one without flags), the
  # mask as a number (FA: full control)
  aces() {
    grep -o '([^)]*)' <<<"$1" | tr -d '()' | awk -F';' '{
      m = $3; if (m == "FA") m = "0x1f01ff"; if (m !~ /^0x/) m = "unknown"
      print $1 ":" ($2 == "" ? "-" : $2), m, $6 }'
  }
  # check_list LABEL SDDL ALLOWED_FOR_USERS: protected, only SYSTEM and the administrators
  # with more than ALLOWED_FOR_USERS, the users with nothing beyond it
  check_list() {
    local label=$1 sddl=$2 allowed=$3 flags mask sid
    [ -n "$sddl" ] || { fail "$label: no access list in the package"; return; }
    [[ $sddl == D:P* ]] || fail "$label: the access list $sddl inherits from the folder above"
    while read -r flags mask sid; do
      [ "$mask" != unknown ] || { fail "$label: an access mask that is no number in $sddl"; continue; }
      [[ $flags == A:* ]] || { fail "$label: an entry that does not allow ($flags) in $sddl"; continue; }
      case $sid in
        SY | BA) [ $((mask)) -eq $((0x1f01ff)) ] || fail "$label: $sid lacks full control" ;;
        BU) [ $((mask & ~allowed)) -eq 0 ] || fail "$label: users get $(printf '%#x' $((mask & ~allowed))) beyond what they need" ;;
        *) fail "$label: an entry for $sid" ;;
      esac
    done < <(aces "$sddl")
  }
  # Users: read and run (0x1200a9), on a folder also create files (0x2); on the files it
  # holds, change them (0x1301bf: delete, write data and attributes), never the folder's
  # delete-child right (0x40), write-DAC or take ownership.
  local folder_users=$((0x1200ab | 0x1301bf)) row
  for row in INSTALLDIR LOGDIR CARDDIR; do
    msiinfo export "$package" CreateFolder | tr -d '\r' | cut -f1 | grep -qx "$row" ||
      fail "$row: the package does not create the folder, so it never gets its access list"
    check_list "$row" "$(lock_sddl CreateFolder "$row")" "$folder_users"
    local this_folder
    this_folder=$(aces "$(lock_sddl CreateFolder "$row")" | awk '$3 == "BU" && $1 !~ /IO/ { print $2 }')
    [ -n "$this_folder" ] && [ $((this_folder & 0x40)) -eq 0 ] && [ $((this_folder & 0x10000)) -eq 0 ] ||
      fail "$row: users may delete the folder or its entries ($this_folder)"
    [ $((this_folder & 0x2)) -ne 0 ] || fail "$row: users cannot create the files the tray program writes"
    aces "$(lock_sddl CreateFolder "$row")" | awk '$3 == "BU" && $1 ~ /OI/ && $1 ~ /IO/' | grep -q . ||
      fail "$row: the files users create there do not let other users rewrite them"
  done
  local file
  for file in $(msiinfo export "$package" File | tr -d '\r' | tail -n +4 | cut -f1); do
    check_list "$file" "$(lock_sddl File "$file")" $((0x1200a9))
  done
  [ "$(msiinfo export "$package" Directory | tr -d '\r' | awk -F'\t' '$1 == "CARDDIR" || $1 == "CARDROOT" { print $1, $2, $3 }' |
    sort | tr '\n' ';')" = "CARDDIR CARDROOT CARD;CARDROOT TARGETDIR Quandor-Authenticator;" ] ||
    fail "the card folder is not C:\\Quandor-Authenticator\\CARD"
}

# --- Steps --------------------------------------------------------------------------
packages() {
  # Everything of an earlier run goes but the build folders (scripts/release reuses them).
  mkdir -p "$work"
  find "$work" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
  release "$old" "$work/dist-$old" 2>"$work/release-$old.log" || { cat "$work/release-$old.log" >&2; exit 1; }
  grep -q UNSIGNED "$work/release-$old.log" || fail "an unsigned release does not say so"
  release "$new" "$work/dist-$new" 2>"$work/release-$new.log" || { cat "$work/release-$new.log" >&2; exit 1; }
  if [ "$(start_mode)" = x64 ]; then
    release "$old" "$work/dist-x64" QUANDOR_RELEASE_ARCH=x64 2>"$work/release-x64.log" ||
      { cat "$work/release-x64.log" >&2; exit 1; }
  fi
}

contents() {
  local dist=$work/dist-$old
  [ "$(cd "$dist" && ls | tr '\n' ' ')" = "QuandorAuthenticator-$old.msi SHA256SUMS quandorctl-$old-linux-x86_64 " ] ||
    fail "dist/ holds $(ls "$dist" | tr '\n' ' ')"
  (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"

  # The package: names, version, per machine, upgrade code kept and product code new.
  local want
  for want in "ProductName=$product" "Manufacturer=$publisher" "ProductVersion=$old" "ALLUSERS=1" "ARPNOMODIFY=1"; do
    [ "$(property "$msi_old" "${want%%=*}")" = "${want#*=}" ] ||
      fail "the package's ${want%%=*} is '$(property "$msi_old" "${want%%=*}")', expected '${want#*=}'"
  done
  [ "$(property "$msi_old" UpgradeCode)" = "$(property "$msi_new" UpgradeCode)" ] || fail "the upgrade code changed"
  [ "$(property "$msi_old" ProductCode)" != "$(property "$msi_new" ProductCode)" ] ||
    fail "two versions share a product code"
  msiinfo suminfo "$msi_old" | grep -q '^Template: Intel;1033' || fail "the shipped package is not a 32-bit package"
  # The event source: its message files as REG_EXPAND_SZ ("#%"), removed with the tray program.
  local registry
  registry=$(msiinfo export "$msi_old" Registry | tr -d '\r' |
    KEY=$event_key awk -F'\t' '$3 == ENVIRON["KEY"] { print $2, $4, $5, $6 }')
  [ "$registry" = "2 EventMessageFile #%[#QuandorAuthenticator.exe] TrayProgram
2 CategoryMessageFile #%[#QuandorAuthenticator.exe] TrayProgram
2 CategoryCount #2 TrayProgram
2 TypesSupported #7 TrayProgram" ] || fail "the package's event source rows are '$(tr '\n' ';' <<<"$registry")'"
  msiinfo export "$msi_old" LaunchCondition | grep -q 'A newer version of \[ProductName\] is already installed' ||
    fail "the package has no message for an older package over a newer one"

  # Each program's version resource, as the resource compiler reads it back.
  local contents p description
  contents=$(extracted "$msi_old")
  for p in QuandorAuthenticator.exe quandorctl.exe; do
    local rc
    rc=$(i686-w64-mingw32-windres -i "$contents/$p" -O rc 2>/dev/null | tr -d '\r')
    i686-w64-mingw32-objdump -f "$contents/$p" | grep -q 'file format pei-i386' || fail "$p is not a 32-bit program"
    description=$product
    [ "$p" = quandorctl.exe ] && description="$product command-line tool"
    for want in "FILEVERSION ${old//./, }, 0" "PRODUCTVERSION ${old//./, }, 0" "\"FileVersion\", \"$old\"" \
                "\"ProductVersion\", \"$old\"" "\"ProductName\", \"$product\"" "\"CompanyName\", \"$publisher\"" \
                "\"FileDescription\", \"$description\"" "\"OriginalFilename\", \"$p\""; do
      grep -qF "$want" <<<"$rc" || fail "$p: the version resource lacks $want"
    done
  done

  # Both programs take the DLLs they import from the system folder only: their load
  # configuration (objdump -p) holds the dependent load flags LOAD_LIBRARY_SEARCH_SYSTEM32.
  for p in QuandorAuthenticator.exe quandorctl.exe; do
    local flags
    flags=$(dependent_load_flags "$contents/$p")
    [ "$flags" = 0x0800 ] || fail "$p: dependent load flags $flags, expected 0x0800 (the system folder only)"
  done

  access_lists "$msi_old"

  # The Linux quandorctl: its version, and nothing to load beyond the C library.
  local linux=$dist/quandorctl-$old-linux-x86_64
  [ "$("$linux" --version)" = "quandorctl $old" ] || fail "the Linux quandorctl says '$("$linux" --version)'"
  local needed
  needed=$(readelf -d "$linux" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' |
    grep -v -x -E 'libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2' || true)
  [ -z "$needed" ] || fail "the Linux quandorctl needs libraries a fresh Debian 12 may lack: $needed"
}

reproducible() {
  # A second run from the same commit: the programs are linked again (the compiled objects
  # are reused; the link is where time stamps get in) and everything is packaged again.
  rm -f "$builds/win-x86/bin/QuandorAuthenticator.exe" "$builds/win-x86/bin/quandorctl.exe" \
    "$builds/native/bin/quandorctl"
  release "$old" "$work/dist-again" 2>"$work/release-again.log" || { cat "$work/release-again.log" >&2; exit 1; }
  cmp -s "$work/dist-$old/SHA256SUMS" "$work/dist-again/SHA256SUMS" ||
    fail "two runs differ: $(diff "$work/dist-$old/SHA256SUMS" "$work/dist-again/SHA256SUMS" | tr '\n' ' ')"
}

lifecycle() {
  fresh_prefix lifecycle
  local run_text='"C:\Quandor-Authenticator\QuandorAuthenticator.exe"'

  expect_msiexec 0 install-old /i "$(winpath "$msi_old")"
  check_programs "install" "$folder" "$msi_old"
  check_run_value "install" "$run_text" 32
  [ "$(reg_value "$folder_key" InstallDir 32)" = 'C:\Quandor-Authenticator\' ] ||
    fail "install: the remembered folder is '$(reg_value "$folder_key" InstallDir 32)'"
  check_entry "install" "$msi_old"
  check_event_source "install" 'C:\Quandor-Authenticator\QuandorAuthenticator.exe'
  check_data "install"

  # Repair brings back a deleted program and the Run value.
  rm "$folder/quandorctl.exe"
  timeout 60 "$QUANDOR_WINE" reg delete "$run_key" /v "$product" /reg:32 /f >/dev/null 2>&1
  expect_msiexec 0 repair /i "$(winpath "$msi_old")" REINSTALL=ALL REINSTALLMODE=amus
  check_programs "repair" "$folder" "$msi_old"
  check_run_value "repair" "$run_text" 32
  check_data "repair"

  expect_msiexec 0 upgrade /i "$(winpath "$msi_new")"
  check_programs "upgrade" "$folder" "$msi_new"
  check_run_value "upgrade" "$run_text" 32
  check_entry "upgrade" "$msi_new"
  check_event_source "upgrade" 'C:\Quandor-Authenticator\QuandorAuthenticator.exe'
  check_data "upgrade"

  # The older package over the newer one: refused (1603, a fatal error), nothing changes.
  expect_msiexec $((1603 % 256)) downgrade /i "$(winpath "$msi_old")"
  check_programs "downgrade refused" "$folder" "$msi_new"
  check_entry "downgrade refused" "$msi_new"
  check_data "downgrade refused"

  expect_msiexec 0 uninstall /x "$(winpath "$msi_new")"
  local p
  for p in QuandorAuthenticator.exe quandorctl.exe; do [ ! -e "$folder/$p" ] || fail "uninstall left $p"; done
  check_run_value "uninstall" "" 32
  [ -z "$(reg_value "$folder_key" InstallDir 32)" ] || fail "uninstall left the remembered folder"
  [ -z "$(entries)" ] || fail "uninstall left the Programs and Features entry"
  check_no_event_source "uninstall"
  check_data "uninstall"

  # INSTALLDIR moves the programs; an upgrade without it keeps them there, next to their
  # settings; the data in the product's folder stays where it is.
  local elsewhere=$WINEPREFIX/drive_c/Card\ Kiosk
  expect_msiexec 0 install-elsewhere /i "$(winpath "$msi_old")" 'INSTALLDIR=C:\Card Kiosk\'
  check_programs "INSTALLDIR" "$elsewhere" "$msi_old"
  check_run_value "INSTALLDIR" '"C:\Card Kiosk\QuandorAuthenticator.exe"' 32
  check_event_source "INSTALLDIR" 'C:\Card Kiosk\QuandorAuthenticator.exe'
  expect_msiexec 0 upgrade-elsewhere /i "$(winpath "$msi_new")"
  check_programs "upgrade in INSTALLDIR" "$elsewhere" "$msi_new"
  [ ! -e "$folder/QuandorAuthenticator.exe" ] || fail "the upgrade installed into the default folder"
  check_run_value "upgrade in INSTALLDIR" '"C:\Card Kiosk\QuandorAuthenticator.exe"' 32
  expect_msiexec 0 uninstall-elsewhere /x "$(winpath "$msi_new")"
  [ ! -e "$elsewhere/QuandorAuthenticator.exe" ] || fail "uninstall left the moved program"
  check_no_event_source "uninstall in INSTALLDIR"
  check_data "INSTALLDIR"
  timeout 60 wineserver -k >/dev/null 2>&1 || true  # the installer service would outlive the step
}

start() {
  local mode package=$msi_old view=32
  mode=$(start_mode)
  if [ "$mode" = emulated ] && [ "$QUANDOR_WINE32" != emulated ]; then
    exec "$src/scripts/i386-run" bash "$0" "$src" "$work" "$uidriver" start
  fi
  if [ "$mode" = x64 ]; then
    package=$msi_x64 view=64
    fresh_prefix start
  elif [ "$mode" = emulated ]; then
    fresh_prefix start copy
  else
    fresh_prefix start
  fi
  expect_msiexec 0 install-start /i "$(winpath "$package")"
  local command
  command=$(reg_value "$run_key" "$product" "$view")
  [[ $command =~ ^\"([^\"]+)\"$ ]] || { fail "the Run value '$command' is not one quoted path"; finish; }
  echo "release: starting the Run value's command line $command ($mode)"
  "$QUANDOR_WINE" "${BASH_REMATCH[1]}" >/dev/null 2>&1 &
  local program=$!
  local main  # an emulated 32-bit start takes a minute or more
  main=$({ timeout 330 "$QUANDOR_WINE" "$uidriver" windows --exe QuandorAuthenticator.exe --class "#32770" --title "" \
    --wait 300000 || true; } | tr -d '\r' | head -1)
  if [ -z "$main" ]; then
    fail "the tray program did not come up"
  else
    timeout 60 "$QUANDOR_WINE" "$uidriver" windows --title "Wine System Tray" --visible --wait 20000 >/dev/null ||
      fail "the tray program shows no notification icon"
    timeout 60 "$QUANDOR_WINE" "$uidriver" post "$main" 0x111 32772 0  # the Exit command
  fi
  timeout 60 tail --pid="$program" -f /dev/null || { fail "the tray program did not end"; kill "$program" 2>/dev/null; }
  check_data "start"
  timeout 60 wineserver -k >/dev/null 2>&1 || true
}

signing() {
  local keys=$work/signing
  rm -rf "$keys"
  mkdir -p "$keys"
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Quandor test signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
  release "$old" "$work/dist-signed" QUANDOR_SIGN_CERT="$keys/cert.pem" QUANDOR_SIGN_KEY="$keys/key.pem" \
    QUANDOR_SIGN_CAFILE="$keys/cert.pem" 2>"$work/release-signed.log" || { cat "$work/release-signed.log" >&2; exit 1; }
  local signed=$work/dist-signed/QuandorAuthenticator-$old.msi
  verify() { osslsigncode verify -CAfile "$keys/cert.pem" -in "$1" >"$work/verify.log" 2>&1; }
  verify "$signed" || fail "the signed package does not verify: $(tail -3 "$work/verify.log")"
  ! verify "$msi_old" || fail "the unsigned package verifies"
  local contents unsigned p
  contents=$(extracted "$signed")
  unsigned=$(extracted "$msi_old")
  for p in QuandorAuthenticator.exe quandorctl.exe; do
    verify "$contents/$p" || fail "$p in the signed package does not verify"
    # How docs/deployment.md checks a signed program against an unsigned rebuild: its
    # signature moved onto the rebuilt program gives the signed program byte for byte.
    rm -f "$work/$p.sig" "$work/$p.attached"
    osslsigncode extract-signature -in "$contents/$p" -out "$work/$p.sig" >/dev/null 2>&1 ||
      fail "$p: no signature to extract"
    osslsigncode attach-signature -CAfile "$keys/cert.pem" -sigin "$work/$p.sig" -in "$unsigned/$p" \
      -out "$work/$p.attached" >"$work/attach.log" 2>&1 || fail "$p: the signature does not fit the unsigned program"
    cmp -s "$work/$p.attached" "$contents/$p" ||
      fail "$p: the unsigned program with the signature is not the signed one"
  done
  # The package differs from the unsigned one only where the signed programs and the signature go.
  rm -rf "$work/tables-signed" "$work/tables-unsigned"
  mkdir -p "$work/tables-signed" "$work/tables-unsigned"
  msidump -s -t -d "$work/tables-signed" "$signed" >/dev/null 2>&1
  msidump -s -t -d "$work/tables-unsigned" "$msi_old" >/dev/null 2>&1
  local differing
  differing=$({ diff -rq "$work/tables-unsigned" "$work/tables-signed" || true; } | tr -cd '[:print:]\n' |
    sed "s|$work/tables-[a-z]*/||g" | sort | tr '\n' ';')
  local expected="Files File.idt and File.idt differ;Files MsiFileHash.idt and MsiFileHash.idt differ;"
  expected+="Files _Streams/programs.cab and _Streams/programs.cab differ;Only in _Streams: DigitalSignature;"
  [ "$differing" = "$expected" ] ||
    fail "the signed package differs from the unsigned one elsewhere: $differing"
  # A changed signed program no longer verifies.
  cp "$contents/quandorctl.exe" "$work/tampered.exe"
  printf 'X' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
  ! verify "$work/tampered.exe" || fail "a changed signed program still verifies"
}

case $step in
  packages | contents | reproducible | lifecycle | start | signing) "$step" ;;
  *) echo "usage: release_test.sh SOURCE_DIR WORK_DIR UIDRIVER_EXE STEP (see the top of this file)" >&2
     exit 2 ;;
esac
finish
