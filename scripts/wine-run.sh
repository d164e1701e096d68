#!/usr/bin/env bash
# Runs a Windows program under wine64 in the project's own prefix (never ~/.wine).
# Starts a private Xvfb when no display is set, and stops it afterwards.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
wine_prefix_ready || exit 1

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb || exit 1
fi

"$WINE" "$@" </dev/null
rc=$?
if [ -n "$xvfb_pid" ]; then
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
fi
exit $rc
