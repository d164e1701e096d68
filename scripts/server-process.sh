# Sourced by the scripts that run local servers for the tests, the demo and the benchmarks:
# waiting for a server to listen and stopping it through its pid file, in one way for all.

# Alive and not merely a zombie waiting for its reaper (a server started with setsid may have
# lost its parent, and nothing reaps it in a container without an init).
process_alive() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)
    [ -n "$state" ] && [ "$state" != Z ]
}

# TERM, up to 5 s to end, then KILL; the pid file goes either way.
stop_pidfile() {
    local pidfile=$1 pid
    [ -f "$pidfile" ] || return 0
    pid=$(cat "$pidfile")
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 1 50); do
            process_alive "$pid" || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$pidfile"
}

# True once something accepts connections on 127.0.0.1:PORT, false after about 10 s.
wait_listening() {
    local port=$1
    for _ in $(seq 1 100); do
        timeout 1 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1"' _ "$port" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
