#!/usr/bin/env bash
# Runs the whole CTest suite under one persistent wineserver and one Xvfb,
# and stops everything it started, whatever the outcome.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
source "$root/scripts/wine-env.sh"
# The servers started below outlive this run; they must not inherit a caller's descriptors
# (a lock taken around this script would stay held by them).
for fd in /proc/$$/fd/*; do
  fd=${fd##*/}
  [ "$fd" -gt 2 ] && exec {fd}>&-
done
wine_prefix_ready || exit 1

xvfb_pid=
# Another run may share the prefix's server; only the run that started it stops it.
own_server=1
# A server serves one prefix; its working folder is named after the prefix's device and inode.
prefix_server=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
for pid in $(pgrep -u "$(id -u)" -f '^/usr/lib/wine/wineserver'); do
  case $(readlink "/proc/$pid/cwd" 2>/dev/null) in */"$prefix_server") own_server=0 ;; esac
done
cleanup() {
  [ "$own_server" = 1 ] && "$WINESERVER" -k </dev/null >/dev/null 2>&1
  [ -n "$xcomp_pid" ] && kill "$xcomp_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
}
trap cleanup EXIT
xcomp_pid=
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb || exit 1
  # A compositor, so that layered windows (the drop shadow) blend in screenshots.
  xcompmgr </dev/null >/dev/null 2>&1 &
  xcomp_pid=$!
fi

# Keep one server and Wine's services alive for all tests; their output must not
# hold the test runner's pipes open.
"$WINESERVER" -p </dev/null >/dev/null 2>&1
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1
# Wine's desktop shell must not end and start again while the server lives: once ended it no
# longer answers for the shell windows list (the launcher is started through it). One holder per
# server keeps the desktop in use; it ends with the server.
holder=$WINEPREFIX/.desktop-holder.pid
# Process ids are reused: the recorded one counts only while it is still the holder.
if [ -f "$build/tests/DesktopHolder.exe" ] && ! grep -qs DesktopHolder "/proc/$(cat "$holder" 2>/dev/null)/cmdline"; then
  setsid "$WINE" "$build/tests/DesktopHolder.exe" </dev/null >/dev/null 2>&1 &
  echo $! >"$holder"
fi

cd "$build" && ctest --output-on-failure -j2 "$@"
