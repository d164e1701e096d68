#!/usr/bin/env bash
# Download benchmark: a 1 GiB file served by a local nginx, fetched to disk by our
# CHttpDownloadFile (HttpBench.exe) and by the cross-built curl.exe, both under the same Wine,
# three runs each; then the CPU use of the two idle engines over 10 s.
# Ends with one name=value line per figure.   bench.sh BUILD_DIR
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
source "$root/scripts/wine-env.sh"
wine_prefix_ready || exit 1

bench=$build/tests/bench/HttpBench.exe
curl_exe=$(sed -n 's/^ZORVA_CURL_EXE:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$curl_exe" ] || curl_exe=$HOME/.cache/zorva-deps/curl/bin/curl.exe
[ -x "$bench" ] || [ -f "$bench" ] || { echo "bench: $bench is missing (make build)" >&2; exit 1; }
[ -f "$curl_exe" ] || { echo "bench: curl.exe is missing" >&2; exit 1; }

state=$build/bench
servers=$state/servers
size=$((1024 * 1024 * 1024))
runs=${BENCH_RUNS:-3}
mkdir -p "$state"

xvfb_pid=
cleanup() {
    bash "$root/tests/servers/servers.sh" stop "$servers" >/dev/null 2>&1
    rm -f "$state/ours.bin" "$state/curl.bin" "$servers/docroot/big1g.bin"
    "$WINESERVER" -k </dev/null >/dev/null 2>&1
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    start_xvfb || exit 1
fi
"$WINESERVER" -p </dev/null >/dev/null 2>&1
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1

# The servers end by themselves after half an hour even if this script is killed.
bash "$root/tests/servers/servers.sh" start "$servers" 1800 || exit 1
port=$(cat "$servers/nginx.port")
# A sparse file: nginx serves it from memory, so the figures are the clients'.
truncate -s "$size" "$servers/docroot/big1g.bin"
url="http://127.0.0.1:$port/big1g.bin"

winpath() { echo "Z:$1" | tr '/' '\\'; }
median() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }
field() { sed -n "s/^$1=//p" | tr -d '\r'; }

ours=() curls=() peaks=()
for run in $(seq 1 $runs); do
    rm -f "$state/ours.bin"
    out=$("$WINE" "$bench" download "$url" "$(winpath "$state/ours.bin")" "$size" </dev/null 2>/dev/null)
    [ "$(echo "$out" | field result)" = "0,0" ] || { echo "bench: our download failed: $out" >&2; exit 1; }
    [ "$(stat -c %s "$state/ours.bin")" = "$size" ] || { echo "bench: our file is not whole" >&2; exit 1; }
    ours+=("$(echo "$out" | field seconds)")
    peaks+=("$(echo "$out" | field peak_working_set_bytes)")
    rm -f "$state/ours.bin"

    rm -f "$state/curl.bin"
    seconds=$("$WINE" "$curl_exe" -s -o "$(winpath "$state/curl.bin")" -w '%{time_total}' "$url" </dev/null 2>/dev/null |
        tr -d '\r')
    [ "$(stat -c %s "$state/curl.bin")" = "$size" ] || { echo "bench: curl's file is not whole" >&2; exit 1; }
    curls+=("$seconds")
    rm -f "$state/curl.bin"
    echo "run $run: ours ${ours[-1]} s, curl.exe $seconds s, our peak working set ${peaks[-1]} bytes"
done

# The same download of 30 MB, to show that the working set does not grow with the file.
out=$("$WINE" "$bench" download "http://127.0.0.1:$port/big30.bin" "$(winpath "$state/ours.bin")" 30000000 \
    </dev/null 2>/dev/null)
small_peak=$(echo "$out" | field peak_working_set_bytes)
rm -f "$state/ours.bin"

idle=$("$WINE" "$bench" idle 10 </dev/null 2>/dev/null)

# The installer itself: its stripped size and imports, its start-up time to the first painted
# frame and its peak memory over a whole install, each beside the smallest window program.
setup_exe=$build/TarnisSetup.exe
strip_copy=$state/TarnisSetup.stripped.exe
x86_64-w64-mingw32-strip -o "$strip_copy" "$setup_exe"
size_kib=$(( $(stat -c %s "$strip_copy") / 1024 ))
imports=$(x86_64-w64-mingw32-objdump -p "$strip_copy" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
echo "installer imports: $imports"
startup_bench=$build/tests/bench/StartupBench.exe
ours_start=$("$WINE" "$startup_bench" "$(winpath "$build/TarnisSetupLocal.exe")" 5 </dev/null 2>/dev/null |
    field startup_seconds)
minimal_start=$("$WINE" "$startup_bench" "$(winpath "$build/tests/bench/MinimalWindow.exe")" 5 </dev/null 2>/dev/null |
    field startup_seconds)
install=$(python3 "$root/tests/app/e2e/installer_e2e.py" bench_install --build "$build" --source "$root" 2>&1)
echo "$install" | grep -v '^install_peak_working_set_mib='
# The figures, one name=value line each.
our_s=$(median "${ours[@]}")
curl_s=$(median "${curls[@]}")
peak=$(median "${peaks[@]}")
awk -v o="$our_s" -v c="$curl_s" -v s="$size" 'BEGIN {
    printf "download_ours_seconds=%.3f (%.1f MiB/s)\n", o, s / o / 1048576
    printf "download_curl_seconds=%.3f (%.1f MiB/s)\n", c, s / c / 1048576 }'
awk -v p="$small_peak" 'BEGIN { printf "download_30mb_peak_working_set_mib=%.1f\n", p / 1048576 }'
awk -v o="$our_s" -v c="$curl_s" 'BEGIN { printf "download_ratio=%.3f\n", c / o }'
echo "idle_cpu_percent=$(echo "$idle" | field idle_cpu_percent)"
awk -v p="$peak" 'BEGIN { printf "download_peak_working_set_mib=%.1f\n", p / 1048576 }'
echo "startup_seconds=$ours_start (minimal window program: $minimal_start)"
echo "exe_size_kib=$size_kib"
awk -v o="$ours_start" -v m="$minimal_start" 'BEGIN { printf "startup_ratio=%.2f\n", o / m }'
echo "$install" | grep '^install_peak_working_set_mib='
