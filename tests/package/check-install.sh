#!/usr/bin/env bash
# Checks the release package under Wine: the zip's contents; the release
# signed with a throwaway certificate, unsigned again; settings.reg
# imported by regedit and read back by the launcher as the defaults; and
# install.cmd / uninstall.cmd (which start the setup program) run by Wine's
# cmd in scratch prefixes, with the files and keys compared after install
# and after uninstall. Ends with the
# line "N passed, M failed" and exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
. tests/package/wine_prefixes.sh
begin_check package-check
. tests/package/older_release.sh
older_release || fail "an earlier build packaged from this tree"

# --- the package ------------------------------------------------------------
zip_path=$(scripts/package | tail -n 1)
if [ ! -f "$zip_path" ]; then fail "scripts/package makes the zip"; echo "$PASSED passed, $FAILED failed"; exit 1; fi
pass "scripts/package makes $zip_path"
check "dist/SHA256SUMS names the zip, both packages and the templates, as they are" \
  bash -c "cd dist && [ \$(wc -l <SHA256SUMS) = 6 ] && sha256sum --quiet -c SHA256SUMS"
name=$(basename "$zip_path" .zip)
same "dist holds the release alone" "$(cd dist && LC_ALL=C find . -type f | LC_ALL=C sort | tr '\n' ' ')" \
  "./PolicyDefinitions/en-US/velquin.adml ./PolicyDefinitions/ja-JP/velquin.adml ./PolicyDefinitions/velquin.admx ./SHA256SUMS ./$name-x64.msi ./$name-x86.msi ./$name.zip "
# The Group Policy templates parse, and every string and presentation the
# admx names is in each language's adml, which names no other.
install_packages libxml2-utils
TEMPLATES=dist/PolicyDefinitions
refs() { grep -o "\$($1[.][A-Za-z0-9_]*)" "$TEMPLATES/velquin.admx" | sed 's/^[^.]*[.]//; s/)$//' | LC_ALL=C sort -u; }
ids() { grep -o "<$1 id=\"[^\"]*\"" "$2" | sed 's/^[^"]*"//; s/"$//' | LC_ALL=C sort -u; }
check "the admx is well-formed" xmllint --noout "$TEMPLATES/velquin.admx"
for language in ja-JP en-US; do
  adml=$TEMPLATES/$language/velquin.adml
  check "the $language adml is well-formed" xmllint --noout "$adml"
  same "the $language adml holds every string the admx names, and no other" "$(ids string "$adml")" "$(refs string)"
  same "the $language adml holds every presentation the admx names, and no other" \
    "$(ids presentation "$adml")" "$(refs presentation)"
done
# The zip's times are the commit's, in UTC (DOS times: two-second steps, rounded up).
epoch=$(git log -1 --format=%ct)
same "the zip's files carry the commit's time" "$(unzip -Z -T "$zip_path" | awk '/^-/ { print $7 }' | sort -u)" \
  "$(TZ=UTC date -d "@$(( (epoch + 1) / 2 * 2 ))" +%Y%m%d.%H%M%S)"
same "zip holds exactly the thirteen files" \
  "$(unzip -Z1 "$zip_path" | LC_ALL=C sort | tr '\n' ' ')" \
  "PolicyDefinitions/en-US/velquin.adml PolicyDefinitions/ja-JP/velquin.adml PolicyDefinitions/velquin.admx README.ja.md install.cmd settings.reg uninstall.cmd velquin-settings.exe velquin-settings64.exe velquin-setup.exe velquin-setup64.exe velquin.exe velquin64.exe "
PKG=$SCRATCH/package
mkdir -p "$PKG"
unzip -q "$zip_path" -d "$PKG"
check "velquin.exe is the i686 build" cmp "$PKG/velquin.exe" build/win32/velquin.exe
check "velquin64.exe is the x86_64 build" cmp "$PKG/velquin64.exe" build/win64/velquin.exe
check "velquin-settings.exe is the i686 build" cmp "$PKG/velquin-settings.exe" build/win32/velquin-settings.exe
check "velquin-settings64.exe is the x86_64 build" cmp "$PKG/velquin-settings64.exe" build/win64/velquin-settings.exe
check "velquin-setup.exe is the i686 build" cmp "$PKG/velquin-setup.exe" build/win32/velquin-setup.exe
check "velquin-setup64.exe is the x86_64 build" cmp "$PKG/velquin-setup64.exe" build/win64/velquin-setup.exe
# The PE header's machine field, and the DLLs each build imports at load
# time: kernel32 and the C runtime, known DLLs. Any other is searched for in
# the program's folder, which the unpacked zip leaves writable, before the
# program can limit the search; each is delay-loaded from the system
# directory instead.
for entry in velquin.exe:014c:i686 velquin64.exe:8664:x86_64 velquin-settings.exe:014c:i686 \
    velquin-settings64.exe:8664:x86_64 velquin-setup.exe:014c:i686 velquin-setup64.exe:8664:x86_64; do
  IFS=: read -r exe want arch <<<"$entry"
  machine=$(od -An -tx2 -j $(( $(od -An -tu4 -j 60 -N4 "$PKG/$exe") + 4 )) -N2 "$PKG/$exe" | tr -d ' ')
  same "$exe is an $arch program" "$machine" "$want"
  # A path of the build machine's would make each clone's bytes its own.
  check "$exe holds no path of the tree it was built in" bash -c '! grep -qaF "$0" "$1"' "$PWD" "$PKG/$exe"
  same "$exe holds no link time" "$(od -An -tx4 -j $(( $(od -An -tu4 -j 60 -N4 "$PKG/$exe") + 8 )) -N4 "$PKG/$exe" | tr -d ' ')" 00000000
  foreign=$("$arch-w64-mingw32-objdump" -p "$PKG/$exe" | awk '/DLL Name/ {print toupper($3)}' |
    grep -vxE "(KERNEL32|MSVCRT)[.]DLL")
  same "$exe imports only kernel32 and the C runtime" "$foreign" ""
done
# Each launcher carries its application manifest (resource type 24), kept
# as text in the resource section: as invoker, every Windows from Vista to
# 11 named, per-monitor DPI awareness, and nothing that changes the code
# page. The common controls are in a second manifest, the boxes' own.
manifest_block() {  # the Nth manifest in the file
  LC_ALL=C awk -v want="$1" '/<assembly /{n++} n==want{print} /<\/assembly>/ && n==want{exit}' "$2" | tr -d '\r\0'
}
for exe in velquin.exe velquin64.exe; do
  manifest=$(manifest_block 1 "$PKG/$exe")
  boxes=$(manifest_block 2 "$PKG/$exe")
  check "$exe has an application manifest" grep -q 'manifestVersion="1.0"' <<<"$manifest"
  check "$exe runs as invoker" grep -q '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' <<<"$manifest"
  same "$exe names Vista to Windows 10/11" "$(grep -o 'supportedOS Id="{[^}]*}"' <<<"$manifest" | sort | tr '\n' ' ')" \
    'supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}" supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}" supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}" supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}" '
  check "$exe is per-monitor v2 DPI aware" grep -q '>PerMonitorV2, PerMonitor</dpiAwareness>' <<<"$manifest"
  same "$exe looks up no assembly as it starts" "$(grep -c dependentAssembly <<<"$manifest")" 0
  check "$exe draws its boxes with Common Controls v6" grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$boxes"
  same "$exe leaves the code page alone" "$(grep -c activeCodePage <<<"$manifest")" 0
done
# The setup program asks for no elevation: the machine-wide forms refuse
# without it, /user needs none.
for exe in velquin-setup.exe velquin-setup64.exe; do
  check "$exe runs as invoker" grep -aq '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' "$PKG/$exe"
  check "$exe is a console program" bash -c "[ \"\$(od -An -tu2 -j \$(( \$(od -An -tu4 -j 60 -N4 '$PKG/$exe') + 92 )) -N2 '$PKG/$exe' | tr -d ' ')\" = 3 ]"
done
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

# --- the signed release ---------------------------------------------------------
# A throwaway CA and the code-signing certificate it issues: scripts/package
# signs with them into a folder of its own, dist staying unsigned.
install_packages openssl osslsigncode
SIGNED=$SCRATCH/signed
mkdir -p "$SIGNED"
ossl() { openssl "$@" >/dev/null 2>&1; }
ossl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velquin test CA" -keyout "$SIGNED/ca.key" -out "$SIGNED/ca.pem"
ossl req -newkey rsa:2048 -nodes -subj "/CN=Velquin test signer" -keyout "$SIGNED/key.pem" -out "$SIGNED/cert.csr"
ossl x509 -req -days 2 -set_serial 1 -in "$SIGNED/cert.csr" -CA "$SIGNED/ca.pem" -CAkey "$SIGNED/ca.key" \
  -extfile <(printf 'extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n') -out "$SIGNED/cert.pem"
signed_zip=$(VELQUIN_SIGN_CERT=$SIGNED/cert.pem VELQUIN_SIGN_KEY=$SIGNED/key.pem scripts/package "$SIGNED/dist" | tail -n 1)
check "signed: dist stays unsigned" bash -c "cd dist && sha256sum --quiet -c SHA256SUMS"
check "signed: its SHA256SUMS names its six files as they are" \
  bash -c "cd '$SIGNED/dist' && [ \$(wc -l <SHA256SUMS) = 6 ] && sha256sum --quiet -c SHA256SUMS"
unzip -q "$signed_zip" -d "$SIGNED/zip"
verifies() { osslsigncode verify -CAfile "$SIGNED/ca.pem" -in "$1"; }
# A program's signature comes off as it went on: the unsigned build's bytes are back.
for f in $(unzip -Z1 "$zip_path"); do
  if [[ $f == *.exe ]]; then
    check "signed: $f's signature verifies" verifies "$SIGNED/zip/$f"
    check "signed: $f without it is the unsigned one" bash -c 'osslsigncode remove-signature -in "$0" -out "$0.bare" && cmp "$0.bare" "$1"' \
      "$SIGNED/zip/$f" "$PKG/$f"
  else
    check "signed: $f as unsigned" cmp "$SIGNED/zip/$f" "$PKG/$f"
  fi
done
# A package's does not (osslsigncode writes the compound file anew): its tables and streams
# are those of the package build-msi.sh makes from the signed zip's files.
for arch in x64 x86; do
  msi=$SIGNED/dist/$name-$arch.msi
  check "signed: the $arch package's signature verifies" verifies "$msi"
  packaging/build-msi.sh "$arch" "$SIGNED/zip" "$(cat build/host/packaging/msi-version)" "${name#velquin-}" "$SIGNED/$arch.msi" \
    build/host/packaging
  osslsigncode remove-signature -in "$msi" -out "$SIGNED/bare-$arch.msi" >/dev/null 2>&1
  # Each dump in a folder of its own: msidump writes the binary columns where it runs.
  for m in "$arch" "bare-$arch"; do mkdir -p "$SIGNED/$m" && (cd "$SIGNED/$m" && msidump -t -s -d . "../$m.msi" >/dev/null 2>&1); done
  check "signed: the $arch package without its signature holds the signed programs' package" \
    diff -r "$SIGNED/$arch" "$SIGNED/bare-$arch"
done

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
make_template "$PKG/velquin-settings64.exe"

# --- settings.reg read back by the launcher -----------------------------------
if [ ! -f build/win64/velquin.exe ]; then
  cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
  cmake --build build/win64 -j "$(nproc)" --target velquin >/dev/null
fi
build_record_call

RUN_OUT=
# Runs the launcher from a folder with a space in its name, so that its
# command line starts with a quote as a browser's does; the stand-in editor
# is $1 (unix path of its calls.log). Sets RUN_OUT to the recorded line, or
# when nothing was recorded to the launcher's exit status and Wine's errors.
run_launcher() {
  local log=$1; shift
  rm -f "$log"
  local status=0
  WINEDEBUG=-all,err+all timeout 30 "$WINE" "C:\\Velquin Test\\velquin.exe" "$@" >/dev/null 2>"$SCRATCH/launcher.err" ||
    status=$?
  RUN_OUT=$(recorded_start "$log" "$status" "$SCRATCH/launcher.err")
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
  run_launcher "$log"; echo "no file: $([[ $RUN_OUT == "(no editor"* ]] && echo "$RUN_OUT" || echo editor started)"
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
same "regedit imports 20 string values" "$count" "20"
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
CMD_OUT=
CMD_RC=
# Runs once and keeps both: Wine's cmd passes the script's exit code on.
# CMD_DIR: the folder it runs in, the package's unless set.
run_cmd() {
  local out rc
  out=$(cd "${CMD_DIR:-$PKG}" && timeout 120 "$WINE" cmd /c "$@" 2>&1)
  rc=$?
  CMD_OUT=$(printf '%s' "$out" | tr -d '\r')
  CMD_RC=$rc
}
# The native build stands in the Windows directory and System32, the i686
# one in SysWOW64, where 32-bit programs look.
is_velquin() { local exe=velquin64.exe; [[ $1 == syswow64/* ]] && exe=velquin.exe; cmp -s "$PKG/$exe" "$P/drive_c/windows/$1"; }
VERSION=$(cat build/host/packaging/version)  # the top CMakeLists.txt's, as scripts/package took it
# The guide is written by hand: its title must follow the version.
check "the guide's title names Velquin $VERSION" grep -qx "# Velquin $VERSION 利用の手引き" docs/README.ja.md
# The verbs' start: the launcher by its full path, quoted, then Notepad
# unquoted, as a redirected start of Notepad reads.
VERB='"C:\Program Files\Velquin\velquin.exe" C:\windows\notepad.exe'
# What either install registers: Program Files\Velquin, the Default apps
# keys and the Apps & features entry. $1 names the case, $2 the verbs'
# start.
check_registered() {
  local c=$1 exe=$2 ext
  no_short_names "$c"
  check "$c: velquin.exe (x86_64) in Program Files\\Velquin" cmp "$PKG/velquin64.exe" "$P/drive_c/$PROGRAM_DIR/velquin.exe"
  check "$c: velquin-setup.exe (x86_64) in Program Files\\Velquin" cmp "$PKG/velquin-setup64.exe" "$P/drive_c/$PROGRAM_DIR/velquin-setup.exe"
  check "$c: velquin-settings.exe (x86_64) in Program Files\\Velquin" \
    cmp "$PKG/velquin-settings64.exe" "$P/drive_c/$PROGRAM_DIR/velquin-settings.exe"
  check "$c: the Start-menu shortcut to the settings" test -s "$P/drive_c/$SHORTCUT"
  same "$c: the open verb" "$(reg_default 'HKLM\SOFTWARE\Classes\Velquin.Text\shell\open\command')" "$exe \"%1\""
  same "$c: the print verb" "$(reg_default 'HKLM\SOFTWARE\Classes\Velquin.Text\shell\print\command')" "$exe /p \"%1\""
  same "$c: the printto verb" "$(reg_default 'HKLM\SOFTWARE\Classes\Velquin.Text\shell\printto\command')" \
    "$exe /pt \"%1\" \"%2\" \"%3\" \"%4\""
  same "$c: Open with's verb" "$(reg_default 'HKLM\SOFTWARE\Classes\Applications\velquin.exe\shell\open\command')" "$exe \"%1\""
  same "$c: RegisteredApplications" "$(reg_value 'HKLM\SOFTWARE\RegisteredApplications' Velquin)" 'SOFTWARE\Tarrowind\Velquin\Capabilities'
  local caps='HKLM\SOFTWARE\Tarrowind\Velquin\Capabilities'
  same "$c: ApplicationName" "$(reg_value "$caps" ApplicationName)" "Velquin"
  check "$c: an ApplicationDescription" test -n "$(reg_value "$caps" ApplicationDescription)"
  local assoc="" types=""
  for ext in .txt .text .log .ini .inf .scp .wtx; do
    assoc+="$ext=$(reg_value "$caps\\FileAssociations" "$ext") "
    wreg query 'HKLM\SOFTWARE\Classes\Applications\velquin.exe\SupportedTypes' /v "$ext" | grep -q REG_SZ && types+="$ext "
  done
  same "$c: FileAssociations" "$assoc" ".txt=Velquin.Text .text=Velquin.Text .log=Velquin.Text .ini=Velquin.Text .inf=Velquin.Text .scp=Velquin.Text .wtx=Velquin.Text "
  same "$c: SupportedTypes" "$types" ".txt .text .log .ini .inf .scp .wtx "
  local arp
  arp=$(for v in DisplayName DisplayVersion Publisher DisplayIcon InstallLocation NoModify NoRepair; do echo "$v=$(reg_value "$ARP" $v)"; done)
  same "$c: the Apps & features entry" "$arp" "DisplayName=Velquin $VERSION
DisplayVersion=$VERSION
Publisher=Tarrowind
DisplayIcon=C:\\Program Files\\Velquin\\velquin.exe,0
InstallLocation=C:\\Program Files\\Velquin
NoModify=0x1
NoRepair=0x1"
  check "$c: EstimatedSize in KB" bash -c "[[ \$(( \$0 )) -ge 100 ]]" "$(reg_value "$ARP" EstimatedSize)"
  local runs='"C:\Program Files\Velquin\velquin-setup.exe" /uninstall'
  same "$c: UninstallString runs the installed setup, elevated" "$(reg_value "$ARP" UninstallString)" "$runs /elevate"
  same "$c: QuietUninstallString runs the installed setup, quietly" "$(reg_value "$ARP" QuietUninstallString)" "$runs /quiet"
}
# Runs the Apps & features entry's QuietUninstallString as a deployment tool
# would: the installed setup program, which removes its own folder too.
run_quiet_uninstall() {  # $1: the entry's key, the machine's unless set
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$(reg_value "${1:-$ARP}" QuietUninstallString)" >"$P/drive_c/quiet-uninstall.cmd"
  run_cmd 'C:\quiet-uninstall.cmd'
  rm -f "$P/drive_c/quiet-uninstall.cmd"
}
# Runs the installed setup program's /check as a detection script would.
run_check() {
  printf '@"C:\\Program Files\\Velquin\\velquin-setup.exe" /check %s\r\n@exit /b %%errorlevel%%\r\n' "$*" >"$P/drive_c/check.cmd"
  run_cmd 'C:\check.cmd'
  rm -f "$P/drive_c/check.cmd"
}

# replace, on 64-bit Windows with a 32-bit Notepad in SysWOW64 (Windows 10:
# no UseFilter, so the IFEO key stays untouched)
new_prefix replace
plant_notepads wow64
before=$(snapshot)
run_cmd install.cmd /replace
same "replace: install.cmd succeeds" "$CMD_RC" 0
same "replace: Windows directory notepa~.exe is its Notepad" "$(content notepa~.exe)" "windows notepad"
same "replace: System32 notepa~.exe is its Notepad" "$(content system32/notepa~.exe)" "system notepad"
same "replace: SysWOW64 notepa~.exe is its Notepad" "$(content syswow64/notepa~.exe)" "wow64 notepad"
check "replace: velquin64.exe in the Windows directory's notepad.exe" is_velquin notepad.exe
check "replace: velquin64.exe in System32's notepad.exe" is_velquin system32/notepad.exe
check "replace: the i686 velquin.exe in SysWOW64's notepad.exe" is_velquin syswow64/notepad.exe
same "replace: recorded" "$(reg_value "$STATE" Mode)" "replace"
check "replace: no IFEO key made (64-bit view)" bash -c "! $WINE reg query '$IFEO' /reg:64"
check "replace: no IFEO key made (32-bit view)" bash -c "! $WINE reg query '$IFEO' /reg:32"
check_registered replace "$VERB"
check "replace: Windows 7's build opens the Default apps page" grep -qxF \
  "Velquin: to open text files with Velquin, choose it in Settings > Apps > Default apps (ms-settings:defaultapps)." <<<"$CMD_OUT"
after_install=$(snapshot)
run_check
same "replace: /check after the install" "$CMD_RC,$CMD_OUT" "0,Velquin $VERSION (/replace) is installed as recorded."
run_cmd install.cmd /replace
same "replace: install.cmd again succeeds" "$CMD_RC" 0
check "replace: install.cmd again says so" grep -q "already installed (/replace). Nothing was changed." <<<"$CMD_OUT"
same_state "replace: install.cmd again changes nothing" "$(snapshot)" "$after_install"
# A Windows update puts the system's file back: the same install repairs it.
echo "updated system notepad" >"$P/drive_c/windows/system32/notepad.exe"
run_check /quiet
same "replace: /check /quiet after the update" "$CMD_RC,$CMD_OUT" "5,Velquin $VERSION (/replace): a repair is due:"
run_cmd install.cmd /replace /quiet
same "replace: the repair succeeds" "$CMD_RC" 0
same "replace: /quiet prints nothing" "$CMD_OUT" ""
check "replace: velquin64.exe back in System32's notepad.exe" is_velquin system32/notepad.exe
same_state "replace: the repair restores the installed state" "$(snapshot)" "$after_install"
run_check
same "replace: /check after the repair" "$CMD_RC" 0
# An older release's install (its record, Apps & features and files): the
# newer install.cmd upgrades it to exactly what it installs itself; an
# install older than the one recorded is refused.
wreg add "$STATE" /v Version /t REG_SZ /d 2.0.0.0 /f >/dev/null
wreg add "$ARP" /v DisplayVersion /t REG_SZ /d 2.0.0.0 /f >/dev/null
cp "$PKG/velquin.exe" "$P/drive_c/$PROGRAM_DIR/velquin.exe"
cp "$PKG/velquin.exe" "$P/drive_c/windows/system32/notepad.exe"
run_cmd install.cmd /replace
same "replace: the newer release's install.cmd succeeds" "$CMD_RC" 0
check "replace: it says it upgraded" grep -qF "upgraded (/replace) to $VERSION from 2.0.0.0." <<<"$CMD_OUT"
same_state "replace: the upgrade leaves the newer release's installed state" "$(snapshot)" "$after_install"
wreg add "$STATE" /v Version /t REG_SZ /d 99.0 /f >/dev/null
run_cmd install.cmd /replace
same "replace: an older release's install.cmd is refused" "$CMD_RC" 3
check "replace: the refusal names the release installed" grep -qF "Velquin 99.0 is installed" <<<"$CMD_OUT"
wreg add "$STATE" /v Version /t REG_SZ /d "$VERSION" /f >/dev/null
run_cmd install.cmd /redirect
same "replace: install.cmd /redirect refused while installed" "$CMD_RC" 3
echo "updated system notepad" >"$P/drive_c/windows/notepad.exe"
run_cmd install.cmd /redirect
same "replace: a restored notepad.exe is no reason to allow /redirect" "$CMD_RC" 3
cp "$PKG/velquin64.exe" "$P/drive_c/windows/notepad.exe"
same_state "replace: the refused install changes nothing" "$(snapshot)" "$after_install"
# Wine gives every user the administrator's rights: the refusals of a
# non-administrator are rows on the fake.
run_cmd uninstall.cmd
same "replace: uninstall.cmd succeeds" "$CMD_RC" 0
check "replace: the settings program removed" test ! -e "$P/drive_c/$PROGRAM_DIR/velquin-settings.exe"
check "replace: the settings shortcut removed" test ! -e "$P/drive_c/$SHORTCUT"
same "replace: Windows directory Notepad back" "$(content notepad.exe)" "windows notepad"
same "replace: System32 Notepad back" "$(content system32/notepad.exe)" "system notepad"
same "replace: SysWOW64 Notepad back" "$(content syswow64/notepad.exe)" "wow64 notepad"
same_state "replace: after uninstall everything is as before" "$(snapshot)" "$before"
run_cmd velquin-setup64.exe /check
same "replace: /check after uninstall" "$CMD_RC,$CMD_OUT" "6,Velquin is not installed."
run_cmd uninstall.cmd
same "replace: uninstall.cmd again succeeds" "$CMD_RC" 0
same_state "replace: uninstall.cmd again changes nothing" "$(snapshot)" "$before"
# A real earlier build (this tree at a lower version) installed from its
# own zip, then this release's install.cmd over it: the machine as this
# release's own install leaves it; its uninstall, as before either.
OLDER=$SCRATCH/older
mkdir -p "$OLDER"
unzip -q "$OLDER_DIST/velquin-$OLDER_VERSION.zip" -d "$OLDER"
CMD_DIR=$OLDER run_cmd install.cmd /replace
same "older build: its install.cmd succeeds, its version shown" "$CMD_RC $(reg_value "$ARP" DisplayVersion)" "0 $OLDER_VERSION"
check "older build: its velquin64.exe in System32's notepad.exe" cmp "$OLDER/velquin64.exe" "$P/drive_c/windows/system32/notepad.exe"
run_cmd install.cmd /replace
same "older build: this release's install.cmd over it succeeds" "$CMD_RC" 0
check "older build: the upgrade says so" grep -qF "upgraded (/replace) to $VERSION from $OLDER_VERSION." <<<"$CMD_OUT"
same "older build: the record's version is this release's" "$(reg_value "$STATE" Version)" "$VERSION"
# The shortcut stays: it holds its target's size and times of then, which
# Windows takes only as hints.
lnk_kept() { sed 's/^[0-9a-f]*\(  .*[.]lnk\)$/(shortcut)\1/'; }
same_state "older build: upgraded, the machine is as this release's install leaves it" \
  "$(snapshot | lnk_kept)" "$(lnk_kept <<<"$after_install")"
run_cmd uninstall.cmd
same "older build: uninstall.cmd after the upgrade succeeds" "$CMD_RC" 0
same_state "older build: after the upgrade and uninstall everything is as before" "$(snapshot)" "$before"

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
installed="$P/drive_c/$PROGRAM_DIR/velquin.exe"
for view in 64 32; do
  dbg=$(reg_value "$IFEO" Debugger /reg:$view)
  same "redirect: Debugger ($view-bit view) the full path, quoted" "$dbg" '"C:\Program Files\Velquin\velquin.exe"'
  unix=$("$WINE" winepath -u "${dbg//\"/}" 2>/dev/null | tr -d '\r')
  check "redirect: Debugger ($view-bit view) names the installed velquin.exe" cmp "$installed" "$unix"
  check "redirect: no UseFilter written ($view-bit view)" bash -c "! $WINE reg query '$IFEO' /v UseFilter /reg:$view"
done
same "redirect: the existing GlobalFlag kept" "$(reg_value "$IFEO" GlobalFlag /reg:64)" "0x0"
check_registered redirect "$VERB"
after_install=$(snapshot)
same "redirect: the Debugger command line opens the file in the editor" \
  "$(editor_run "$dbg C:\\windows\\system32\\notepad.exe C:\\t\\a.txt")" 'C:\stub\record.exe "C:\t\a.txt"'
same "redirect: the open verb opens the file in the editor" \
  "$(editor_run "$VERB \"C:\\t\\a.txt\"")" 'C:\stub\record.exe "C:\t\a.txt"'
same_state "redirect: the editor runs cleaned up after" "$(snapshot)" "$after_install"
run_cmd install.cmd /redirect
same "redirect: install.cmd again succeeds" "$CMD_RC" 0
same_state "redirect: install.cmd again changes nothing" "$(snapshot)" "$after_install"
run_cmd uninstall.cmd
same "redirect: uninstall.cmd succeeds" "$CMD_RC" 0
check "redirect: no Debugger left (64-bit view)" bash -c "! $WINE reg query '$IFEO' /v Debugger /reg:64"
check "redirect: no Debugger left (32-bit view)" bash -c "! $WINE reg query '$IFEO' /v Debugger /reg:32"
same "redirect: the existing GlobalFlag still there" "$(reg_value "$IFEO" GlobalFlag /reg:64)" "0x0"
check "redirect: Program Files\\Velquin gone" test ! -e "$P/drive_c/$PROGRAM_DIR"
same_state "redirect: after uninstall everything is as before" "$(snapshot)" "$before"
run_cmd uninstall.cmd
same "redirect: uninstall.cmd again succeeds" "$CMD_RC" 0
same_state "redirect: uninstall.cmd again changes nothing" "$(snapshot)" "$before"

# --- the first release's install, undone and upgraded by today's scripts -------
# Its install.cmd as it shipped (one velquin.exe, Program Files (x86) on
# 64-bit Windows, a Debugger record per view), run from a folder of its own.
FIRST=$SCRATCH/first-release
mkdir -p "$FIRST"
sed -e 's/\r$//' -e 's/$/\r/' tests/package/first_release/install.cmd >"$FIRST/install.cmd"
cp "$PKG/velquin.exe" "$FIRST/velquin.exe"
run_first() { CMD_DIR=$FIRST run_cmd install.cmd "$@"; }
FIRST_DIR='Program Files (x86)/Velquin'
for form in redirect replace; do
  new_prefix "first-$form"
  plant_notepads wow64
  wreg add "$IFEO" /v GlobalFlag /t REG_SZ /d 0x0 /f /reg:64 >/dev/null
  before=$(snapshot)
  run_first "/$form"
  same "first release /$form: its install.cmd succeeds" "$CMD_RC" 0
  if [ "$form" == redirect ]; then
    first_dbg=$(reg_value "$IFEO" Debugger /reg:64)
    check "first release /redirect: its Debugger names its velquin.exe" \
      cmp "$FIRST/velquin.exe" "$("$WINE" winepath -u "$first_dbg" 2>/dev/null | tr -d '\r')"
  fi
  run_cmd uninstall.cmd
  same "first release /$form: today's uninstall.cmd succeeds" "$CMD_RC" 0
  check "first release /$form: no Debugger left" bash -c "! $WINE reg query '$IFEO' /v Debugger /reg:64"
  check "first release /$form: its Program Files folder gone" test ! -e "$P/drive_c/$FIRST_DIR"
  same_state "first release /$form: after today's uninstall everything is as before" "$(snapshot)" "$before"
  # Today's install over the first release's: undone as recorded, then
  # installed afresh, so that today's uninstall leaves the machine as before.
  run_first "/$form"
  run_cmd install.cmd "/$form"
  same "first release /$form: today's install.cmd over it succeeds" "$CMD_RC" 0
  check "first release /$form: today's install says it undid the earlier one" \
    grep -q "undid the earlier release's installation (/$form)" <<<"$CMD_OUT"
  check "first release /$form: its Program Files folder gone after the upgrade" test ! -e "$P/drive_c/$FIRST_DIR"
  if [ "$form" == redirect ]; then
    dbg=$(reg_value "$STATE" Debugger)
    same "first release /redirect: the upgrade's Debugger is today's" "$(reg_value "$IFEO" Debugger /reg:64)" "$dbg"
    check_registered "first release upgraded" "$VERB"
  else
    check "first release /replace: the upgrade puts today's velquin64.exe in System32" is_velquin system32/notepad.exe
  fi
  run_cmd uninstall.cmd
  same "first release /$form: today's uninstall after the upgrade succeeds" "$CMD_RC" 0
  same_state "first release /$form: after the upgrade and uninstall everything is as before" "$(snapshot)" "$before"
done

# ARM64 machines are rows on the fake: Wine reports AMD64 to the setup
# program, and install.cmd would start the i686 one there, which this
# machine cannot run.

# --- a registry shaped like Windows 11's, with the store app's Notepad ---------

new_prefix win11-redirect
plant_notepads wow64
seed_windows11
same "Windows 11 shape: every start of notepad.exe goes to the store app" "$(entries)" "$(entries_all "the store app")"
before=$(snapshot)
run_cmd install.cmd /redirect
same "Windows 11 redirect: install.cmd succeeds" "$CMD_RC" 0
dbg=$(reg_value "$STATE" Debugger)
same "Windows 11 redirect: every path in both views reaches Velquin" "$(entries)" "$(entries_all "Debugger $dbg")"
same "Windows 11 redirect: UseFilter 0 (64-bit view)" "$(reg_value "$IFEO" UseFilter /reg:64)" "0x0"
same "Windows 11 redirect: the key's store redirect off (32-bit view)" "$(reg_value "$IFEO" AppExecutionAliasRedirect /reg:32)" "0x0"
same "Windows 11 redirect: no subkey made" "$(wreg query "$IFEO" /s /reg:64 | grep -c '^HKEY_')" "4"
# Should an update set UseFilter again, the subkeys' Debugger still holds.
wreg add "$IFEO" /v UseFilter /t REG_DWORD /d 1 /f /reg:64 >/dev/null
same "Windows 11 redirect: with UseFilter set again, still Velquin" "$(entries | grep '^64')" "$(entries_all "Debugger $dbg" | grep '^64')"
wreg add "$IFEO" /v UseFilter /t REG_DWORD /d 0 /f /reg:64 >/dev/null
check "Windows 11 redirect: Windows 11's build opens Velquin's Default apps page" grep -qF \
  "(ms-settings:defaultapps?registeredAppMachine=Velquin)." <<<"$CMD_OUT"
check_registered "Windows 11 redirect" "$VERB"
same "Windows 11 redirect: NoOpenWith untouched" "$(wreg query 'HKLM\SOFTWARE\Classes\Applications\notepad.exe' /v NoOpenWith | grep -c NoOpenWith)" "1"
after_install=$(snapshot)
same "Windows 11 redirect: the open verb opens the file in the editor" \
  "$(editor_run "$(reg_default 'HKLM\SOFTWARE\Classes\Velquin.Text\shell\open\command' | sed 's/%1/C:\\t\\a.txt/')")" \
  'C:\stub\record.exe "C:\t\a.txt"'
# A feature update puts the store app's values back and drops the entries.
seed_windows11
wreg delete 'HKLM\SOFTWARE\RegisteredApplications' /v Velquin /f >/dev/null
same "Windows 11 redirect: after the update, the store app again" "$(entries)" "$(entries_all "the store app")"
run_check
same "Windows 11 redirect: /check after the update" "$CMD_RC" 5
check "Windows 11 redirect: /check names the Debugger to write back" grep -qF 'Image File Execution Options\notepad.exe /reg:64: Debugger = REG_SZ' <<<"$CMD_OUT"
run_cmd install.cmd /redirect
same "Windows 11 redirect: the repair succeeds" "$CMD_RC" 0
check "Windows 11 redirect: the repair says what it did" grep -q "^Velquin: repaired (/redirect)" <<<"$CMD_OUT"
check "Windows 11 redirect: the repair names the entries" grep -q "repaired: the Default apps and Apps & features entries" <<<"$CMD_OUT"
same_state "Windows 11 redirect: the repair restores the installed state, record included" "$(snapshot)" "$after_install"
run_check /quiet
same "Windows 11 redirect: /check after the repair" "$CMD_RC" 0
run_cmd install.cmd /REDIRECT /Quiet
same "Windows 11 redirect: /quiet again succeeds" "$CMD_RC" 0
same "Windows 11 redirect: /quiet prints nothing" "$CMD_OUT" ""
run_quiet_uninstall
same "Windows 11 redirect: the QuietUninstallString succeeds" "$CMD_RC" 0
settle  # Wine writes the registry's files when its server ends
check "Windows 11 redirect: the installed setup waits in %TEMP% for the next restart" \
  bash -c "grep -qE '$PENDING_SELF' '$P/system.reg' && ls '$P/drive_c/users/root/Temp' | grep -q '^velquin-setup-[0-9]*[.]exe$'"
check "Windows 11 redirect: Program Files\\Velquin gone with it" test ! -e "$P/drive_c/$PROGRAM_DIR"
same "Windows 11 redirect: the quiet uninstall prints nothing" "$CMD_OUT" ""
same "Windows 11 redirect: after uninstall, the store app again" "$(entries)" "$(entries_all "the store app")"
same_state "Windows 11 redirect: after uninstall every seeded key is as before" "$(snapshot)" "$before"

new_prefix win11-replace
plant_notepads wow64
seed_windows11
before=$(snapshot)
run_cmd install.cmd /replace
same "Windows 11 replace: install.cmd succeeds" "$CMD_RC" 0
same "Windows 11 replace: no start of notepad.exe goes to the store app" "$(entries)" "$(entries_all "the file itself")"
check "Windows 11 replace: velquin64.exe in System32's notepad.exe" is_velquin system32/notepad.exe
check "Windows 11 replace: the i686 velquin.exe in SysWOW64's notepad.exe" is_velquin syswow64/notepad.exe
same "Windows 11 replace: UseFilter left as it is" "$(reg_value "$IFEO" UseFilter /reg:32)" "0x1"
check "Windows 11 replace: no Debugger written" bash -c "! $WINE reg query '$IFEO' /s /reg:64 | grep -q Debugger"
after_install=$(snapshot)
seed_windows11
echo "updated system notepad" >"$P/drive_c/windows/system32/notepad.exe"
run_cmd install.cmd /replace
same "Windows 11 replace: the repair succeeds" "$CMD_RC" 0
check "Windows 11 replace: the repair names velquin.exe's place" grep -q "repaired: velquin.exe stands in .*System32.notepad.exe again" <<<"$CMD_OUT"
same_state "Windows 11 replace: the repair restores the installed state" "$(snapshot)" "$after_install"
run_cmd uninstall.cmd /quiet
same "Windows 11 replace: uninstall.cmd /quiet succeeds" "$CMD_RC" 0
same_state "Windows 11 replace: after uninstall every seeded key is as before" "$(snapshot)" "$before"

# --- /whatif: every change it would make, with what it replaces; none made ----
new_prefix whatif
plant_notepads wow64
seed_windows11
before=$(snapshot)
run_cmd install.cmd /redirect /whatif
same "whatif: install.cmd /redirect /whatif succeeds" "$CMD_RC" 0
check "whatif: UseFilter with the value it replaces" grep -qF \
  'Image File Execution Options\notepad.exe /reg:64: UseFilter = REG_DWORD 0x0 (was REG_DWORD 0x1)' <<<"$CMD_OUT"
check "whatif: the copy of Notepad" grep -qF 'copy C:\windows\System32\notepad.exe to C:\windows\System32\notepa~.exe' <<<"$CMD_OUT"
check "whatif: the record, written before the change it describes" grep -qF 'Velquin\Install /reg:64: Mode = REG_SZ redirect (was absent)' <<<"$CMD_OUT"
same_state "whatif: nothing changed" "$(snapshot)" "$before"
run_cmd install.cmd /redirect /quiet
same "whatif: the install itself succeeds" "$CMD_RC" 0
after_install=$(snapshot)
run_cmd uninstall.cmd /whatif
same "whatif: uninstall.cmd /whatif succeeds" "$CMD_RC" 0
check "whatif: the uninstall puts UseFilter back" grep -qF 'UseFilter = REG_DWORD 0x1 (was REG_DWORD 0x0)' <<<"$CMD_OUT"
same_state "whatif: the uninstall's plan changes nothing" "$(snapshot)" "$after_install"
run_cmd uninstall.cmd /quiet
same_state "whatif: after uninstall everything is as before" "$(snapshot)" "$before"

# --- /user: one user's install, without an administrator ---------------------
new_prefix user
plant_notepads wow64
USER_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velquin'
LOCAL_DIR='users/root/AppData/Local/Programs/Velquin'
USER_SHORTCUT='users/root/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velquin の設定.lnk'
user_files() { (cd "$P/drive_c/users" && find . -path '*/AppData/Local/Programs*' -o -path '*/Start Menu/*' | sort); }
before=$(snapshot)
before_user=$(user_files)
run_cmd install.cmd /user
same "user: install.cmd /user succeeds" "$CMD_RC" 0
check "user: velquin.exe (x86_64) in the user's Programs" cmp "$PKG/velquin64.exe" "$P/drive_c/$LOCAL_DIR/velquin.exe"
check "user: the setup program beside it" cmp "$PKG/velquin-setup64.exe" "$P/drive_c/$LOCAL_DIR/velquin-setup.exe"
check "user: the settings shortcut in the user's Start menu" test -s "$P/drive_c/$USER_SHORTCUT"
same "user: the open verb" "$(reg_default 'HKCU\Software\Classes\Velquin.Text\shell\open\command')" \
  'C:\users\root\AppData\Local\Programs\Velquin\velquin.exe C:\windows\notepad.exe "%1"'
no_short_names user
same "user: RegisteredApplications" "$(reg_value 'HKCU\Software\RegisteredApplications' Velquin)" 'Software\Tarrowind\Velquin\Capabilities'
same "user: the Apps & features entry" "$(reg_value "$USER_KEY" UninstallString)" \
  '"C:\users\root\AppData\Local\Programs\Velquin\velquin-setup.exe" /uninstall /user'
same "user: notepad.exe untouched" "$(content system32/notepad.exe)" "system notepad"
check "user: no notepa~.exe made" test ! -e "$P/drive_c/windows/system32/notepa~.exe"
check "user: no IFEO key made" bash -c "! $WINE reg query '$IFEO' /reg:64"
check "user: nothing in Program Files" test ! -e "$P/drive_c/$PROGRAM_DIR"
check "user: no machine-wide record" bash -c "! $WINE reg query '$STATE'"
run_quiet_uninstall "$USER_KEY"
same "user: its QuietUninstallString succeeds" "$CMD_RC" 0
check "user: its folder gone" test ! -e "$P/drive_c/$LOCAL_DIR"
# The next sign-in: Windows takes the user's RunOnce entry out, then runs
# it, which deletes the setup program waiting in %TEMP%.
RUN_ONCE='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
signin=$(reg_value "$RUN_ONCE" Velquin)
check "user: a RunOnce entry of the user's deletes the setup program" grep -q '^"C:\\windows\\System32\\cmd.exe" /c del /f /q "C:\\users\\root\\Temp\\velquin-setup-[0-9]*[.]exe"' <<<"$signin"
wreg delete "$RUN_ONCE" /v Velquin /f >/dev/null
printf '@%s\r\n' "$signin" >"$P/drive_c/signin.cmd"
run_cmd 'C:\signin.cmd'
rm -f "$P/drive_c/signin.cmd"
# Windows has the key whatever is in it; Wine's new prefix has none.
sed -n '/^== user.reg$/,$p' <<<"$before" | grep -qF '[Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce]' ||
  wreg delete "$RUN_ONCE" /f >/dev/null
check "user: after the sign-in no setup program is left in %TEMP%" bash -c "! ls '$P/drive_c/users/root/Temp' | grep -q '^velquin-setup-'"
same "user: the user's files as before" "$(user_files)" "$before_user"
same_state "user: after uninstall everything is as before" "$(snapshot)" "$before"

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
seed_windows11
wreg add "$IFEO\\2" /v Debugger /t REG_SZ /d 'C:\Tools\filtered.exe' /f /reg:64 >/dev/null
before=$(snapshot)
run_cmd install.cmd /redirect /quiet
same "another program's Debugger in a subkey: install refused" "$CMD_RC" 3
check "another program's Debugger in a subkey: named even with /quiet" grep -qF 'C:\Tools\filtered.exe' <<<"$CMD_OUT"
same_state "another program's Debugger in a subkey: nothing changed" "$(snapshot)" "$before"
for view in 64 32; do wreg delete "$IFEO" /f /reg:$view >/dev/null; done
mv "$P/drive_c/windows/system32/notepad.exe" "$SCRATCH/notepad.exe"
before=$(snapshot)
run_cmd install.cmd /replace
same "the classic Notepad missing: install refused" "$CMD_RC" 3
check "the classic Notepad missing: the optional feature named" grep -qF '"Notepad (system)"' <<<"$CMD_OUT"
same_state "the classic Notepad missing: nothing changed" "$(snapshot)" "$before"
mv "$SCRATCH/notepad.exe" "$P/drive_c/windows/system32/notepad.exe"
echo "someone's notepad" >"$P/drive_c/windows/system32/notepa~.exe"
before=$(snapshot)
run_cmd install.cmd /replace
same "existing notepa~.exe: replace refused" "$CMD_RC" 3
same_state "existing notepa~.exe: nothing changed" "$(snapshot)" "$before"
rm -f "$P/drive_c/windows/system32/notepa~.exe"
# Smart App Control on: Wine's WinVerifyTrust finds no signature on the
# unsigned build, as Windows does. Every Windows profile has wintrust's
# policy flags (0x23c00); Wine's wintrust writes them on its first use.
SAC='HKLM\SYSTEM\CurrentControlSet\Control\CI\Policy'
wreg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Wintrust\Trust Providers\Software Publishing' \
  /v State /t REG_DWORD /d 146432 /f >/dev/null
wreg add "$SAC" /v VerifiedAndReputablePolicyState /t REG_DWORD /d 1 /f >/dev/null
before=$(snapshot)
run_cmd install.cmd /redirect
same "Smart App Control on, an unsigned build: install refused" "$CMD_RC" 3
check "Smart App Control on, an unsigned build: said why" grep -qF 'Smart App Control is on and would block every start of Notepad' <<<"$CMD_OUT"
same_state "Smart App Control on, an unsigned build: nothing changed" "$(snapshot)" "$before"
wreg delete "$SAC" /v VerifiedAndReputablePolicyState /f >/dev/null
before=$(snapshot)
run_cmd install.cmd
same "no argument: usage" "$CMD_RC" 1
check "no argument: usage names the three forms" grep -q "/redirect | /replace | /user" <<<"$CMD_OUT"
run_cmd install.cmd /other
same "unknown argument: usage" "$CMD_RC" 1
run_cmd install.cmd /redirect /other
same "unknown second argument: usage" "$CMD_RC" 1
run_cmd uninstall.cmd /other
same "uninstall, unknown argument: usage" "$CMD_RC" 1
run_cmd uninstall.cmd
same "nothing installed: uninstall succeeds" "$CMD_RC" 0
same_state "refusals, usage and empty uninstall change nothing" "$(snapshot)" "$before"

stop_all
# The prefixes take gigabytes; they stay for a look only when a check failed.
[ "$FAILED" -eq 0 ] && rm -rf "$SCRATCH"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
