#!/usr/bin/env bash
# The launcher in Notepad's place under Wine, started by a caller that waits
# for it (wait_caller.cpp) as a commit's message editor does: the caller is
# released only once the editor has ended and reads its exit code, also
# through "cmd /c start /wait"; NoWait releases it at once. Then chains: an
# editor script that starts notepad.exe again ends at the fourth launcher
# in the kept Notepad; a parent whose id only matches the mark (another
# creation time) is no chain; a start from the editor's own child opens the
# editor again. Ends with "N passed, M failed" and exits non-zero on any
# failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
. scripts/lib/wine-env.sh
wine_env_packages
wine_env_build_win64 velquin velquin_stub velquin_wait_caller
wine_env_xvfb
wine_env_prefix "$PWD/build/waiting-prefix"

. scripts/lib/checks.sh

C=$WINEPREFIX/drive_c
W=$C/waiting
BIN=build/win64/tests/wine
KEY='HKCU\Software\Tarrowind\Velquin\Setting'
STAY=2000  # ms the editor stays open

rm -rf "$C/Tools" "$C/Docs" "$W"
mkdir -p "$C/Tools" "$C/Docs" "$W"
cp build/win64/velquin.exe "$C/windows/notepad.exe"
cp build/win64/velquin.exe "$C/windows/system32/notepad.exe"
cp "$BIN/velquin_stub.exe" "$C/Tools/ed.exe"
cp "$BIN/velquin_stub.exe" "$C/windows/system32/notepa~.exe"
cp "$BIN/velquin_wait_caller.exe" "$W/caller.exe"
for f in COMMIT_EDITMSG a.txt b.txt first.txt second.txt; do echo text >"$C/Docs/$f"; done
# An editor script that starts Notepad on its file: without the chain's
# mark it would start the launcher, and the launcher it, for ever.
printf '@echo %%VELQUIN_STARTED_BY%%>>C:\\waiting\\chain.log\r\n@notepad.exe %%1\r\n' >"$C/Tools/chain.cmd"
# An editor that, opening first.txt, itself starts Notepad on another file.
printf '@echo %%~nx1>>C:\\waiting\\editor.log\r\n@if /i "%%~nx1"=="first.txt" notepad.exe C:\\Docs\\second.txt\r\n' \
  >"$C/Tools/opens.cmd"

export VELQUIN_STUB_LOG='C:\waiting\stub.log'
export VELQUIN_STUB_STAYS="$STAY*C:\\Tools\\ed.exe"
export VELQUIN_STUB_EXITS='7*C:\Tools\ed.exe|5*C:\windows\system32\notepa~.exe'

settings() {  # Name=data...: the settings key holds exactly these
  "$WINE" reg delete 'HKCU\Software\Tarrowind' /f >/dev/null 2>&1
  local pair
  for pair in "$@"; do "$WINE" reg add "$KEY" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1; done
}
# Runs the waiting caller on the words given; then EXIT, MS and RELEASED
# hold what it read, and the stub log is whole (every program has ended).
call() {
  rm -f "$W/stub.log" "$W/chain.log" "$W/editor.log"
  local out
  out=$(timeout 30 "$WINE" 'C:\waiting\caller.exe' "$@" 2>"$W/stderr.txt" | tr -d '\r')
  timeout 30 "$WINESERVER" -w
  read -r _ EXIT _ MS _ RELEASED <<<"${out:-- none - none - none}"
}
# The stub log's records of one program: "KIND TICKS COMMANDLINE" lines.
records() {
  tr -d '\r' 2>/dev/null <"$W/stub.log" | sed 's/\\\\/\\/g' |
    M=$1 awk -F'\t' 'tolower($4) == tolower(ENVIRON["M"]) { print $1 " " $2 " " $6 }'
}
started() { records "$1" | awk '$1 == "start" { sub(/^[^ ]* [^ ]* /, ""); print }'; }
# Whether the caller was released before or after the editor's end (the
# caller and the stub read the same clock).
released_vs_end() {
  local end
  [[ $RELEASED =~ ^[0-9]+$ ]] || { echo "not released"; return; }
  end=$(records 'C:\Tools\ed.exe' | awk '$1 == "end" { print $2 }')
  if [ -z "$end" ]; then echo "no end"; elif [ "$RELEASED" -ge "$end" ]; then echo after; else echo before; fi
}
holds() {  # NAME DETAIL TEST...
  local name=$1 detail=$2
  shift 2
  if "$@"; then pass "$name"; else fail "$name" "$detail"; fi
}

# 1. A caller that waits, as a commit's message editor is waited for.
settings 'Editor=C:\Tools\ed.exe'
call notepad.exe '"C:\Docs\COMMIT_EDITMSG"'
same "waiting caller: the editor opens the file" "$(started 'C:\Tools\ed.exe')" 'C:\Tools\ed.exe "C:\Docs\COMMIT_EDITMSG"'
same "waiting caller: released after the editor ended" "$(released_vs_end)" after
holds "waiting caller: waited the editor's stay" "elapsed $MS ms, stay $STAY ms" test "$MS" -ge "$STAY"
same "waiting caller: reads the editor's exit code" "$EXIT" 7

# 2. start /wait.
call cmd /c start /wait notepad.exe 'C:\Docs\COMMIT_EDITMSG'
same "start /wait: released after the editor ended" "$(released_vs_end)" after
holds "start /wait: waited the editor's stay" "elapsed $MS ms, stay $STAY ms" test "$MS" -ge "$STAY"
same "start /wait: ends with the editor's exit code" "$EXIT" 7

# 3. NoWait: released while the editor is still open.
settings 'Editor=C:\Tools\ed.exe' NoWait=1
call notepad.exe '"C:\Docs\COMMIT_EDITMSG"'
same "NoWait: the editor opens the file" "$(started 'C:\Tools\ed.exe')" 'C:\Tools\ed.exe "C:\Docs\COMMIT_EDITMSG"'
same "NoWait: released before the editor ended" "$(released_vs_end)" before
holds "NoWait: released well within the stay" "elapsed $MS ms, stay $STAY ms" test "$MS" -lt $((STAY / 2))
same "NoWait: reads 0" "$EXIT" 0

# 4a. An editor script that starts notepad.exe: each launcher's parent is
# the script's cmd, so only the place ends the chain. Wine's process trace
# shows every start, the launchers' among them.
settings 'Editor=C:\Tools\chain.cmd'
WINEDEBUG=-all,trace+process call notepad.exe 'C:\Docs\a.txt'
same "chain: ends with the kept Notepad's exit code" "$EXIT" 5
same "chain: the kept Notepad opens the file, once" "$(started 'C:\windows\system32\notepa~.exe')" \
  'C:\windows\system32\notepa~.exe "C:\Docs\a.txt"'
same "chain: four launchers ran" "$(grep -ac 'CreateProcessInternalW app .* cmdline L"notepad\.exe ' "$W/stderr.txt")" 4
same "chain: the script ran from the launchers in places 1 to 3" \
  "$(tr -d '\r' 2>/dev/null <"$W/chain.log" | cut -d: -f3 | tr '\n' ' ')" "1 2 3 "

# 4b. A mark naming the parent's id with another creation time (the id
# reused) is no chain; with its own creation time it is.
settings 'Editor=C:\Tools\ed.exe'
call --mark wrong 'C:\windows\notepad.exe' 'C:\Docs\b.txt'
same "reused id: the editor opens the file" "$(started 'C:\Tools\ed.exe')" 'C:\Tools\ed.exe "C:\Docs\b.txt"'
same "reused id: no kept Notepad" "$(started 'C:\windows\system32\notepa~.exe')" ""
call --mark right 'C:\windows\notepad.exe' 'C:\Docs\b.txt'
same "marked parent: the kept Notepad opens the file" "$(started 'C:\windows\system32\notepa~.exe')" \
  'C:\windows\system32\notepa~.exe C:\Docs\b.txt'
same "marked parent: no editor" "$(started 'C:\Tools\ed.exe')" ""

# 4c. Notepad started by the editor itself: that launcher's parent is the
# editor, not the marked launcher, so it opens the editor again.
settings 'Editor=C:\Tools\opens.cmd'
call notepad.exe 'C:\Docs\first.txt'
same "from the editor: the editor opens both files" "$(tr -d '\r' 2>/dev/null <"$W/editor.log" | tr '\n' ' ')" \
  "first.txt second.txt "
same "from the editor: no kept Notepad" "$(started 'C:\windows\system32\notepa~.exe')" ""
same "from the editor: the caller is released" "$EXIT" 0

# Stays for a look only when a check failed.
[ "$FAILED" -eq 0 ] && rm -rf "$W"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
