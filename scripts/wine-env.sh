# Sourced: the project's Wine settings and helpers.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${ZORVA_WINEPREFIX:-$root/.wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# Creates the prefix on first use, with CJK font replacements and no crash dialogs.
wine_prefix_ready() {
  [ -f "$WINEPREFIX/.zorva-ready-3" ] && return 0
  mkdir -p "$WINEPREFIX"
  (
    exec 9>"$WINEPREFIX/.lock"
    flock 9
    [ -f "$WINEPREFIX/.zorva-ready-3" ] && exit 0
    # Wine's services outlive these commands: they must not inherit the lock.
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    local key='HKCU\Software\Wine\Fonts\Replacements'
    for face in "宋体" "微软雅黑" "SimSun" "Microsoft YaHei" "新宋体" "黑体"; do
      "$WINE" reg add "$key" /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f </dev/null >/dev/null 2>&1 9>&-
    done
    # Windows stay managed: unmanaged ones hide faster without a window manager, but then X
    # keyboard input (xdotool) no longer reaches them.
    "$WINE" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f </dev/null >/dev/null 2>&1 9>&-
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null \
      2>&1 9>&-
    "$WINE" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
      </dev/null >/dev/null 2>&1 9>&-
    # A new prefix goes on setting itself up after wineboot returns; wait until it is done
    # (bounded: a server kept alive by another run never ends by itself).
    timeout 180 "$WINESERVER" -w 9>&-
    touch "$WINEPREFIX/.zorva-ready-3"
  )
}

# Makes WINEPREFIX, unless ready, as a copy of the ready prefix FROM: a copy takes a second where a
# new prefix takes half a minute. Wine's files are hard links (nothing writes them in place), except the
# registry, which the server rewrites in place when a file has several links.
wine_prefix_copy() {
  local from=$1 reg
  [ -f "$WINEPREFIX/.zorva-ready-3" ] && return 0
  rm -rf "$WINEPREFIX"
  cp -al "$from" "$WINEPREFIX" || return 1
  for reg in "$from"/*.reg; do
    cp --remove-destination "$reg" "$WINEPREFIX/" || return 1
  done
  # What belongs to the running server of FROM.
  rm -f "$WINEPREFIX/.lock" "$WINEPREFIX/.desktop-holder.pid" "$WINEPREFIX/wineserver"
}

# Starts Xvfb on a free display number, which Xvfb itself picks and holds at once: runs started
# side by side (a test run beside a benchmark) never share a display. Sets DISPLAY and xvfb_pid.
start_xvfb() {
  local out n=
  out=$(mktemp) || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    n=$(cat "$out")
    [ -n "$n" ] && [ -e "/tmp/.X11-unix/X$n" ] && break
    n=
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$out"
  if [ -n "$n" ]; then
    export DISPLAY=":$n"
    return 0
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  echo "wine-run: no X display" >&2
  return 1
}
