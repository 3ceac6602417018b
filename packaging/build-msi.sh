#!/usr/bin/env bash
# Builds one Windows Installer package from velquin.wxs with wixl:
#   packaging/build-msi.sh x64|x86 STAGE VERSION RELEASE OUT TEXTS
# STAGE holds the zip's files (velquin.exe, velquin64.exe, ...); VERSION is
# the package's (three fields), RELEASE the launcher's, OUT the .msi made;
# TEXTS the build's texts from the settings table (msi-properties.wxi and
# msi-secure, the properties' names).
# The same sources at the same commit give the same codes and times.
set -euo pipefail
# The cabinet and the summary keep local times: in UTC, a build in Tokyo
# and one in Berlin agree.
export TZ=UTC
arch=$1 stage=$2 version=$3 release=$4 out=$5 texts=$6
root=$(cd "$(dirname "$0")/.." && pwd)
self=$root/packaging/build-msi.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A name-based GUID (SHA-1, version 5) of the name $2 in the namespace $1,
# upper case in braces, as Windows Installer writes its codes.
named_guid() {
  local hex
  hex=$(printf "$(sed 's/[{}-]//g; s/../\\x&/g' <<<"$1")%s" "$2" | sha1sum | cut -c 1-32)
  hex=${hex:0:12}5${hex:13:3}$(printf %x $(( (0x${hex:16:1} & 3) | 8 )))${hex:17:15}
  hex=${hex^^}
  echo "{${hex:0:8}-${hex:8:4}-${hex:12:4}-${hex:16:4}-${hex:20:12}}"
}
# Velquin's own namespace: the product code is one per version and
# architecture, so that a package of the installed version repairs it and
# the code a deployment tool detects stays that version's.
namespace=9EB89622-5D43-4286-8E4D-7929E6B9FF63
product_code=$(named_guid "$namespace" "$version $arch")

# The package's own build under the programs' names; the x64 package also
# carries the i686 launcher, which the replace form puts in SysWOW64.
suffix=
[ "$arch" = x64 ] && suffix=64
cp "$stage/velquin$suffix.exe" "$work/velquin.exe"
if [ "$arch" = x64 ]; then cp "$stage/velquin.exe" "$work/velquin32.exe"; fi
cp "$stage/velquin-settings$suffix.exe" "$work/velquin-settings.exe"
cp "$stage/velquin-setup$suffix.exe" "$work/velquin-setup.exe"
cp "$stage/README.ja.md" "$root/resources/velquin.ico" "$root/packaging/velquin.wxs" "$texts/msi-properties.wxi" "$work/"
# The summary's times are the commit's, not the build's.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
built=$(date -u -d "@$epoch" '+%Y/%m/%d %H:%M:%S')
touch -d "@$epoch" "$work"/*  # the cabinet keeps each file's time
# The package code names one build of the product: from the product code
# and everything the package is made of, this script and its time included.
content=$( (cd "$work" && sha1sum -- *; sha1sum <"$self"; echo "$version $release $arch $built") | sha1sum | cut -c 1-40)
package_code=$(named_guid "$product_code" "$content")

(cd "$work" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D Release="$release" \
   -D ProductCode="$product_code" -o package.msi velquin.wxs)
# wixl writes Execute="rollback" as an immediate action: the rollback type
# is set here (18 a program the package installed, 256 rollback, 1024 in
# the script, 2048 not impersonated, 64 its exit code ignored).
msibuild "$work/package.msi" -q "UPDATE CustomAction SET Type = 3410 WHERE Action = 'SystemRollback' OR Action = 'SystemUninstallRollback'"
# wixl ignores Secure="yes": without FORM and the settings' properties in
# SecureCustomProperties Windows drops FORM=replace or EDITOR=... given at a
# prompt that is not elevated.
ours="FORM;$(cat "$texts/msi-secure")"
secure=$(msiinfo export "$work/package.msi" Property | tr -d '\r' | awk -F '\t' '$1 == "SecureCustomProperties" { print $2 }')
if [ -n "$secure" ]; then
  msibuild "$work/package.msi" -q "UPDATE Property SET Value = '$ours;$secure' WHERE Property = 'SecureCustomProperties'"
else
  msibuild "$work/package.msi" -q "INSERT INTO Property (Property, Value) VALUES ('SecureCustomProperties', '$ours')"
fi
# wixl writes a random package code and the build's time: the summary is
# written back with this build's code and the commit's time (9 the package
# code, 12 created, 13 last saved).
(cd "$work" && msiinfo export package.msi _SummaryInformation | tr -d '\r' | awk -F '\t' -v OFS='\t' \
   -v code="$package_code" -v built="$built" '
     $1 == 9 { $2 = code } $1 == 12 || $1 == 13 { $2 = built } { print $0 "\r" }' >_SummaryInformation.idt &&
 msibuild package.msi -i _SummaryInformation.idt)
cp "$work/package.msi" "$out"
