#!/usr/bin/env bash
# Checks the release package under Wine: the zip's contents; settings.reg
# imported by regedit and read back by the launcher as the defaults; and
# install.cmd / uninstall.cmd run by Wine's cmd in scratch prefixes, with the
# files and keys compared after install and after uninstall. Ends with the
# line "N passed, M failed" and exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
. scripts/lib/packages.sh
install_packages cmake make zip unzip wine64 xvfb g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
SCRATCH=$ROOT/build/package-check
PASSED=0
FAILED=0
pass() { PASSED=$((PASSED + 1)); echo "ok   $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAIL $1"; [ -n "${2:-}" ] && printf '%s\n' "$2" | sed 's/^/     /'; }
check() { local name=$1; shift; if "$@" >/dev/null 2>&1; then pass "$name"; else fail "$name"; fi; }
same() { if [ "$2" == "$3" ]; then pass "$1"; else fail "$1" "expected: $3"$'\n'"got:      $2"; fi; }
# Two snapshots: the lines that differ, when they do.
same_state() { if [ "$2" == "$3" ]; then pass "$1"; else fail "$1" "$(diff <(printf '%s\n' "$3") <(printf '%s\n' "$2") | head -n 20)"; fi; }

# --- Xvfb of our own, for any message box a failing run might show --------
XVFB_PID=
stop_all() {
  local p
  for p in "$SCRATCH"/template "$SCRATCH"/prefix-*; do
    [ -d "$p" ] && WINEPREFIX=$p "$WINESERVER" -k >/dev/null 2>&1
  done
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=; fi
  return 0
}
trap stop_all EXIT
n=110
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$n"

# --- the package ------------------------------------------------------------
rm -rf "$SCRATCH"
mkdir -p "$SCRATCH"
zip_path=$(scripts/package | tail -n 1)
if [ ! -f "$zip_path" ]; then fail "scripts/package makes the zip"; echo "$PASSED passed, $FAILED failed"; exit 1; fi
pass "scripts/package makes $zip_path"
same "zip holds exactly the five files" \
  "$(unzip -Z1 "$zip_path" | sort | tr '\n' ' ')" "README.ja.md install.cmd settings.reg uninstall.cmd velquin.exe "
PKG=$SCRATCH/package
mkdir -p "$PKG"
unzip -q "$zip_path" -d "$PKG"
check "velquin.exe is the i686 release build" cmp "$PKG/velquin.exe" build/win32/velquin.exe
machine=$(od -An -tx2 -j $(( $(od -An -tu4 -j 60 -N4 "$PKG/velquin.exe") + 4 )) -N2 "$PKG/velquin.exe" | tr -d ' ')
same "velquin.exe is a 32-bit x86 program" "$machine" "014c"
for f in install.cmd uninstall.cmd settings.reg README.ja.md; do
  check "$f has CRLF line ends only" test "$(grep -c $'[^\r]$\\|^$' "$PKG/$f")" -eq 0
done
for f in install.cmd uninstall.cmd; do
  check "$f is plain ASCII" bash -c "! LC_ALL=C grep -q '[^ -~'$'\r\t'']' '$PKG/$f'"
done
check "settings.reg starts with REGEDIT4" bash -c "head -n 1 '$PKG/settings.reg' | grep -qx $'REGEDIT4\r'"
check "settings.reg is Shift-JIS text" iconv -f CP932 -t UTF-8 -o /dev/null "$PKG/settings.reg"
check "no settings.reg line ends in a backslash byte" bash -c "! LC_ALL=C grep -q $'\\\\\\\\\r\$' '$PKG/settings.reg'"
check "the guide is UTF-8 with a byte-order mark" bash -c "head -c 3 '$PKG/README.ja.md' | od -An -tx1 | grep -q 'ef bb bf'"

# The defaults table: name, default text, or "-" for a default that the
# launcher computes and settings.reg therefore only describes.
DEFAULTS="Editor=- HtmlEditor= ParamEditor= FrontEditor=0 ParamHtml= FrontHtml=0 NoTrapExt= NoTrap=0
NoFile=1 Ie4Temp=0 DoNotepad=1 ChangeIeExt=0 IeExt=htm PrintEditor= DoNotepadPrint=0 ParamPrint=/P
FrontPrint=0 UseLan=0 Rewrite=1 LanTempDir=- CopyLocal=1"
reg_utf8=$(iconv -f CP932 -t UTF-8 "$PKG/settings.reg" | tr -d '\r')
for entry in $DEFAULTS; do
  name=${entry%%=*}
  value=${entry#*=}
  # The comment lines right above the value's line, one of them naming it.
  explained=$(printf '%s\n' "$reg_utf8" | awk -v n="$name" '
    $0 ~ "^;?\"" n "\"=" { print (found ? "yes" : "no"); exit }
    /^;/ { if (index($0, "; " n ":") == 1) found = 1; next }
    { found = 0 }')
  same "settings.reg explains $name" "$explained" "yes"
  if [ "$value" == "-" ]; then
    check "settings.reg leaves the computed $name out" bash -c "printf '%s\n' \"\$0\" | grep -q '^;\"$name\"=' && ! printf '%s\n' \"\$0\" | grep -q '^\"$name\"='" "$reg_utf8"
  else
    check "settings.reg sets $name to \"$value\"" bash -c "printf '%s\n' \"\$0\" | grep -qxF '\"$name\"=\"$value\"'" "$reg_utf8"
  fi
done

# --- scratch prefixes ---------------------------------------------------------
TEMPLATE=$SCRATCH/template
mkdir -p "$TEMPLATE"
WINEPREFIX=$TEMPLATE "$WINE" wineboot -i >/dev/null 2>&1
WINEPREFIX=$TEMPLATE "$WINESERVER" -w
new_prefix() {  # name → sets P and WINEPREFIX
  P=$SCRATCH/prefix-$1
  rm -rf "$P"
  cp -a "$TEMPLATE" "$P"
  export WINEPREFIX=$P
  # Wine fills in a few keys of its own on a prefix's first runs.
  "$WINE" cmd /c exit >/dev/null 2>&1
  "$WINESERVER" -w
}
settle() { "$WINESERVER" -w; }
# Wine now and then fails to start reg.exe at all; a query that printed
# nothing (not even its key) is asked again.
wreg() {
  local out attempt
  for attempt in 1 2 3; do
    out=$("$WINE" reg "$@" 2>/dev/null | tr -d '\r')
    if [ -n "$out" ] || [ "$1" != query ]; then break; fi
    sleep 0.2
  done
  [ -n "$out" ] && printf '%s\n' "$out"
  return 0
}
# The value's data, empty when missing; $3 a view flag.
reg_value() { wreg query "$1" /v "$2" ${3:-} | awk -v n="$2" '$1 == n && $2 ~ /^REG_/ { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print; f=1 } END { exit !f }'; }

# --- settings.reg read back by the launcher -----------------------------------
if [ ! -f build/win64/velquin.exe ]; then
  cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
  cmake --build build/win64 -j "$(nproc)" --target velquin >/dev/null
fi
x86_64-w64-mingw32-g++ -O2 -mwindows -static -o "$SCRATCH/record_call.exe" tests/package/record_call.cpp

RUN_OUT=
# Runs the launcher from a folder with a space in its name, so that its
# command line starts with a quote as a browser's does; the stand-in editor
# is $1 (unix path of its calls.log). Sets RUN_OUT to the recorded line.
run_launcher() {
  local log=$1; shift
  rm -f "$log"
  timeout 30 "$WINE" "C:\\Velquin Test\\velquin.exe" "$@" >/dev/null 2>&1
  local i
  for i in $(seq 100); do [ -s "$log" ] && break; sleep 0.1; done
  RUN_OUT=$(tr -d '\r' <"$log" 2>/dev/null)
}
TMPW='C:\users\root\Temp'
launcher_runs() {  # → one line per run: what the editor was started with
  local log=$P/drive_c/stub/calls.log
  mkdir -p "$P/drive_c/t" "$P/drive_c/users/root/Temp"
  echo text >"$P/drive_c/t/a.txt"; echo text >"$P/drive_c/t/page.html"; echo text >"$P/drive_c/t/a.log"
  echo source >"$P/drive_c/users/root/Temp/abc"
  run_launcher "$log" 'C:\t\a.txt'; echo "normal: $RUN_OUT"
  run_launcher "$log" /p 'C:\t\a.txt'; echo "print: $RUN_OUT"
  run_launcher "$log" 'C:\t\page.html'; echo "html: $RUN_OUT"
  run_launcher "$log" 'C:\t\missing.txt'; echo "missing: $RUN_OUT"
  run_launcher "$log" 'C:\t\a.log'; echo "log: $RUN_OUT"
  run_launcher "$log" "$TMPW\\abc"; echo "temp: $RUN_OUT"
  echo "temp file left as it was: $(cat "$P/drive_c/users/root/Temp/abc" 2>/dev/null) $(ls "$P/drive_c/users/root/Temp" | grep -c '^abc')"
  run_launcher "$log"; echo "no file: ${RUN_OUT:+editor started}"
}
expected_runs='normal: C:\stub\record.exe "C:\t\a.txt"
print: C:\stub\record.exe /P "C:\t\a.txt"
html: C:\stub\record.exe "C:\t\page.html"
missing: C:\stub\record.exe "C:\t\missing.txt"
log: C:\stub\record.exe "C:\t\a.log"
temp: C:\stub\record.exe "C:\users\root\Temp\abc"
temp file left as it was: source 1
no file: editor started'
SETTINGS='HKCU\Software\Tarrowind\Velquin\Setting'
prepare_launcher() {
  mkdir -p "$P/drive_c/Velquin Test" "$P/drive_c/stub"
  cp build/win64/velquin.exe "$P/drive_c/Velquin Test/velquin.exe"
  cp "$SCRATCH/record_call.exe" "$P/drive_c/stub/record.exe"
}

new_prefix bare
prepare_launcher
wreg add "$SETTINGS" /v Editor /t REG_SZ /d 'C:\stub\record.exe' /f >/dev/null
bare_runs=$(launcher_runs)
same "no settings but Editor: the launcher's routes" "$bare_runs" "$expected_runs"
settle

new_prefix imported
prepare_launcher
"$WINE" regedit /s "$(WINEPREFIX=$P "$WINE" winepath -w "$PKG/settings.reg" 2>/dev/null | tr -d '\r')" >/dev/null 2>&1
settle
imported=$(wreg query "$SETTINGS")
count=$(printf '%s\n' "$imported" | grep -c 'REG_SZ')
same "regedit imports 19 string values" "$count" "19"
for entry in $DEFAULTS; do
  name=${entry%%=*}
  value=${entry#*=}
  if [ "$value" == "-" ]; then
    check "imported settings have no $name" bash -c "! printf '%s\n' \"\$0\" | grep -qE '^ +$name +'" "$imported"
  else
    same "imported $name" "$(reg_value "$SETTINGS" "$name")" "$value"
  fi
done
# Editor left out: the launcher takes the Windows directory's Notepa~.exe,
# here the stand-in editor, without the fallback notice (which would hang).
cp "$SCRATCH/record_call.exe" "$P/drive_c/windows/notepa~.exe"
run_launcher "$P/drive_c/windows/calls.log" 'C:\t\a.txt'
same "imported settings: the default Editor opens the file" "$RUN_OUT" 'C:\windows\Notepa~.exe "C:\t\a.txt"'
rm -f "$P/drive_c/windows/notepa~.exe" "$P/drive_c/windows/calls.log"
wreg add "$SETTINGS" /v DoNotepadPrint /t REG_SZ /d 1 /f >/dev/null
wreg add "$SETTINGS" /v Editor /t REG_SZ /d 'C:\stub\record.exe' /f >/dev/null
imported_runs=$(launcher_runs)
same "imported settings: the launcher's routes as with no settings" "$imported_runs" "$bare_runs"
same "imported settings: DoNotepadPrint written back" "$(reg_value "$SETTINGS" DoNotepadPrint)" "0"
settle

# --- install.cmd and uninstall.cmd --------------------------------------------
IFEO='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\notepad.exe'
STATE='HKLM\SOFTWARE\Tarrowind\Velquin\Install'
CMD_OUT=
CMD_RC=
# Runs once and keeps both: Wine's cmd passes the script's exit code on.
run_cmd() {
  local out rc
  out=$(cd "$PKG" && timeout 120 "$WINE" cmd /c "$@" 2>&1)
  rc=$?
  CMD_OUT=$(printf '%s' "$out" | tr -d '\r')
  CMD_RC=$rc
}
plant_notepads() {  # distinct contents, so that every copy can be traced
  local d=$P/drive_c/windows
  echo "windows notepad" >"$d/notepad.exe"
  echo "system notepad" >"$d/system32/notepad.exe"
  if [ "${1:-}" == wow64 ]; then echo "wow64 notepad" >"$d/syswow64/notepad.exe"; else rm -f "$d/syswow64/notepad.exe"; fi
}
# Everything install and uninstall may touch: the files under C:\ outside the
# temporary and user folders, and the registry's machine and user hives
# without Wine's time stamps.
snapshot() {
  settle
  (cd "$P/drive_c" && find . -path ./users -prune -o -path ./windows/temp -prune -o -path ./windows/logs -prune \
     -o -type f -print0 | sort -z | xargs -0 sha1sum)
  for hive in system.reg user.reg; do
    echo "== $hive"
    grep -v -e '^#time=' -e '^"DriverDateData"=' "$P/$hive" | sed 's/^\(\[.*\]\) [0-9]*$/\1/'
  done
}
content() { tr -d '\0' <"$P/drive_c/windows/$1" 2>/dev/null || echo "(missing)"; }
is_velquin() { cmp -s "$PKG/velquin.exe" "$P/drive_c/windows/$1"; }

# replace, on 64-bit Windows with a 32-bit Notepad in SysWOW64
new_prefix replace
plant_notepads wow64
before=$(snapshot)
run_cmd install.cmd /replace
same "replace: install.cmd succeeds" "$CMD_RC" 0
same "replace: Windows directory notepa~.exe is its Notepad" "$(content notepa~.exe)" "windows notepad"
same "replace: System32 notepa~.exe is its Notepad" "$(content system32/notepa~.exe)" "system notepad"
same "replace: SysWOW64 notepa~.exe is its Notepad" "$(content syswow64/notepa~.exe)" "wow64 notepad"
check "replace: velquin.exe in the Windows directory's notepad.exe" is_velquin notepad.exe
check "replace: velquin.exe in System32's notepad.exe" is_velquin system32/notepad.exe
check "replace: velquin.exe in SysWOW64's notepad.exe" is_velquin syswow64/notepad.exe
same "replace: recorded" "$(reg_value "$STATE" Mode)" "replace"
check "replace: no redirect (64-bit view)" bash -c "! $WINE reg query '$IFEO' /v Debugger /reg:64"
check "replace: no redirect (32-bit view)" bash -c "! $WINE reg query '$IFEO' /v Debugger /reg:32"
after_install=$(snapshot)
run_cmd install.cmd /replace
same "replace: install.cmd again succeeds" "$CMD_RC" 0
same_state "replace: install.cmd again changes nothing" "$(snapshot)" "$after_install"
run_cmd install.cmd /redirect
same "replace: install.cmd /redirect refused while installed" "$CMD_RC" 3
same_state "replace: the refused install changes nothing" "$(snapshot)" "$after_install"
VELQUIN_TEST_NOT_ADMIN=1 run_cmd uninstall.cmd
same "replace: uninstall.cmd refuses a non-administrator" "$CMD_RC" 2
check "replace: the refusal says so" grep -q "must run as administrator" <<<"$CMD_OUT"
same_state "replace: the refused uninstall changes nothing" "$(snapshot)" "$after_install"
run_cmd uninstall.cmd
same "replace: uninstall.cmd succeeds" "$CMD_RC" 0
same "replace: Windows directory Notepad back" "$(content notepad.exe)" "windows notepad"
same "replace: System32 Notepad back" "$(content system32/notepad.exe)" "system notepad"
same "replace: SysWOW64 Notepad back" "$(content syswow64/notepad.exe)" "wow64 notepad"
same_state "replace: after uninstall everything is as before" "$(snapshot)" "$before"
run_cmd uninstall.cmd
same "replace: uninstall.cmd again succeeds" "$CMD_RC" 0
same_state "replace: uninstall.cmd again changes nothing" "$(snapshot)" "$before"

# redirect, with no 32-bit Notepad in SysWOW64 (Wine's 64-bit prefix)
new_prefix redirect
plant_notepads
# An IFEO entry for notepad.exe that holds something else already.
wreg add "$IFEO" /v GlobalFlag /t REG_SZ /d 0x0 /f /reg:64 >/dev/null
before=$(snapshot)
run_cmd install.cmd /redirect
same "redirect: install.cmd succeeds" "$CMD_RC" 0
same "redirect: Windows directory notepad.exe untouched" "$(content notepad.exe)" "windows notepad"
same "redirect: System32 notepad.exe untouched" "$(content system32/notepad.exe)" "system notepad"
check "redirect: no notepad.exe made in SysWOW64" test ! -e "$P/drive_c/windows/syswow64/notepad.exe"
same "redirect: Windows directory notepa~.exe is its Notepad" "$(content notepa~.exe)" "windows notepad"
same "redirect: System32 notepa~.exe is its Notepad" "$(content system32/notepa~.exe)" "system notepad"
same "redirect: SysWOW64 notepa~.exe is System32's Notepad" "$(content syswow64/notepa~.exe)" "system notepad"
installed="$P/drive_c/Program Files (x86)/Velquin/velquin.exe"
check "redirect: velquin.exe in Program Files (x86)\\Velquin" cmp "$PKG/velquin.exe" "$installed"
for view in 64 32; do
  dbg=$(reg_value "$IFEO" Debugger /reg:$view)
  check "redirect: Debugger ($view-bit view) unquoted, without spaces" bash -c "[[ -n '$dbg' && '$dbg' != *' '* && '$dbg' != '\"'* ]]"
  unix=$("$WINE" winepath -u "$dbg" 2>/dev/null | tr -d '\r')
  check "redirect: Debugger ($view-bit view) names the installed velquin.exe" cmp "$installed" "$unix"
done
same "redirect: the existing GlobalFlag kept" "$(reg_value "$IFEO" GlobalFlag /reg:64)" "0x0"
# The command line Windows builds from the Debugger value reaches the
# launcher, which drops Notepad's path: the x86_64 build stands in for the
# i686 one, which this Wine cannot run.
after_install=$(snapshot)
cp "$installed" "$SCRATCH/installed-i686.exe"
cp build/win64/velquin.exe "$installed"
mkdir -p "$P/drive_c/stub" "$P/drive_c/t"
cp "$SCRATCH/record_call.exe" "$P/drive_c/stub/record.exe"
echo text >"$P/drive_c/t/a.txt"
wreg add "$SETTINGS" /v Editor /t REG_SZ /d 'C:\stub\record.exe' /f >/dev/null
(cd "$P/drive_c" && timeout 30 "$WINE" cmd /c "$dbg C:\\windows\\system32\\notepad.exe C:\\t\\a.txt" >/dev/null 2>&1)
for i in $(seq 100); do [ -s "$P/drive_c/stub/calls.log" ] && break; sleep 0.1; done
same "redirect: the Debugger command line opens the file in the editor" \
  "$(tr -d '\r' <"$P/drive_c/stub/calls.log" 2>/dev/null)" 'C:\stub\record.exe "C:\t\a.txt"'
settle
cp "$SCRATCH/installed-i686.exe" "$installed"
rm -rf "$P/drive_c/stub" "$P/drive_c/t"
wreg delete 'HKCU\Software\Tarrowind' /f >/dev/null
same_state "redirect: the Debugger run cleaned up after" "$(snapshot)" "$after_install"
after_install=$(snapshot)
run_cmd install.cmd /redirect
same "redirect: install.cmd again succeeds" "$CMD_RC" 0
same_state "redirect: install.cmd again changes nothing" "$(snapshot)" "$after_install"
run_cmd uninstall.cmd
same "redirect: uninstall.cmd succeeds" "$CMD_RC" 0
check "redirect: no Debugger left (64-bit view)" bash -c "! $WINE reg query '$IFEO' /v Debugger /reg:64"
check "redirect: no Debugger left (32-bit view)" bash -c "! $WINE reg query '$IFEO' /v Debugger /reg:32"
same "redirect: the existing GlobalFlag still there" "$(reg_value "$IFEO" GlobalFlag /reg:64)" "0x0"
check "redirect: Program Files (x86)\\Velquin gone" test ! -e "$P/drive_c/Program Files (x86)/Velquin"
same_state "redirect: after uninstall everything is as before" "$(snapshot)" "$before"
run_cmd uninstall.cmd
same "redirect: uninstall.cmd again succeeds" "$CMD_RC" 0
same_state "redirect: uninstall.cmd again changes nothing" "$(snapshot)" "$before"

# refusals before any change
new_prefix refusals
plant_notepads
wreg add "$IFEO" /v Debugger /t REG_SZ /d 'C:\Tools\other.exe' /f /reg:32 >/dev/null
before=$(snapshot)
run_cmd install.cmd /redirect
same "another program's Debugger: install refused" "$CMD_RC" 3
check "another program's Debugger: named in the refusal" grep -qF 'C:\Tools\other.exe' <<<"$CMD_OUT"
same_state "another program's Debugger: nothing changed" "$(snapshot)" "$before"
wreg delete "$IFEO" /f /reg:32 >/dev/null
echo "someone's notepad" >"$P/drive_c/windows/system32/notepa~.exe"
before=$(snapshot)
run_cmd install.cmd /replace
same "existing notepa~.exe: replace refused" "$CMD_RC" 3
same_state "existing notepa~.exe: nothing changed" "$(snapshot)" "$before"
rm -f "$P/drive_c/windows/system32/notepa~.exe"
before=$(snapshot)
VELQUIN_TEST_NOT_ADMIN=1 run_cmd install.cmd /replace
same "not an administrator: install refused" "$CMD_RC" 2
check "not an administrator: the refusal says so" grep -q "must run as administrator" <<<"$CMD_OUT"
run_cmd install.cmd
same "no argument: usage" "$CMD_RC" 1
check "no argument: usage names both ways" grep -q "/replace | /redirect" <<<"$CMD_OUT"
run_cmd install.cmd /other
same "unknown argument: usage" "$CMD_RC" 1
run_cmd uninstall.cmd
same "nothing installed: uninstall succeeds" "$CMD_RC" 0
same_state "refusals, usage and empty uninstall change nothing" "$(snapshot)" "$before"

stop_all
# The prefixes take gigabytes; they stay for a look only when a check failed.
[ "$FAILED" -eq 0 ] && rm -rf "$SCRATCH"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
