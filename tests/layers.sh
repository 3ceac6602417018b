#!/usr/bin/env bash
# The tree's includes run downwards only: nothing in platform/, settings/
# or browser/ includes a header of launcher/, whose run state they are
# handed as parameters instead. Ends with "N passed, M failed" and exits
# non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/checks.sh

for folder in platform settings browser; do
  found=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"launcher/' "$folder"/*.h "$folder"/*.cpp 2>/dev/null)
  same "$folder/ includes nothing of launcher/" "$found" ""
done

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
