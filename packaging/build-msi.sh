#!/usr/bin/env bash
# Builds one Windows Installer package from velquin.wxs with wixl:
#   packaging/build-msi.sh x64|x86 STAGE VERSION RELEASE OUT
# STAGE holds the zip's files (velquin.exe, velquin64.exe, ...); VERSION is
# the package's (three fields), RELEASE the launcher's, OUT the .msi made.
set -euo pipefail
arch=$1 stage=$2 version=$3 release=$4 out=$5
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The package's own build under the programs' names; the x64 package also
# carries the i686 launcher, which the replace form puts in SysWOW64.
suffix=
[ "$arch" = x64 ] && suffix=64
cp "$stage/velquin$suffix.exe" "$work/velquin.exe"
if [ "$arch" = x64 ]; then cp "$stage/velquin.exe" "$work/velquin32.exe"; fi
cp "$stage/velquin-settings$suffix.exe" "$work/velquin-settings.exe"
cp "$stage/velquin-setup$suffix.exe" "$work/velquin-setup.exe"
cp "$stage/README.ja.md" "$root/resources/velquin.ico" "$root/packaging/velquin.wxs" "$work/"
(cd "$work" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D Release="$release" -o package.msi velquin.wxs)
# wixl writes Execute="rollback" as an immediate action: the rollback type
# is set here (18 a program the package installed, 256 rollback, 1024 in
# the script, 2048 not impersonated, 64 its exit code ignored).
msibuild "$work/package.msi" -q "UPDATE CustomAction SET Type = 3410 WHERE Action = 'SystemRollback'"
cp "$work/package.msi" "$out"
