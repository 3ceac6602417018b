#!/usr/bin/env bash
# Checks the Windows Installer packages: their tables, read with msiinfo
# (Wine's msiexec accepts misplaced deferred actions and a missing action
# program and still exits 0), and the x64 package installed in both forms,
# repaired, upgraded from an earlier build, refused and removed by Wine's
# msiexec in scratch prefixes shaped like Windows 10 and Windows 11, with
# the machine compared before and after. Ends with "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/../.."
. tests/package/wine_prefixes.sh
begin_check msi-check
. tests/package/older_release.sh
older_release || fail "an earlier build packaged from this tree"

# --- the packages' tables ------------------------------------------------------
built=$(scripts/package)
X64=$(grep -- '-x64[.]msi$' <<<"$built")
X86=$(grep -- '-x86[.]msi$' <<<"$built")
ZIP=$(tail -n 1 <<<"$built")
VERSION=$(cat build/host/packaging/version)
MSI_VERSION=$(cat build/host/packaging/msi-version)
check "scripts/package makes the x64 package" test -f "$X64"
check "scripts/package makes the x86 package" test -f "$X86"

table() { TZ=UTC msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r'; }  # rows only; the summary's times in UTC, as written
prop_of() { table "$1" Property | awk -F '\t' -v p="$2" '$1 == p { print $2 }'; }
summary_of() { table "$1" _SummaryInformation | awk -F '\t' -v p="$2" '$1 == p { print $2 }'; }
# A version's and architecture's product code, worked out apart from build-msi.sh: cmake's own.
named_guid() { printf 'string(UUID u NAMESPACE 9EB89622-5D43-4286-8E4D-7929E6B9FF63 NAME "%s" TYPE SHA1 UPPER)
message("{${u}}")' "$1" >"$SCRATCH/guid.cmake" && cmake -P "$SCRATCH/guid.cmake" 2>&1; }
COMMIT_TIME=$(date -u -d "@$(git log -1 --format=%ct)" '+%Y/%m/%d %H:%M:%S')
# The sequence number of each action, "ACTION NUMBER" a line.
sequence() { table "$1" InstallExecuteSequence | awk -F '\t' '{ print $1 " " $3 }'; }
seq_of() { awk -v a="$2" '$1 == a { print $2 }' <<<"$1"; }
for msi in "$X64" "$X86"; do
  arch=${msi##*-}
  arch=${arch%.msi}
  seqs=$(sequence "$msi")
  actions=$(table "$msi" CustomAction)
  initialize=$(seq_of "$seqs" InstallInitialize)
  finalize=$(seq_of "$seqs" InstallFinalize)
  # Every deferred action (type bit 1024) between InstallInitialize and
  # InstallFinalize, where Windows runs them; every custom action sequenced.
  misplaced=$(while IFS=$'\t' read -r action type _; do
      n=$(seq_of "$seqs" "$action")
      if [ -z "$n" ]; then echo "$action: no sequence"; continue; fi
      if (( type & 1024 )) && ! (( initialize < n && n < finalize )); then echo "$action: $n"; fi
    done <<<"$actions")
  same "$arch: every deferred action between InstallInitialize and InstallFinalize" "$misplaced" ""
  same "$arch: the deferred actions" \
    "$(while IFS=$'\t' read -r action type _ target _; do
         if (( type & 1024 )); then echo "$action $type $target"; fi
       done <<<"$actions" | sort)" \
"SystemInstall 3090 /[FORM] /package /quiet
SystemRollback 3410 /uninstall /package /quiet
SystemUninstall 3090 /uninstall /package /quiet
SystemUninstallRollback 3410 /[FORM] /package /quiet"
  check "$arch: the install after InstallFiles" test "$(seq_of "$seqs" SystemInstall)" -gt "$(seq_of "$seqs" InstallFiles)"
  check "$arch: the install after WriteRegistryValues, which stages the properties" \
    test "$(seq_of "$seqs" SystemRollback)" -gt "$(seq_of "$seqs" WriteRegistryValues)"
  check "$arch: its rollback before it" test "$(seq_of "$seqs" SystemRollback)" -lt "$(seq_of "$seqs" SystemInstall)"
  check "$arch: the uninstall before RemoveFiles" test "$(seq_of "$seqs" SystemUninstall)" -lt "$(seq_of "$seqs" RemoveFiles)"
  check "$arch: the uninstall's rollback before it" \
    test "$(seq_of "$seqs" SystemUninstallRollback)" -lt "$(seq_of "$seqs" SystemUninstall)"
  same "$arch: both on the uninstall's condition only" \
    "$(table "$msi" InstallExecuteSequence | awk -F '\t' '$1 ~ /^SystemUninstall/ { print $2 }' | sort -u)" 'REMOVE="ALL"'
  check "$arch: RemoveExistingProducts before InstallInitialize" \
    test "$(seq_of "$seqs" RemoveExistingProducts)" -lt "$initialize"
  props=$(table "$msi" Property)
  prop() { awk -F '\t' -v p="$1" '$1 == p { print $2 }' <<<"$props"; }
  same "$arch: ProductVersion" "$(prop ProductVersion)" "$MSI_VERSION"
  same "$arch: the fixed UpgradeCode" "$(prop UpgradeCode)" "{6B1D6C2E-3C1A-4B8E-9B57-2B2A1A3B4C51}"
  same "$arch: FORM's default" "$(prop FORM)" "redirect"
  same "$arch: FORM and the settings' properties secure, kept from a prompt that is not elevated" \
    "$(prop SecureCustomProperties | tr ';' '\n' | grep -xE 'FORM|EDITOR|NOWAIT' | sort | tr '\n' ' ')" "EDITOR FORM NOWAIT "
  same "$arch: the product code, named by version and architecture" "$(prop ProductCode)" "$(named_guid "$MSI_VERSION $arch")"
  same "$arch: made and saved at the commit's time" "$(summary_of "$msi" 12), $(summary_of "$msi" 13)" "$COMMIT_TIME, $COMMIT_TIME"
  same "$arch: Apps & features' icon, no Modify" "$(prop ARPPRODUCTICON) $(prop ARPNOMODIFY)" "velquin.ico 1"
  files=$(table "$msi" File | awk -F '\t' '{ print $3 }' | sort | tr '\n' ' ')
  conditions=$(table "$msi" LaunchCondition)
  same "$arch: the downgrade's refusal says why" "$(grep '^NOT WIX_DOWNGRADE_DETECTED' <<<"$conditions" | cut -f 2)" \
    "A newer version of Velquin is installed already. Remove it first to install this one."
  if [ "$arch" = x64 ]; then
    same "x64: the files" "$files" "README.ja.md velquin-settings.exe velquin-setup.exe velquin.exe velquin32.exe "
    same "x64: a 64-bit package" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p' | tr -d '\r')" "x64;1033"
    same "x64: no condition on 64-bit Windows" "$(grep -c VersionNT64 <<<"$conditions")" 0
  else
    same "x86: the files" "$files" "README.ja.md velquin-settings.exe velquin-setup.exe velquin.exe "
    same "x86: refused on 64-bit Windows, naming the x64 package" "$(grep '^NOT VersionNT64' <<<"$conditions" | cut -f 2)" \
      "This package is for 32-bit Windows. On 64-bit Windows install velquin-$VERSION-x64.msi."
  fi
done

# --- the x64 package under Wine --------------------------------------------------
PKG=$SCRATCH/package
mkdir -p "$PKG"
unzip -q "$ZIP" -d "$PKG"
# The time a package is made at.
SOURCE_DATE_EPOCH=946684800 packaging/build-msi.sh x64 "$PKG" 0.1.0 0.1.0.0 "$SCRATCH/dated.msi" build/host/packaging
same "SOURCE_DATE_EPOCH, the time a package is made at" "$(summary_of "$SCRATCH/dated.msi" 12)" "2000/01/01 00:00:00"
packaging/build-msi.sh x64 "$PKG" "$MSI_VERSION" "$VERSION" "$SCRATCH/again.msi" build/host/packaging
check "the same sources make the same package" cmp "$SCRATCH/again.msi" "$X64"
make_template "$PKG/velquin-settings64.exe"

MSI_RC=
# msiexec's exit code through cmd's own: Wine's process exit status keeps
# only 8 bits. The package is copied into the prefix first.
msi() {
  local out
  out=$(cd "$P/drive_c" && timeout 300 "$WINE" cmd /v:on /c "msiexec $* & echo !errorlevel!" 2>/dev/null | tr -d '\r')
  MSI_RC=$(tail -n 1 <<<"$out")
  settle
}
# The earlier build's own x64 package, for the upgrade and the downgrade.
OLDER_MSI_VERSION=$(cat "$OLDER_DIST/../build/host/packaging/msi-version")
install_into_prefix() { cp "$X64" "$P/drive_c/velquin.msi"; cp "$OLDER_DIST/velquin-$OLDER_VERSION-x64.msi" "$P/drive_c/older.msi"; }
PRODUCTS='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
# Apps & features' Velquin entries: "DisplayName DisplayVersion" a line.
velquin_entries() {
  wreg query "$PRODUCTS" /s /reg:64 | awk '
    /^HKEY_/ { if (name ~ /^Velquin/) print name " " version; name = ""; version = ""; next }
    $1 == "DisplayName" { sub(/^[ \t]*DisplayName[ \t]+REG_SZ[ \t]+/, ""); name = $0 }
    $1 == "DisplayVersion" { version = $3 }
    END { if (name ~ /^Velquin/) print name " " version }'
}
is_launcher() { cmp -s "$PKG/$1" "$P/drive_c/windows/$2"; }
# The snapshot without Windows Installer's own bookkeeping (its products,
# sources and caches, which its own keys keep even when empty): what the
# package itself puts there is checked through Apps & features' entries.
msi_snapshot() {
  snapshot | awk '
    /^\[/ { skip = index($0, "[Software\\\\Classes\\\\Installer\\\\") == 1 ||
                    index($0, "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Installer\\\\") == 1 }
    /^== / { skip = 0 }
    !skip && !/ [.]\/windows\/Installer\// { print }'
}

for shape in 10 11; do
  for form in redirect replace; do
    c="Windows $shape $form"
    new_prefix "w$shape-$form"
    plant_notepads wow64
    [ "$shape" = 11 ] && seed_windows11
    install_into_prefix
    before=$(msi_snapshot)
    msi /i 'C:\velquin.msi' /qn "FORM=$form"
    same "$c: msiexec /i succeeds" "$MSI_RC" 0
    check "$c: velquin.exe (x86_64) in Program Files\\Velquin" cmp "$PKG/velquin64.exe" "$P/drive_c/$PROGRAM_DIR/velquin.exe"
    check "$c: the setup program beside it" cmp "$PKG/velquin-setup64.exe" "$P/drive_c/$PROGRAM_DIR/velquin-setup.exe"
    check "$c: the Start-menu shortcut" test -s "$P/drive_c/$SHORTCUT"
    same "$c: recorded as the package's" "$(reg_value "$STATE" Mode) $(reg_value "$STATE" Package)" "$form 1"
    no_short_names "$c" msi_snapshot
    same "$c: one Apps & features entry, Windows Installer's" "$(velquin_entries)" "Velquin $MSI_VERSION"
    check "$c: none of the setup program's own" bash -c "! $WINE reg query '$ARP'"
    if [ "$form" = redirect ]; then
      dbg=$(reg_value "$STATE" Debugger)
      same "$c: every path in both views reaches Velquin" "$(entries)" "$(entries_all "Debugger $dbg")"
      same "$c: System32's notepad.exe untouched" "$(content system32/notepad.exe)" "system notepad"
    else
      same "$c: every path in both views starts the file itself" "$(entries)" "$(entries_all "the file itself")"
      check "$c: velquin.exe (x86_64) in System32's notepad.exe" is_launcher velquin64.exe system32/notepad.exe
      check "$c: the i686 velquin.exe in SysWOW64's notepad.exe" is_launcher velquin.exe syswow64/notepad.exe
    fi
    installed=$(msi_snapshot)
    # What a Windows update may reset, put back by a repair (Wine 8's
    # msiexec /fa fails; REINSTALL=ALL does the same).
    if [ "$shape" = 11 ]; then seed_windows11; else wreg delete "$IFEO" /f /reg:64 >/dev/null 2>&1; fi
    [ "$form" = replace ] && echo "updated system notepad" >"$P/drive_c/windows/system32/notepad.exe"
    msi /i 'C:\velquin.msi' REINSTALL=ALL REINSTALLMODE=amus /qn
    same "$c: the repair succeeds" "$MSI_RC" 0
    same_state "$c: the repair puts back the installed state" "$(msi_snapshot)" "$installed"
    msi /x 'C:\velquin.msi' /qn
    same "$c: msiexec /x succeeds" "$MSI_RC" 0
    check "$c: Program Files\\Velquin gone" test ! -e "$P/drive_c/$PROGRAM_DIR"
    same "$c: no Apps & features entry left" "$(velquin_entries)" ""
    same "$c: notepad.exe as before" "$(content system32/notepad.exe)" "system notepad"
    same_state "$c: after msiexec /x everything is as before" "$(msi_snapshot)" "$before"
  done
done

# A property of the package is every user's default: the editor EDITOR names
# opens a file for a user with no settings; a repair with another property
# changes nothing; the uninstall removes the default.
DEFAULTS='HKLM\SOFTWARE\Tarrowind\Velquin\Setting'
new_prefix properties
plant_notepads wow64
install_into_prefix
before=$(msi_snapshot)
msi /i 'C:\velquin.msi' /qn FORM=replace 'EDITOR=C:\stub\record.exe' NOWAIT=1
same "properties: msiexec /i with EDITOR and NOWAIT succeeds" "$MSI_RC" 0
same "properties: the machine's defaults" "$(reg_value "$DEFAULTS" Editor) $(reg_value "$DEFAULTS" NoWait)" 'C:\stub\record.exe 1'
# Wine runs its own notepad.exe unless told to load the file there.
same "properties: notepad.exe opens a file in EDITOR for a user with no settings" \
  "$(WINEDLLOVERRIDES="$WINEDLLOVERRIDES;notepad.exe=n" editor_run 'C:\windows\system32\notepad.exe C:\t\a.txt' machine)" \
  'C:\stub\record.exe "C:\t\a.txt"'
msi /i 'C:\velquin.msi' REINSTALL=ALL REINSTALLMODE=amus /qn 'EDITOR=C:\other.exe'
same "properties: a repair with another EDITOR succeeds" "$MSI_RC" 0
same "properties: the repair leaves the default Editor" "$(reg_value "$DEFAULTS" Editor)" 'C:\stub\record.exe'
msi /x 'C:\velquin.msi' /qn
same "properties: msiexec /x succeeds" "$MSI_RC" 0
check "properties: the uninstall removes the defaults" bash -c "! $WINE reg query '$DEFAULTS' /reg:64"
same_state "properties: after msiexec /x everything is as before" "$(msi_snapshot)" "$before"

# An upgrade from an earlier build keeps the form installed and leaves one
# entry, this release's files and record.
new_prefix upgrade
plant_notepads wow64
seed_windows11
install_into_prefix
before=$(msi_snapshot)
msi /i 'C:\older.msi' /qn FORM=replace 'EDITOR=C:\Tools\ed.exe'
same "upgrade: the earlier build installs" "$MSI_RC" 0
same "upgrade: its entry" "$(velquin_entries)" "Velquin $OLDER_MSI_VERSION"
check "upgrade: the earlier build in System32's notepad.exe" \
  cmp "$OLDER_DIST/../build/win64/velquin.exe" "$P/drive_c/windows/system32/notepad.exe"
msi /i 'C:\velquin.msi' /qn
same "upgrade: msiexec /i of this version succeeds" "$MSI_RC" 0
same "upgrade: one entry, this version's" "$(velquin_entries)" "Velquin $MSI_VERSION"
same "upgrade: the form installed is kept" "$(reg_value "$STATE" Mode)" "replace"
check "upgrade: velquin.exe in System32's notepad.exe" is_launcher velquin64.exe system32/notepad.exe
check "upgrade: this release's velquin.exe in Program Files\\Velquin" cmp "$PKG/velquin64.exe" "$P/drive_c/$PROGRAM_DIR/velquin.exe"
same "upgrade: the record's version is this release's" "$(reg_value "$STATE" Version)" "$VERSION"
same "upgrade: the earlier package's EDITOR kept" "$(reg_value "$DEFAULTS" Editor)" 'C:\Tools\ed.exe'
# Wine's msiexec /qn shows and logs no launch condition's text: its log names the newer product found.
msi /i 'C:\older.msi' /qn /l*v 'C:\windows\temp\lower.log'
check "upgrade: the earlier build over it is refused" test "$MSI_RC" != 0
same "upgrade: refused as a downgrade from this version" "$(tr -d '\r' <"$P/drive_c/windows/temp/lower.log" |
  sed -n 's/^Property(S): WIX_DOWNGRADE_DETECTED = //p')" "$(prop_of "$X64" ProductCode)"
same "upgrade: still this version's entry" "$(velquin_entries)" "Velquin $MSI_VERSION"
msi /x "$(prop_of "$X64" ProductCode)" /qn  # by its product code, as a deployment tool does
same "upgrade: msiexec /x succeeds" "$MSI_RC" 0
same_state "upgrade: after msiexec /x everything is as before" "$(msi_snapshot)" "$before"

# A failure after the uninstall (an action added to a copy) puts the install back. Not compared: the shortcut, made anew;
# Windows Installer's own entry, which Wine leaves out; the vendor key, Form being back first in Wine's order.
ours() { msi_snapshot | awk '/^\[/ { skip = $0 ~ /^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall(\\\\\{|\])/ }
  !skip && !/[.]lnk$/ && !/^"CreatedKey"=/'; }
new_prefix uninstall-rollback
plant_notepads wow64
cp "$X64" "$P/drive_c/failing.msi"
msibuild "$P/drive_c/failing.msi" -q "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('Fail', 3090, 'Setup', '/fail')" \
  -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('Fail', 'REMOVE=\"ALL\"', 3420)"
msi /i 'C:\failing.msi' /qn FORM=replace
installed=$(ours)
msi /x 'C:\failing.msi' /qn
check "uninstall rollback: msiexec /x fails ($MSI_RC)" bash -c "[ '$MSI_RC' = 1603 ] || [ '$MSI_RC' = 1627 ]"
same_state "uninstall rollback: the installed state put back" "$(ours)" "$installed"
check "uninstall rollback: the Start-menu shortcut" test -s "$P/drive_c/$SHORTCUT"

# A refusal of the setup program ends the install with nothing left behind
# (Windows reports 1603, Wine 8 1627).
new_prefix refused
plant_notepads
wreg add "$IFEO" /v Debugger /t REG_SZ /d 'C:\Tools\other.exe' /f /reg:64 >/dev/null
install_into_prefix
before=$(msi_snapshot)
msi /i 'C:\velquin.msi' /qn
check "refused: msiexec /i fails ($MSI_RC)" bash -c "[ '$MSI_RC' = 1603 ] || [ '$MSI_RC' = 1627 ]"
same "refused: no Apps & features entry" "$(velquin_entries)" ""
same_state "refused: everything as before" "$(msi_snapshot)" "$before"

stop_all
[ "$FAILED" -eq 0 ] && rm -rf "$SCRATCH"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
