#!/usr/bin/env bash
# Download benchmark: a 1 GiB file served by a local nginx, fetched to disk by our
# CHttpDownloadFile (HttpBench.exe), by the cross-built curl.exe under the same Wine and by the
# machine's own curl, in turn, three runs each (BENCH_RUNS); the same download with both digests
# asked for, and how long the UI thread then takes to answer; the CPU use of the two idle engines.
# Then the installer: size, start-up beside the smallest window program (alternating, 15 runs
# each, BENCH_STARTUP_RUNS), peak memory of a whole install.
# Ends with one name=value line per figure (medians).   bench.sh BUILD_DIR
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
native_curl=$(command -v curl) || { echo "bench: the machine's curl is missing" >&2; exit 1; }

state=$build/bench
servers=$state/servers
size=$((1024 * 1024 * 1024))
runs=${BENCH_RUNS:-3}
startup_runs=${BENCH_STARTUP_RUNS:-15}
mkdir -p "$state"

xvfb_pid=
cleanup() {
    bash "$root/tests/servers/servers.sh" stop "$servers" >/dev/null 2>&1
    rm -f "$state/ours.bin" "$state/curl.bin" "$state/native.bin" "$servers/docroot/big1g.bin"
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

# CPU seconds (user + system) of one command and what it waited for, measured from outside in
# the same way for every client; its output goes to the file named by $1.
cpu_of() {
    local out=$1
    shift
    /usr/bin/time -f '%U %S' -o "$state/time.txt" "$@" </dev/null >"$out" 2>/dev/null
    awk '{ printf "%.3f", $1 + $2 }' "$state/time.txt"
}

ours=() curls=() natives=() peaks=() our_cpus=() curl_cpus=() hashed=() stalls=()
for run in $(seq 1 $runs); do
    rm -f "$state/ours.bin"
    cpu=$(cpu_of "$state/out.txt" "$WINE" "$bench" download "$url" "$(winpath "$state/ours.bin")" "$size")
    out=$(cat "$state/out.txt")
    [ "$(echo "$out" | field result)" = "0,0" ] || { echo "bench: our download failed: $out" >&2; exit 1; }
    [ "$(stat -c %s "$state/ours.bin")" = "$size" ] || { echo "bench: our file is not whole" >&2; exit 1; }
    ours+=("$(echo "$out" | field seconds)")
    our_cpus+=("$cpu")
    peaks+=("$(echo "$out" | field peak_working_set_bytes)")
    rm -f "$state/ours.bin"

    rm -f "$state/curl.bin"
    cpu=$(cpu_of "$state/out.txt" "$WINE" "$curl_exe" -s -o "$(winpath "$state/curl.bin")" -w '%{time_total}' "$url")
    [ "$(stat -c %s "$state/curl.bin")" = "$size" ] || { echo "bench: curl's file is not whole" >&2; exit 1; }
    curls+=("$(tr -d '\r' <"$state/out.txt")")
    curl_cpus+=("$cpu")
    rm -f "$state/curl.bin"

    rm -f "$state/native.bin"
    "$native_curl" -s -o "$state/native.bin" -w '%{time_total}' "$url" </dev/null >"$state/out.txt" 2>/dev/null
    [ "$(stat -c %s "$state/native.bin")" = "$size" ] || { echo "bench: native curl's file is not whole" >&2; exit 1; }
    natives+=("$(cat "$state/out.txt")")
    rm -f "$state/native.bin"

    # Both digests asked for: the hashing runs on the worker while the UI thread answers a probe.
    rm -f "$state/ours.bin"
    out=$("$WINE" "$bench" download "$url" "$(winpath "$state/ours.bin")" "$size" digests </dev/null 2>/dev/null)
    [ "$(echo "$out" | field result)" = "0,0" ] || { echo "bench: our hashed download failed: $out" >&2; exit 1; }
    [ -n "$(echo "$out" | field sha256)" ] || { echo "bench: no SHA-256 came back" >&2; exit 1; }
    hashed+=("$(echo "$out" | field seconds)")
    stalls+=("$(echo "$out" | field ui_max_stall_ms)")
    rm -f "$state/ours.bin"
    echo "run $run: ours ${ours[-1]} s (cpu ${our_cpus[-1]} s), curl.exe ${curls[-1]} s (cpu ${curl_cpus[-1]} s)," \
        "native curl ${natives[-1]} s, ours with digests ${hashed[-1]} s (UI stall ${stalls[-1]} ms)," \
        "our peak working set ${peaks[-1]} bytes"
done

# The same download of 30 MB, to show that the working set does not grow with the file.
out=$("$WINE" "$bench" download "http://127.0.0.1:$port/big30.bin" "$(winpath "$state/ours.bin")" 30000000 \
    </dev/null 2>/dev/null)
small_peak=$(echo "$out" | field peak_working_set_bytes)
rm -f "$state/ours.bin"

idle=$("$WINE" "$bench" idle 10 </dev/null 2>/dev/null)
idle_stall=$("$WINE" "$bench" stall 10 </dev/null 2>/dev/null | field ui_max_stall_ms)

# The installer itself: its stripped size and imports, its start-up time to the first painted
# frame and its peak memory over a whole install, each beside the smallest window program.
setup_exe=$build/TarnisSetup.exe
strip_copy=$state/TarnisSetup.stripped.exe
x86_64-w64-mingw32-strip -o "$strip_copy" "$setup_exe"
size_kib=$(( $(stat -c %s "$strip_copy") / 1024 ))
imports=$(x86_64-w64-mingw32-objdump -p "$strip_copy" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
echo "installer imports: $imports"
startup_bench=$build/tests/bench/StartupBench.exe
starts=$("$WINE" "$startup_bench" "$startup_runs" "$(winpath "$build/TarnisSetupLocal.exe")" \
    "$(winpath "$build/tests/bench/MinimalWindow.exe")" </dev/null 2>/dev/null | field startup_seconds)
ours_start=$(echo "$starts" | sed -n 1p)
minimal_start=$(echo "$starts" | sed -n 2p)
# The install uses the update servers' fixed ports, which the end-to-end tests of every checkout share.
install=$(flock /tmp/zorva-e2e.lock python3 "$root/tests/app/e2e/installer_e2e.py" bench_install --build "$build" \
    --source "$root" 2>&1)
echo "$install" | grep -v '^install_peak_working_set_mib='
# The figures, one name=value line each.
our_s=$(median "${ours[@]}")
curl_s=$(median "${curls[@]}")
native_s=$(median "${natives[@]}")
hashed_s=$(median "${hashed[@]}")
our_cpu=$(median "${our_cpus[@]}")
curl_cpu=$(median "${curl_cpus[@]}")
peak=$(median "${peaks[@]}")
awk -v o="$our_s" -v c="$curl_s" -v n="$native_s" -v h="$hashed_s" -v s="$size" 'BEGIN {
    printf "download_ours_seconds=%.3f (%.1f MiB/s)\n", o, s / o / 1048576
    printf "download_curl_seconds=%.3f (%.1f MiB/s)\n", c, s / c / 1048576
    printf "download_native_seconds=%.3f (%.1f MiB/s)\n", n, s / n / 1048576
    printf "download_hashed_seconds=%.3f (%.1f MiB/s)\n", h, s / h / 1048576 }'
awk -v p="$small_peak" 'BEGIN { printf "download_30mb_peak_working_set_mib=%.1f\n", p / 1048576 }'
awk -v o="$our_s" -v c="$curl_s" 'BEGIN { printf "download_ratio=%.3f\n", c / o }'
awk -v h="$hashed_s" -v c="$curl_s" 'BEGIN { printf "download_hashed_ratio=%.3f\n", c / h }'
awk -v o="$our_s" -v n="$native_s" 'BEGIN { printf "download_native_ratio=%.3f\n", n / o }'
awk -v o="$our_cpu" -v c="$curl_cpu" -v s="$size" 'BEGIN {
    printf "download_cpu_s_per_gib=%.3f (curl.exe: %.3f)\n", o / (s / 1073741824), c / (s / 1073741824)
    printf "download_cpu_ratio=%.3f\n", o / c }'
echo "ui_max_stall_ms=$(median "${stalls[@]}") (network idle: $idle_stall)"
echo "idle_cpu_percent=$(echo "$idle" | field idle_cpu_percent)"
awk -v p="$peak" 'BEGIN { printf "download_peak_working_set_mib=%.1f\n", p / 1048576 }'
echo "startup_seconds=$ours_start (minimal window program: $minimal_start)"
echo "exe_size_kib=$size_kib"
awk -v o="$ours_start" -v m="$minimal_start" 'BEGIN { printf "startup_ratio=%.2f\n", o / m }'
echo "$install" | grep '^install_peak_working_set_mib='
