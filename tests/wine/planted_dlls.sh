#!/usr/bin/env bash
# Plants version.dll, advapi32.dll, shell32.dll and user32.dll beside a copy
# of the launcher (each a DLL that leaves "<its path>.loaded" when loaded)
# and runs it under Wine on two routes that between them call into all four:
# a Japanese excluded extension handed to Notepad (the registry, user32's
# lower-casing, the shell) and a browser's extension-less source file (the
# registry, the version resource). Each route must still reach its program,
# and no marker may appear. This runs for the shipped build and for test
# builds that take the fallback loads: advapi32 and version from their own
# DLLs with the process's search order untouched, once with
# LOAD_LIBRARY_SEARCH_SYSTEM32 and once by system-directory path. Wine
# prefers its built-in DLLs; the override makes it take a native copy first,
# as Windows does, so that a load which searched the launcher's folder shows.
# Then the setup and settings programs, from the unpacked zip's folder.
# Ends with "N passed, M failed" and exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
. scripts/lib/wine-env.sh
wine_env_packages
wine_env_locales
wine_env_build_win64 velquin velquin-setup velquin-settings velquin_settings_drive velquin_dll_fallback velquin_dll_full_path velquin_planted_dll velquin_stub_versioned
wine_env_xvfb
wine_env_prefix "$PWD/build/planted-dlls-prefix"
export LC_ALL=ja_JP.UTF-8

. scripts/lib/checks.sh

SCRATCH=$PWD/build/planted-dlls
BIN=build/win64/tests/wine
C=$WINEPREFIX/drive_c
rm -rf "$SCRATCH"
mkdir -p "$SCRATCH"
x86_64-w64-mingw32-g++ -O2 -mwindows -static -o "$SCRATCH/record.exe" tests/package/record_call.cpp

# The machine: an editor and an HTML editor that record their command
# lines, the kept Notepad recording too, a browser whose version resource
# says 6.0, and the two documents.
rm -rf "$C/Stub" "$C/Html" "$C/Browser" "$C/Cache" "$C/t"
mkdir -p "$C/Stub" "$C/Html" "$C/Browser" "$C/Cache/X1" "$C/t"
cp "$SCRATCH/record.exe" "$C/Stub/record.exe"
cp "$SCRATCH/record.exe" "$C/Html/record.exe"
cp "$SCRATCH/record.exe" "$C/windows/system32/notepa~.exe"
cp "$BIN/velquin_stub_versioned.exe" "$C/Browser/iexplore.exe"
# dwFileVersionMS follows the fixed block's signature and its own version.
fixed=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$C/Browser/iexplore.exe" | head -n 1 | cut -d: -f1)
printf '\x00\x00\x06\x00' | dd of="$C/Browser/iexplore.exe" bs=1 seek=$((fixed + 8)) conv=notrunc status=none
echo text >"$C/t/a.表"
echo source >"$C/Cache/X1/source"
iconv -f UTF-8 -t CP932 <<'EOF' | sed 's/$/\r/' >"$SCRATCH/settings.reg"
REGEDIT4

[HKEY_CURRENT_USER\Software\Tarrowind\Velquin\Setting]
"Editor"="C:\\Stub\\record.exe"
"HtmlEditor"="C:\\Html\\record.exe"
"NoTrap"="1"
"NoTrapExt"="log 表"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings\Cache\Paths]
"Directory"="C:\\Cache"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\IEXPLORE.EXE]
@="C:\\Browser\\iexplore.exe"
EOF
"$WINE" regedit /s "$(wine_env_winpath "$SCRATCH/settings.reg")" >/dev/null 2>&1
"$WINESERVER" -w

LAUNCHER_DIR="$C/Planted Here"
# Runs the launcher in C:\ with $1 as argument; prints the line that the
# program it reached (recording into $2) was started with.
run_route() {
  local log=$2 i
  rm -f "$log"
  (cd "$C" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;version,advapi32,shell32,user32=n,b" \
    timeout 30 "$WINE" 'C:\Planted Here\velquin.exe' "$1" >/dev/null 2>&1)
  for i in $(seq 300); do [ -s "$log" ] && break; sleep 0.1; done
  iconv -f CP932 -t UTF-8 "$log" 2>/dev/null | tr -d '\r'
}

for build in velquin velquin_dll_fallback velquin_dll_full_path; do
  exe=build/win64/velquin.exe
  [ "$build" != velquin ] && exe=$BIN/$build.exe
  rm -rf "$LAUNCHER_DIR"
  mkdir -p "$LAUNCHER_DIR"
  cp "$exe" "$LAUNCHER_DIR/velquin.exe"
  for dll in version advapi32 shell32 user32; do cp "$BIN/planted.dll" "$LAUNCHER_DIR/$dll.dll"; done
  same "$build: the excluded file reaches the kept Notepad" \
    "$(run_route 'C:\t\a.表' "$C/windows/system32/calls.log")" '"C:\windows\system32\notepa~.exe" C:\t\a.表'
  same "$build: the browser's source file reaches the HTML editor" \
    "$(run_route 'C:\Cache\X1\source' "$C/Html/calls.log")" 'C:\Html\record.exe "C:\Cache\X1\source"'
  # A planted DLL that was loaded may leave a crashed launcher behind.
  timeout 60 "$WINESERVER" -w || "$WINESERVER" -k
  same "$build: no planted DLL was loaded" "$(cd "$LAUNCHER_DIR" && ls -- *.loaded 2>/dev/null | tr '\n' ' ')" ""
done

# The setup program, which install.cmd runs elevated from the unpacked zip,
# a folder the user can write, and the settings program there: the setup's
# planning, the settings program's shortcut and its dialog (up, then
# cancelled, through the driver) must end with 0 and take no DLL from there.
# ole32 is not planted: Wine's imm32, a known DLL on Windows, delay-loads it
# by the search order the process started with.
rm -rf "$LAUNCHER_DIR"
mkdir -p "$LAUNCHER_DIR"
for name in velquin velquin64; do cp build/win64/velquin.exe "$LAUNCHER_DIR/$name.exe"; done
for name in velquin-setup velquin-settings; do cp "build/win64/$name.exe" "$LAUNCHER_DIR/${name}64.exe"; done
for dll in version advapi32 shell32 user32 comctl32 comdlg32; do cp "$BIN/planted.dll" "$LAUNCHER_DIR/$dll.dll"; done
here='C:\Planted Here\'
# Command lines run in C:\, @ standing for that folder.
for run in "@velquin-setup64.exe /redirect /whatif" "@velquin-setup64.exe /user /whatif" \
    "@velquin-settings64.exe /add-shortcut" "@velquin-settings64.exe /remove-shortcut" \
    "$PWD/$BIN/velquin_settings_drive.exe @velquin-settings64.exe press=2"; do
  read -r -a words <<<"$run"
  rm -f "$LAUNCHER_DIR"/*.loaded
  (cd "$C" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;version,advapi32,shell32,user32,comctl32,comdlg32=n,b" \
    timeout 60 "$WINE" "${words[@]/#@/"$here"}" >/dev/null 2>&1)
  same "${run#"$PWD/$BIN/"}: ends with 0" "$?" 0
  timeout 60 "$WINESERVER" -w || "$WINESERVER" -k
  same "${run#"$PWD/$BIN/"}: no planted DLL was loaded" "$(cd "$LAUNCHER_DIR" && ls -- *.loaded 2>/dev/null | tr '\n' ' ')" ""
done

# Stays for a look only when a check failed.
[ "$FAILED" -eq 0 ] && rm -rf "$SCRATCH" "$LAUNCHER_DIR"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
