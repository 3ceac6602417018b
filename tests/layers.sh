#!/usr/bin/env bash
# The tree's includes run downwards only: nothing in platform/, settings/
# or browser/ includes a header of launcher/, whose run state they are
# handed as parameters instead; setup/ stands on platform/ alone. Ends with "N passed, M failed" and exits
# non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/checks.sh

for folder in platform settings browser; do
  found=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"launcher/' "$folder"/*.h "$folder"/*.cpp 2>/dev/null)
  same "$folder/ includes nothing of launcher/" "$found" ""
done

# The setup program stands on platform/ alone, and nothing stands on it.
found=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"\(launcher\|settings_window\|browser\)/' setup/*.h setup/*.cpp 2>/dev/null)
same "setup/ includes nothing of launcher/, settings_window/ or browser/" "$found" ""
for folder in platform settings browser launcher settings_window; do
  found=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"setup/' "$folder"/*.h "$folder"/*.cpp 2>/dev/null)
  same "$folder/ includes nothing of setup/" "$found" ""
done

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
