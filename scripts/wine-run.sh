#!/usr/bin/env bash
# Runs a Windows program under wine64 in the project's own prefix (never ~/.wine), or a host program
# with that prefix set.
# Starts a private Xvfb when no display is set, and stops it afterwards.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
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
if [ -n "$xvfb_pid" ]; then
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
fi
exit $rc
