# The Wine prefixes that the package checks install into, sourced by them:
# the report (scripts/lib/checks.sh, check, same_state), a display of their
# own, a template prefix copied for each case, the registry read through
# Wine's reg, the machine shapes (Notepads, Windows 11's IFEO entries) and
# a snapshot of everything an install may touch. The caller runs from the
# tree's top and starts with begin_check.
. scripts/lib/packages.sh

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
# No menu entries on the Linux side for the Start-menu shortcut.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
. scripts/lib/checks.sh
check() { local name=$1; shift; if "$@" >/dev/null 2>&1; then pass "$name"; else fail "$name"; fi; }
# Two snapshots: the lines that differ, when they do.
same_state() { if [ "$2" == "$3" ]; then pass "$1"; else fail "$1" "$(diff <(printf '%s\n' "$3") <(printf '%s\n' "$2") | head -n 20)"; fi; }

# Xvfb of our own, for any message box a failing run might show.
XVFB_PID=
stop_all() {
  local p
  for p in "$SCRATCH"/template "$SCRATCH"/prefix-*; do
    [ -d "$p" ] && WINEPREFIX=$p "$WINESERVER" -k >/dev/null 2>&1
  done
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=; fi
  return 0
}
start_display() {
  trap stop_all EXIT
  local n=110
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
}

# $1: the scratch folder's name under build/: made anew, with what the
# checks need installed and a display of their own.
begin_check() {
  install_packages cmake make zip unzip wine64 xvfb wixl msitools g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  SCRATCH=$PWD/build/$1
  start_display
  rm -rf "$SCRATCH"
  mkdir -p "$SCRATCH"
}

# $1: a settings program to run once. Wine writes its display-device keys
# when the prefix's first GUI program starts (the settings program, which
# makes the shortcut): taken once in the template, they stay out of the
# comparisons.
make_template() {
  TEMPLATE=$SCRATCH/template
  mkdir -p "$TEMPLATE"
  WINEPREFIX=$TEMPLATE "$WINE" wineboot -i >/dev/null 2>&1
  WINEPREFIX=$TEMPLATE "$WINESERVER" -w
  WINEPREFIX=$TEMPLATE "$WINE" "$1" /remove-shortcut >/dev/null 2>&1
  WINEPREFIX=$TEMPLATE "$WINESERVER" -w
}
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
reg_default() { wreg query "$1" /ve | awk '$1 == "(Default)" && $2 ~ /^REG_/ { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print }'; }

IFEO='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\notepad.exe'
STATE='HKLM\SOFTWARE\Tarrowind\Velquin\Install'
PROGRAM_DIR='Program Files/Velquin'
SHORTCUT='ProgramData/Microsoft/Windows/Start Menu/Programs/Velquin の設定.lnk'
ARP='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velquin'
plant_notepads() {  # distinct contents, so that every copy can be traced
  local d=$P/drive_c/windows
  echo "windows notepad" >"$d/notepad.exe"
  echo "system notepad" >"$d/system32/notepad.exe"
  if [ "${1:-}" == wow64 ]; then echo "wow64 notepad" >"$d/syswow64/notepad.exe"; else rm -f "$d/syswow64/notepad.exe"; fi
}
# Everything install and uninstall may touch: the files under C:\ outside the
# temporary and user folders, and the registry's machine and user hives
# without Wine's time stamps and without the display's and monitors' device
# keys and classes, which Wine writes again (with the screen's size) when it
# sees fit. The installed
# setup program, which removed its own folder, waits in %TEMP% to be deleted
# at the next restart: that one pending deletion is meant.
PENDING_SELF='^"PendingFileRenameOperations"=str\(7\):"\\\\\?\?\\\\C:\\\\users\\\\root\\\\Temp\\\\velquin-setup-[0-9]+\.exe\\0\\0"$'
snapshot() {
  settle
  (cd "$P/drive_c" && find . -path ./users -prune -o -path ./windows/temp -prune -o -path ./windows/logs -prune \
     -o -type f -print0 | sort -z | xargs -0 sha1sum)
  for hive in system.reg user.reg; do
    echo "== $hive"
    grep -v -e '^#time=' -e '^"DriverDateData"=' "$P/$hive" | grep -vE "$PENDING_SELF" | sed 's/^\(\[.*\]\) [0-9]*$/\1/' |
      awk '/^\[/ { skip = index($0, "[System\\\\CurrentControlSet\\\\Enum\\\\DISPLAY\\\\") == 1 ||
                         index($0, "[System\\\\CurrentControlSet\\\\Control\\\\Class\\\\{4D36E968-") == 1 ||
                         index($0, "[System\\\\CurrentControlSet\\\\Control\\\\Class\\\\{4D36E96E-") == 1 } !skip'
  done
}
# What an install wrote since $before (a state $2 made, snapshot by
# default): no value names a program by an 8.3 short name (notepa~.exe is a
# long name of its own).
no_short_names() {
  check "$1: no value written holds a short name" bash -c '! grep -q "~[0-9]" <<<"$1"' _ \
    "$(diff <(printf '%s\n' "$before") <("${2:-snapshot}") | sed -n 's/^> //p')"
}
# A program that logs its command line to calls.log beside itself, as an
# editor stands in the checks.
build_record_call() {
  [ -f "$SCRATCH/record_call.exe" ] ||
    x86_64-w64-mingw32-g++ -O2 -mwindows -static -o "$SCRATCH/record_call.exe" tests/package/record_call.cpp
}
# What the stand-in editor recorded in $1, waited for; when nothing was, how
# the run ended ($2, its exit status) and what Wine said ($3, its errors).
recorded_start() {
  local i out
  for i in $(seq 600); do [ -s "$1" ] && break; sleep 0.1; done
  out=$(tr -d '\r' 2>/dev/null <"$1")
  printf '%s\n' "${out:-(no editor start recorded; the run ended with $2: $(head -c 600 "$3"))}"
}
# The Debugger's command line, as Windows builds it for "$1 notepad.exe
# file", or a verb's with %1 filled in, reaches the launcher, which opens the
# file in the editor C:\stub\record.exe: the user's own Editor, or with
# $2 = machine the machine's default the install set. The installed build is
# the x86_64 one Wine runs.
editor_run() {
  build_record_call
  mkdir -p "$P/drive_c/stub" "$P/drive_c/t"
  cp "$SCRATCH/record_call.exe" "$P/drive_c/stub/record.exe"
  rm -f "$P/drive_c/stub/calls.log"
  echo text >"$P/drive_c/t/a.txt"
  [ "${2:-}" = machine ] ||
    wreg add 'HKCU\Software\Tarrowind\Velquin\Setting' /v Editor /t REG_SZ /d 'C:\stub\record.exe' /f >/dev/null
  # From a batch file: a command line with quotes passes through Wine's
  # own argument quoting unchanged only that way.
  printf '@%s\r\n' "$1" >"$P/drive_c/editor-run.cmd"
  local status=0
  (cd "$P/drive_c" && WINEDEBUG=-all,err+all timeout 30 "$WINE" cmd /c 'C:\editor-run.cmd' >/dev/null 2>"$SCRATCH/editor-run.err") ||
    status=$?
  rm -f "$P/drive_c/editor-run.cmd"
  recorded_start "$P/drive_c/stub/calls.log" "$status" "$SCRATCH/editor-run.err"
  settle
  rm -rf "$P/drive_c/stub" "$P/drive_c/t"
  wreg delete 'HKCU\Software\Tarrowind' /f >/dev/null 2>&1
}
content() { tr -d '\0' <"$P/drive_c/windows/$1" 2>/dev/null || echo "(missing)"; }

NOTEPADS='C:\Windows\System32\notepad.exe C:\Windows\SysWOW64\notepad.exe C:\Windows\notepad.exe'
# As the store app leaves them: UseFilter, the key's own redirect, a
# numbered subkey per path. Written through both views, though Windows
# since 7 and Wine 8 alike keep one key for both: a value written through
# one view reads back through the other.
seed_windows11() {  # anew, as a feature update leaves them
  local view i path
  for view in 64 32; do
    wreg delete "$IFEO" /f /reg:$view >/dev/null 2>&1
    wreg add "$IFEO" /v UseFilter /t REG_DWORD /d 1 /f /reg:$view >/dev/null
    wreg add "$IFEO" /v AppExecutionAliasRedirect /t REG_DWORD /d 1 /f /reg:$view >/dev/null
    wreg add "$IFEO" /v AppExecutionAliasRedirectPackages /t REG_SZ /d '*' /f /reg:$view >/dev/null
    i=0
    for path in $NOTEPADS; do
      wreg add "$IFEO\\$i" /v FilterFullPath /t REG_SZ /d "$path" /f /reg:$view >/dev/null
      wreg add "$IFEO\\$i" /v AppExecutionAliasRedirect /t REG_DWORD /d 1 /f /reg:$view >/dev/null
      wreg add "$IFEO\\$i" /v AppExecutionAliasRedirectPackages /t REG_SZ /d '*' /f /reg:$view >/dev/null
      i=$((i + 1))
    done
  done
  wreg add 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion' /v CurrentBuild /t REG_SZ /d 22631 /f >/dev/null
  wreg add 'HKLM\SOFTWARE\Classes\Applications\notepad.exe' /v NoOpenWith /t REG_SZ /d '' /f >/dev/null
}
# The IFEO entry Windows applies when $2 is started, from view $1 (Wine
# applies none): with UseFilter non-zero the subkey whose FilterFullPath
# (REG_SZ) equals the path without regard to case, else the key itself; in
# it a Debugger wins over AppExecutionAliasRedirect.
ifeo_entry() {
  wreg query "$IFEO" /s /reg:$1 | awk -v path="$2" '
    /^HKEY_/ { key = $0; sub(/.*\\notepad\.exe/, "", key); sub(/^\\/, "", key); if (key == "") key = "-"; keys[key] = 1; next }
    $2 ~ /^REG_/ { data = $0; sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, "", data); v[key, $1] = $2 " " data }
    END {
      use = "-"
      if (v["-", "UseFilter"] != "" && v["-", "UseFilter"] !~ / 0x0$/)
        for (k in keys) if (k != "-" && v[k, "FilterFullPath"] ~ /^REG_SZ / && tolower(substr(v[k, "FilterFullPath"], 8)) == tolower(path)) use = k
      d = v[use, "Debugger"]; a = v[use, "AppExecutionAliasRedirect"]
      if (d ~ /^REG_SZ ./) print "Debugger " substr(d, 8)
      else if (a != "" && a !~ / 0x0$/) print "the store app"
      else print "the file itself"
    }'
}
entries() {  # one line per view and path
  local view path
  for view in 64 32; do for path in $NOTEPADS; do echo "$view $path: $(ifeo_entry $view "$path")"; done; done
}
entries_all() { local view path; for view in 64 32; do for path in $NOTEPADS; do echo "$view $path: $1"; done; done; }

