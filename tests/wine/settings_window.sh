#!/usr/bin/env bash
# The settings window under Wine: fields set through the dialog's controls,
# OK or Apply pressed (and the boxes that come up answered), the settings
# key compared afterwards, then the launcher run on a file to see that the
# editor it starts follows what was saved. Ends with "N passed, M failed"
# and exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
. scripts/lib/wine-env.sh
wine_env_packages
wine_env_locales
wine_env_build_win64 velquin velquin-settings velquin_settings_drive velquin_key_lock
wine_env_xvfb
wine_env_prefix "$PWD/build/settings-window-prefix"
export LC_ALL=ja_JP.UTF-8

. scripts/lib/checks.sh

# The control identifiers, from the header the dialog is built with.
id() { awk -v n="IDC_$1" '$1 == "#define" && $2 == n { print $3 }' settings_window/control_ids.h; }
OK=1
CANCEL=2
YES=6

SCRATCH=$PWD/build/settings-window
C=$WINEPREFIX/drive_c
KEY='HKCU\Software\Tarrowind\Velquin\Setting'
rm -rf "$SCRATCH" "$C/stub" "$C/t" "$C/Velquin"
mkdir -p "$SCRATCH" "$C/stub" "$C/t" "$C/Velquin"
x86_64-w64-mingw32-g++ -O2 -mwindows -static -o "$C/stub/record.exe" tests/package/record_call.cpp
cp build/win64/velquin.exe build/win64/velquin-settings.exe "$C/Velquin/"
echo text >"$C/t/a.txt"

# The settings key as "Name=data" lines, sorted; empty when there is none.
values() {
  "$WINE" reg query "$KEY" 2>/dev/null | tr -d '\r' |
    awk '$2 ~ /^REG_/ { name = $1; sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print name "=" $0 }' | sort
}
start_with() {  # Name=data...: the settings key holds exactly these
  "$WINE" reg delete 'HKCU\Software\Tarrowind' /f >/dev/null 2>&1
  local pair
  for pair in "$@"; do "$WINE" reg add "$KEY" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1; done
}
BOXES=
drive() { BOXES=$(timeout 60 "$WINE" "$BIN" 'C:\Velquin\velquin-settings.exe' "$@" 2>/dev/null | tr -d '\r'); }
BIN=build/win64/tests/wine/velquin_settings_drive.exe
launch() {  # the recorded command line of a launcher run on $1
  rm -f "$C/stub/calls.log"
  timeout 30 "$WINE" 'C:\Velquin\velquin.exe' "$@" >/dev/null 2>&1
  local i
  for i in $(seq 50); do [ -s "$C/stub/calls.log" ] && break; sleep 0.1; done
  tr -d '\r' <"$C/stub/calls.log" 2>/dev/null
}

# OK writes exactly the fields changed; the launcher then follows them.
start_with UseLan=1
drive "$(id EDITOR)=C:\\stub\\record.exe" "$(id PARAM_EDITOR)=-n" "$(id FRONT_EDITOR)=+" press=$OK
same "OK: no box" "$BOXES" ""
same "OK: exactly the changed values, the others as they were" "$(values)" \
  "Editor=C:\\stub\\record.exe
FrontEditor=1
ParamEditor=-n
UseLan=1"
same "OK: the launcher starts the saved editor, file before the arguments" "$(launch 'C:\t\a.txt')" \
  'C:\stub\record.exe "C:\t\a.txt" -n'

# Apply, then Cancel: the applied change stays; an untouched invalid flag
# keeps its text.
start_with "Editor=C:\\stub\\record.exe" "NoFile=0 "
drive "$(id PARAM_PRINT)=/print" press=$(id APPLY) "$(id FRONT_EDITOR)=+" press=$CANCEL
same "Apply then Cancel: what was applied, nothing after" "$(values)" \
  "Editor=C:\\stub\\record.exe
NoFile=0 
ParamPrint=/print"
same "Apply: the launcher prints with the saved arguments" "$(launch /p 'C:\t\a.txt')" \
  'C:\stub\record.exe /print "C:\t\a.txt"'

# A refused text: the box says why, nothing is written.
start_with "Editor=C:\\stub\\record.exe"
drive "$(id IE_EXT)=.htm" "$(id PARAM_EDITOR)=-x" press=$OK press=$CANCEL
same "IeExt with a dot: refused with its reason" "$BOXES" \
  "box: 一時ファイルに付ける拡張子は「.」を付けずに入力してください (例: htm)。||保存していません。"
same "IeExt with a dot: nothing written" "$(values)" "Editor=C:\\stub\\record.exe"

# Text the ANSI code page cannot hold is refused too.
drive "$(id PARAM_HTML)=-é" press=$OK press=$CANCEL
same "a character outside the code page: refused" "$BOXES" \
  "box: 「HTML ソースのエディタの引数」に、このシステムの文字コードで表せない文字があります。Velquin は設定をその文字コードで読むため、保存できません。||保存していません。"
same "a character outside the code page: nothing written" "$(values)" "Editor=C:\\stub\\record.exe"

# A missing editor: the warning says what the launcher will do; Cancel
# keeps the key, OK saves.
drive "$(id EDITOR)=C:\\gone.exe" answer=$CANCEL press=$OK press=$CANCEL
same "missing Editor: the warning" "$BOXES" \
  "box: エディタ「C:\\gone.exe」が見つかりません。このまま保存すると、Velquin はファイルを開くたびに通知を表示してから、メモ帳で開きます。||このまま保存しますか?"
same "missing Editor, warning cancelled: nothing written" "$(values)" "Editor=C:\\stub\\record.exe"
drive "$(id HTML_EDITOR)=C:\\stub\\record.exe" answer=$OK press=$OK
same "missing Editor accepted: saved" "$(values)" "Editor=C:\\stub\\record.exe
HtmlEditor=C:\\stub\\record.exe"

# Back to the defaults: confirmed, then OK removes every shown value and
# leaves the others.
start_with "Editor=C:\\stub\\record.exe" IeExt=txt "NoTrap=1 " DoNotepadPrint=0 Rewrite=0
drive answer=$YES press=$(id DEFAULTS) press=$OK
same "defaults: the confirmation" "$BOXES" \
  "box: 表示しているすべての設定を既定値に戻します。|OK または適用を押すと、これらの値を設定から削除します。||よろしいですか?"
same "defaults: the shown values removed, the others kept" "$(values)" "DoNotepadPrint=0
Rewrite=0"

# Settings an administrator locked: the window shows them, says so and
# offers no saving; the launcher reads them and writes nothing back.
LOCK=build/win64/tests/wine/velquin_key_lock.exe
start_with "Editor=C:\\stub\\record.exe" "ParamEditor=-locked" DoNotepadPrint=1
"$WINE" "$LOCK" lock 'Software\Tarrowind\Velquin\Setting'
drive "text=$(id LOCKED)" "enabled=$OK" "enabled=$(id APPLY)" "enabled=$(id DEFAULTS)" "enabled=$CANCEL" \
  "text=$(id PARAM_EDITOR)" press=$CANCEL
same "locked: the window says so, shows the values and offers no saving" "$BOXES" \
  "text $(id LOCKED): この設定は管理者により変更できないようになっています。
enabled $OK: no
enabled $(id APPLY): no
enabled $(id DEFAULTS): no
enabled $CANCEL: yes
text $(id PARAM_EDITOR): -locked"
same "locked: the launcher starts the enforced editor" "$(launch 'C:\t\a.txt')" 'C:\stub\record.exe -locked "C:\t\a.txt"'
same "locked: nothing written back" "$(values)" "DoNotepadPrint=1
Editor=C:\\stub\\record.exe
ParamEditor=-locked"
"$WINE" "$LOCK" unlock 'Software\Tarrowind\Velquin\Setting'
start_with

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
