#!/usr/bin/env bash
# Screenshot of the installer's skinned window with its shadow, taken from a composited Xvfb display:
# WindowImplBase_test.exe shows the window, this script photographs it and closes it with Escape (real
# X input through xdotool). Usage: WindowScreenshot.sh <source dir> <test exe> <output png>
set -u
root=$1
exe=$2
out=$3
source "$root/scripts/wine-env.sh"
wine_prefix_ready || exit 1

xvfb_pid=
comp_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$comp_pid" ] && kill "$comp_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
unset DISPLAY
start_xvfb || exit 1
xcompmgr </dev/null >/dev/null 2>&1 &
comp_pid=$!

marker=$(mktemp -u /tmp/zv-showcase.XXXXXX)
ZV_WINDOW_SHOWCASE=$(winepath -w "$marker" 2>/dev/null || echo "Z:${marker//\//\\}") \
  "$WINE" "$exe" --gtest_filter=WindowShowcase.* </dev/null >/dev/null 2>&1 &
app_pid=$!

# Wait for the program to report its painted window (bounded).
for _ in $(seq 1 300); do
  [ -s "$marker" ] && break
  kill -0 "$app_pid" 2>/dev/null || { echo "showcase program ended early" >&2; exit 1; }
  sleep 0.1
done
[ -s "$marker" ] || { echo "no window within 30 s" >&2; exit 1; }
read -r left top right bottom < "$marker"
rm -f "$marker"
margin=24
x=$((left - margin)); y=$((top - margin))
w=$((right - left + 2 * margin)); h=$((bottom - top + 2 * margin))
mkdir -p "$(dirname "$out")"
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out" || exit 1

# Below the caption band: a click there only focuses the window, it does not start a drag.
xdotool mousemove $((left + 100)) $((top + 200)) click 1
sleep 0.3
xdotool key Escape
for _ in $(seq 1 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
  echo "Escape did not close the window within 10 s" >&2
  exit 1
fi
wait "$app_pid"
rc=$?
app_pid=
[ "$rc" -eq 0 ] || { echo "showcase program failed ($rc)" >&2; exit 1; }
echo "screenshot: $out"
