#!/usr/bin/env bash
# Runs a Windows program under wine64 in the project's own prefix (never ~/.wine), or a host program
# with that prefix set.
# Starts a private Xvfb when no display is set, and stops it afterwards.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
# A test holding an end-to-end slot (CTest gives it "id:N,slots:1") runs in that slot's prefix and on
# its display, which scripts/run-tests.sh set up and described in ZORVA_E2E_SLOTS/N.env.
slot=${CTEST_RESOURCE_GROUP_0_E2E:-}
if [ -n "$slot" ] && [ -n "${ZORVA_E2E_SLOTS:-}" ]; then
  slot=${slot#id:}
  source "$ZORVA_E2E_SLOTS/${slot%%,*}.env" || exit 1
fi
source "$root/scripts/wine-env.sh"
wine_prefix_ready || exit 1

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb || exit 1
fi

case "$1" in
  *.exe | *.EXE) "$WINE" "$@" </dev/null ;;
  # A host program that starts Windows programs itself (the end-to-end driver): run it as it is, so
  # that its exit code is the test's; Wine would start it but not pass its exit code on.
  *) "$@" </dev/null ;;
esac
rc=$?
# A program that ends before writing anything (Wine failing to start it, a crash with the crash dialog
# off) would otherwise leave a failed test with no output at all.
[ $rc -eq 0 ] || echo "wine-run: $1 ended with exit code $rc" >&2
if [ -n "$xvfb_pid" ]; then
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
fi
exit $rc
