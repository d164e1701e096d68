#!/usr/bin/env bash
# Runs a command inside a private network namespace whose only resolver is our DNS stub (names
# under slow.zorva.test answered after 20 s; its log goes to DIR/dns.log). Wine makes its
# sockets in the wineserver, which is started first and stays outside, so connections still
# reach the test peers on the machine's loopback: only name lookups, made by the program
# itself, meet the stub. Exits 77 (skipped) where no namespace can be made.
#   private-net.sh DIR command...
set -u
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?state folder}
shift
python=$(command -v /usr/bin/python3 || command -v python3)
mkdir -p "$dir"
if [ "${ZORVA_IN_PRIVATE_NET:-}" != 1 ]; then
    unshare --net --mount true 2>/dev/null || {
        echo "private-net: no network namespace on this machine; skipped" >&2
        exit 77
    }
    source "$here/../../scripts/wine-env.sh"
    wine_prefix_ready || exit 1
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    ZORVA_IN_PRIVATE_NET=1 exec unshare --net --mount bash "$0" "$dir" "$@"
fi
ip link set lo up || exit 1
# One try that waits longer than the stub holds its answer: the lookup is slow, not failed.
printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:1\n' >"$dir/resolv.conf"
mount --bind "$dir/resolv.conf" /etc/resolv.conf || exit 1
rm -f "$dir/dns.log" "$dir/dns.ready"
"$python" "$here/dns_stub.py" --log "$dir/dns.log" --hold 20 --ready "$dir/dns.ready" --lifetime 300 \
    </dev/null >>"$dir/dns-out.log" 2>&1 &
dns=$!
for _ in $(seq 1 100); do
    [ -f "$dir/dns.ready" ] && break
    sleep 0.1
done
"$@"
rc=$?
kill "$dns" 2>/dev/null
wait "$dns" 2>/dev/null
exit $rc
