#!/usr/bin/env bash
# A local stand-in for the maker's update servers: nginx on 127.0.0.1 with a primary and a
# fallback endpoint, each serving DIR/primary or DIR/fallback, and the packages in
# DIR/packages on both. It ends by itself after LIFETIME seconds even if "stop" never runs.
#   update-server.sh start DIR PRIMARY_PORT FALLBACK_PORT [LIFETIME] [RATE] [CERT KEY]
#   update-server.sh stop DIR
# RATE limits how fast packages are sent (nginx's limit_rate, e.g. 2m), so progress shows.
# CERT and KEY (PEM files) make the fallback speak HTTPS with that certificate.
set -u
action=${1:?start or stop}
dir=${2:?state folder}
nginx=/usr/sbin/nginx
source "$(dirname "$0")/server-process.sh"

# server_block PORT FOLDER [CERT KEY]
server_block() {
  if [ -n "${3:-}" ]; then
    printf '    server {\n        listen 127.0.0.1:%s ssl;\n        root %s/%s;\n' "$1" "$dir" "$2"
    printf '        ssl_certificate %s;\n        ssl_certificate_key %s;\n' "$3" "$4"
  else
    printf '    server {\n        listen 127.0.0.1:%s;\n        root %s/%s;\n' "$1" "$dir" "$2"
  fi
  printf '        location /packages/ { root %s; limit_rate %s; }\n    }\n' "$dir" "$rate"
}

case $action in
start)
  primary=${3:?primary port}
  fallback=${4:?fallback port}
  lifetime=${5:-900}
  rate=${6:-0}
  cert=${7:-}
  key=${8:-}
  stop_pidfile "$dir/nginx.pid"
  mkdir -p "$dir/primary" "$dir/fallback" "$dir/packages" "$dir/tmp"
  {
    echo "daemon off;"
    echo "worker_processes 1;"
    echo "pid $dir/nginx.pid;"
    echo "error_log $dir/error.log warn;"
    echo "events { worker_connections 64; }"
    echo "http {"
    # The port first, so that a test can tell which endpoint served a request.
    echo "    log_format endpoint '\$server_port \$remote_addr [\$time_local] \"\$request\" \$status \$body_bytes_sent';"
    echo "    access_log $dir/access.log endpoint;"
    for t in client_body proxy fastcgi uwsgi scgi; do echo "    ${t}_temp_path $dir/tmp/$t;"; done
    echo "    default_type application/octet-stream;"
    server_block "$primary" primary
    server_block "$fallback" fallback "$cert" "$key"
    echo "}"
  } >"$dir/nginx.conf"
  setsid timeout "$lifetime" "$nginx" -c "$dir/nginx.conf" -p "$dir" </dev/null >>"$dir/out.log" 2>&1 &
  wait_listening "$primary" && wait_listening "$fallback" && exit 0
  echo "update-server: nginx did not start; see $dir/error.log" >&2
  exit 1
  ;;
stop)
  stop_pidfile "$dir/nginx.pid"
  ;;
*)
  echo "usage: $0 start DIR PRIMARY FALLBACK [LIFETIME] [RATE] | stop DIR" >&2
  exit 2
  ;;
esac
