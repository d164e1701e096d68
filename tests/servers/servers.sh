#!/usr/bin/env bash
# Starts or stops the two peers of the HTTP tests on 127.0.0.1: nginx with a generated
# configuration and document root (with HTTPS servers when ZORVA_TEST_PKI names the test PKI), our
# fault server and two tinyproxies. Each writes its port to DIR/<name>.port. All end by themselves
# after LIFETIME seconds even if "stop" never runs.
#   servers.sh start DIR [LIFETIME]      servers.sh stop DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
action=${1:?start or stop}
dir=${2:?state folder}
lifetime=${3:-1200}
nginx=/usr/sbin/nginx
# Debian's interpreter when there is one, whatever else is first on the PATH.
python=$(command -v /usr/bin/python3 || command -v python3)
source "$here/../../scripts/server-process.sh"

free_port() {
    "$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Files of known size whose byte i is i % 251, as the fault server's bodies are.
make_docroot() {
    local root=$1
    mkdir -p "$root"
    "$python" - "$root" <<'EOF'
import sys
root = sys.argv[1]
unit = bytes(i % 251 for i in range(251 * 4096))
def write(name, size):
    with open(root + "/" + name, "wb") as f:
        while size > 0:
            f.write(unit[:min(size, len(unit))])
            size -= min(size, len(unit))
write("small.bin", 1000)
write("medium.bin", 3 * 1024 * 1024 + 17)
write("big30.bin", 30 * 1000 * 1000)
open(root + "/empty.txt", "wb").close()
EOF
}

# HTTPS peers, one per server certificate of the build's test PKI (ZORVA_TEST_PKI), for the
# transfers' certificate and name checks: nginx configuration for the ports in tls_ports.
tls_servers() {
    local plain=$1 name
    for name in "${tls_names[@]}"; do
        cat <<EOF
    server {
        listen 127.0.0.1:${tls_ports[$name]} ssl;
        ssl_certificate $ZORVA_TEST_PKI/$name.pem;
        ssl_certificate_key $ZORVA_TEST_PKI/$name.key;
        root $dir/docroot;
        location = /to-http { return 302 http://127.0.0.1:$plain/small.bin; }
    }
EOF
    done
}

start_nginx() {
    local port conf="$dir/nginx.conf" i name ready
    local -A tls_ports=()
    local tls_names=()
    [ -f "${ZORVA_TEST_PKI:-}/server.pem" ] && tls_names=(server server-other-ca server-wrong-name)
    [ -f "$dir/docroot/big30.bin" ] || make_docroot "$dir/docroot"
    mkdir -p "$dir/nginx-tmp"
    # A port picked before nginx binds it may be taken meanwhile: try a few.
    for i in 1 2 3 4 5; do
        port=$(free_port)
        for name in "${tls_names[@]}"; do tls_ports[$name]=$(free_port); done
        cat >"$conf" <<EOF
daemon off;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/nginx-error.log warn;
events { worker_connections 256; }
http {
    access_log $dir/nginx-access.log;
    client_body_temp_path $dir/nginx-tmp/body;
    proxy_temp_path $dir/nginx-tmp/proxy;
    fastcgi_temp_path $dir/nginx-tmp/fastcgi;
    uwsgi_temp_path $dir/nginx-tmp/uwsgi;
    scgi_temp_path $dir/nginx-tmp/scgi;
    default_type application/octet-stream;
    sendfile on;
    server {
        listen 127.0.0.1:$port;
        root $dir/docroot;
        location = /redirect { return 302 /small.bin; }
        location = /redirect2 { return 302 /redirect; }
    }
$(tls_servers "$port")
}
EOF
        setsid timeout "$lifetime" "$nginx" -c "$conf" -p "$dir" </dev/null >>"$dir/nginx-out.log" 2>&1 &
        echo $! >"$dir/nginx.watchdog.pid"
        ready=1
        for name in "${tls_names[@]}"; do wait_listening "${tls_ports[$name]}" || ready=0; done
        if [ "$ready" = 1 ] && wait_listening "$port"; then
            for name in "${tls_names[@]}"; do echo "${tls_ports[$name]}" >"$dir/tls-$name.port"; done
            echo "$port" >"$dir/nginx.port"
            return 0
        fi
        stop_pidfile "$dir/nginx.watchdog.pid"
    done
    echo "servers: nginx did not start; see $dir/nginx-error.log" >&2
    return 1
}

start_fault() {
    rm -f "$dir/fault.port"
    setsid timeout "$lifetime" "$python" "$here/fault_server.py" --port-file "$dir/fault.port" \
        --lifetime "$lifetime" </dev/null >>"$dir/fault-out.log" 2>&1 &
    echo $! >"$dir/fault.watchdog.pid"
    for _ in $(seq 1 100); do
        [ -f "$dir/fault.port" ] && wait_listening "$(cat "$dir/fault.port")" && return 0
        sleep 0.1
    done
    echo "servers: fault server did not start; see $dir/fault-out.log" >&2
    return 1
}

# tinyproxy as a user's proxy, logging each request it forwards to DIR/NAME.log; with AUTH
# ("user password") it asks every client for Basic credentials.
start_tinyproxy() {
    local name=$1 auth=${2:-} port conf="$dir/$1.conf" i
    for i in 1 2 3 4 5; do
        port=$(free_port)
        {
            echo "Port $port"
            echo "Listen 127.0.0.1"
            echo "Timeout 60"
            echo "MaxClients 20"
            echo "LogFile \"$dir/$name.log\""
            echo "LogLevel Connect"
            [ -z "$auth" ] || echo "BasicAuth $auth"
        } >"$conf"
        setsid timeout "$lifetime" /usr/bin/tinyproxy -d -c "$conf" </dev/null >>"$dir/$name-out.log" 2>&1 &
        echo $! >"$dir/$name.watchdog.pid"
        if wait_listening "$port"; then
            echo "$port" >"$dir/$name.port"
            return 0
        fi
        stop_pidfile "$dir/$name.watchdog.pid"
    done
    echo "servers: $name did not start; see $dir/$name-out.log" >&2
    return 1
}

stop_all() {
    stop_pidfile "$dir/nginx.watchdog.pid"
    stop_pidfile "$dir/fault.watchdog.pid"
    stop_pidfile "$dir/proxy.watchdog.pid"
    stop_pidfile "$dir/authproxy.watchdog.pid"
    rm -f "$dir/nginx.port" "$dir/fault.port" "$dir/proxy.port" "$dir/authproxy.port" "$dir"/tls-*.port
}

case $action in
start)
    mkdir -p "$dir"
    stop_all
    start_nginx && start_fault && start_tinyproxy proxy && start_tinyproxy authproxy "zorva secret" ||
        { stop_all; exit 1; }
    echo "servers: nginx on $(cat "$dir/nginx.port"), fault server on $(cat "$dir/fault.port")"
    ;;
stop)
    stop_all
    ;;
*)
    echo "usage: $0 start|stop DIR [LIFETIME]" >&2
    exit 2
    ;;
esac
