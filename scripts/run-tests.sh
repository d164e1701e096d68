#!/usr/bin/env bash
# Runs the CTest suite under Wine and stops everything it started, whatever the outcome.
# The unit tests share one persistent wineserver and display. End-to-end cases hold a slot (CTest
# resource "e2e"): each slot has its own prefix, wineserver, desktop holder and Xvfb, so that cases
# can click, install and change their prefix side by side.   run-tests.sh BUILD [ctest args]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
source "$root/scripts/wine-env.sh"
# The servers started below outlive this run; they must not inherit a caller's descriptors
# (a lock taken around this script would stay held by them).
for fd in /proc/$$/fd/*; do
  fd=${fd##*/}
  [ "$fd" -gt 2 ] && exec {fd}>&-
done
# Most of a test's time is spent waiting (on Wine's windows, servers, timers), not computing: three
# slots and four tests at a time keep two cores busy.
slot_count=${ZORVA_E2E_SLOT_COUNT:-3}
jobs=${ZORVA_TEST_JOBS:-4}

# Only the run that started a prefix's server stops it: another run may share the prefix.
own_prefixes=()
x_pids=()
cleanup() {
  local prefix pid
  for prefix in "${own_prefixes[@]}"; do
    WINEPREFIX=$prefix "$WINESERVER" -k </dev/null >/dev/null 2>&1
  done
  # Compositors first, then their displays.
  for pid in "${x_pids[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
}
trap cleanup EXIT

# A display of our own with a compositor, so that layered windows (the drop shadow) blend in
# screenshots; sets DISPLAY.
own_display() {
  start_xvfb || return 1
  xcompmgr </dev/null >/dev/null 2>&1 &
  x_pids=($! "$xvfb_pid" "${x_pids[@]}")
}

# Counts the server of $WINEPREFIX as ours to stop unless one runs already. A server serves one
# prefix; its working folder is named after the prefix's device and inode.
claim_server() {
  local server pid
  server=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
  for pid in $(pgrep -u "$(id -u)" -f '^/usr/lib/wine/wineserver'); do
    case $(readlink "/proc/$pid/cwd" 2>/dev/null) in */"$server") return 0 ;; esac
  done
  own_prefixes+=("$WINEPREFIX")
}

# Keeps one server and Wine's services alive in $WINEPREFIX for all tests that use it; their output
# must not hold the test runner's pipes open.
start_wine() {
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  # Wine's desktop shell must not end and start again while the server lives: once ended it no
  # longer answers for the shell windows list (the launcher is started through it). One holder per
  # server keeps the desktop in use from its start (before anything else could start and end it);
  # it ends with the server. Process ids are reused: the recorded one counts only while it is still
  # the holder.
  local holder=$WINEPREFIX/.desktop-holder.pid
  if [ -f "$build/tests/DesktopHolder.exe" ] && ! grep -qs DesktopHolder "/proc/$(cat "$holder" 2>/dev/null)/cmdline"
  then
    setsid "$WINE" "$build/tests/DesktopHolder.exe" </dev/null >/dev/null 2>&1 &
    echo $! >"$holder"
  fi
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1
}

wine_prefix_ready || exit 1
[ -n "${DISPLAY:-}" ] || own_display || exit 1
worlds=("$WINEPREFIX $DISPLAY")

# The slots, only when the chosen tests include a case that asks for one. Slot N: prefix
# <prefix>-e2eN (made from the main one, kept between runs like it), its own Xvfb; described in
# slots/N.env. Displays are taken one after another (the first free number wins).
slots=$build/e2e-slots
resources=()
if (cd "$build" && ctest --show-only=json-v1 "$@" 2>/dev/null) | grep -q '"RESOURCE_GROUPS"'; then
  mkdir -p "$slots"
  main_prefix=$WINEPREFIX main_display=$DISPLAY
  ids=
  for n in $(seq 0 $((slot_count - 1))); do
    prefix=$main_prefix-e2e$n
    WINEPREFIX=$prefix wine_prefix_copy "$main_prefix" && own_display || exit 1
    worlds+=("$prefix $DISPLAY")
    printf 'export ZORVA_WINEPREFIX=%q DISPLAY=%q\n' "$prefix" "$DISPLAY" >"$slots/$n.env"
    ids+="${ids:+,}{\"id\":\"$n\",\"slots\":1}"
  done
  export DISPLAY=$main_display ZORVA_E2E_SLOTS=$slots
  echo "{\"version\":{\"major\":1,\"minor\":0},\"local\":[{\"e2e\":[$ids]}]}" >"$slots/resources.json"
  resources=(--resource-spec-file "$slots/resources.json")
fi

# Wine in every prefix at once: each start mostly waits on its own server.
starts=()
for world in "${worlds[@]}"; do
  WINEPREFIX=${world% *} claim_server
  (export WINEPREFIX=${world% *} DISPLAY=${world#* }; start_wine) &
  starts+=($!)
done
for pid in "${starts[@]}"; do
  wait "$pid"
done

cd "$build" && ctest --output-on-failure -j"$jobs" "${resources[@]}" "$@"
