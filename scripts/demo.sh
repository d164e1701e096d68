#!/usr/bin/env bash
# The main job: the installer built for a local update server on loopback, which serves a
# generated demo package and manifest; the whole install runs under Wine, on your display when
# DISPLAY is set (you click), else under a private Xvfb where the demo clicks for itself.
# Stops every process it started.   demo.sh BUILD_DIR
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
source "$root/scripts/wine-env.sh"
wine_prefix_ready || exit 1

xvfb_pid= xcomp_pid=
own_server=1
pgrep -u "$(id -u)" -f '^/usr/lib/wine/wineserver' >/dev/null 2>&1 && own_server=0
cleanup() {
  [ -n "$xcomp_pid" ] && kill "$xcomp_pid" 2>/dev/null
  [ "$own_server" = 1 ] && "$WINESERVER" -k </dev/null >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
}
trap cleanup EXIT
export ZORVA_DEMO_INTERACTIVE=1
if [ -z "${DISPLAY:-}" ]; then
  export ZORVA_DEMO_INTERACTIVE=0
  start_xvfb || exit 1
  xcompmgr </dev/null >/dev/null 2>&1 &
  xcomp_pid=$!
fi
"$WINESERVER" -p </dev/null >/dev/null 2>&1
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1

python3 "$root/tests/app/e2e/installer_e2e.py" demo --build "$build" --source "$root"
