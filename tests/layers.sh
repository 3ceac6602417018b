#!/usr/bin/env bash
# The tree's includes run downwards only: nothing in platform/, settings/
# or browser/ includes a header of launcher/, whose run state they are
# handed as parameters instead; setup/ stands on platform/ alone. Ends with "N passed, M failed" and exits
# non-zero on any failure.
# Usage: tests/layers.sh [BUILD_TREE]   (build/host unless given)
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/checks.sh
build=${1:-build/host}

# The build refuses a higher room's header to each room's library (its
# include path holds links to the rooms it may see). These greps cover
# what that cannot: the *_win32.cpp files each executable compiles with
# its own room's view, and headers no library source includes.
for folder in platform settings browser; do
  found=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"launcher/' "$folder"/*.h "$folder"/*.cpp 2>/dev/null)
  same "$folder/ includes nothing of launcher/" "$found" ""
done

# The setup program stands on platform/ alone, and nothing stands on it.
found=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"\(launcher\|settings_window\|browser\|settings\)/' setup/*.h setup/*.cpp 2>/dev/null)
same "setup/ includes nothing of launcher/, settings_window/, browser/ or settings/" "$found" ""
for folder in platform settings browser launcher settings_window; do
  found=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"setup/' "$folder"/*.h "$folder"/*.cpp 2>/dev/null)
  same "$folder/ includes nothing of setup/" "$found" ""
done

# A path out of a room's own folder would pass by its include path.
found=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*\.\./' \
          platform/* settings/* browser/* launcher/* settings_window/* setup/* 2>/dev/null)
same "no room includes by a path with ../" "$found" ""

# A one-line file including HEADER, compiled with ROOM's compiler and flags
# as CMake wrote them (rooms/ROOM.flags, one a line): "compiles", "not
# found", or the compiler's first line when it fails otherwise. The
# allowed rows show that a refusal is the include path's and not a broken
# probe.
probe() {
  local room=$1 header=$2 flags_file="$build/rooms/$1.flags" scratch output
  [ -f "$flags_file" ] || { echo "no $flags_file: configure $build first"; return; }
  mapfile -t flags < "$flags_file"
  scratch=$(mktemp -d)
  printf '#include "%s"\n' "$header" > "$scratch/probe.cpp"
  if output=$("${flags[@]}" -fsyntax-only "$scratch/probe.cpp" 2>&1); then
    echo compiles
  elif grep -qE "$header(: No such file|' file not found)" <<<"$output"; then
    echo "not found"
  else
    grep -m1 . <<<"$output"
  fi
  rm -rf "$scratch"
}

#  room             header                       result
probes=(
  "platform         launcher/launcher.h          not found"
  "platform         settings/settings.h          not found"
  "platform         platform/os.h                compiles"
  "platform         resources/version.h          compiles"
  "settings         launcher/launcher.h          not found"
  "settings         browser/browser.h            not found"
  "settings         settings/settings.h          compiles"
  "settings         platform/os.h                compiles"
  "browser          launcher/launcher.h          not found"
  "browser          launcher/state.h             not found"
  "browser          settings_window/fields.h     not found"
  "browser          browser/browser.h            compiles"
  "browser          settings/settings.h          compiles"
  "launcher         settings_window/fields.h     not found"
  "launcher         setup/setup.h                not found"
  "launcher         launcher/launcher.h          compiles"
  "launcher         browser/browser.h            compiles"
  "settings_window  setup/setup.h                not found"
  "settings_window  settings_window/fields.h     compiles"
  "settings_window  launcher/launcher.h          compiles"
  "setup            launcher/launcher.h          not found"
  "setup            settings_window/fields.h     not found"
  "setup            browser/browser.h            not found"
  "setup            settings/settings.h          not found"
  "setup            setup/setup.h                compiles"
  "setup            platform/os.h                compiles"
  "setup            resources/version.h          compiles"
)
for row in "${probes[@]}"; do
  read -r room header expected <<<"$row"
  same "$room/ including $header: $expected" "$(probe "$room" "$header")" "$expected"
done

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
