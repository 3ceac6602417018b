# The checks' report, shared by the shell-script tests: "FAIL NAME" with
# what differed, and "ok NAME" only with CHECKS_VERBOSE=1, so that a failing
# run's output starts with its failures; the caller ends with
#   echo "$PASSED passed, $FAILED failed"
PASSED=0
FAILED=0
pass() { PASSED=$((PASSED + 1)); [ -z "${CHECKS_VERBOSE:-}" ] || echo "ok   $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAIL $1"; [ -n "${2:-}" ] && printf '%s\n' "$2" | sed 's/^/     /'; }
# same NAME GOT EXPECTED
same() { if [ "$2" == "$3" ]; then pass "$1"; else fail "$1" "expected: $3"$'\n'"got:      $2"; fi; }
