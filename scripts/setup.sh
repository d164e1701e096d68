#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: a second run only checks and returns.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=${ZORVA_DEPS_CACHE:-$HOME/.cache/zorva-deps}

packages=(
  cmake make python3 dpkg-dev
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xdotool xcompmgr x11-utils imagemagick fonts-wqy-microhei
  libz-mingw-w64-dev libstb-dev googletest nginx-light openssl osslsigncode tinyproxy
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/zorva-deb-src.sources
need_src=0
[ -f "$src_list" ] || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ $need_src -eq 1 ]; then
  if [ $need_src -eq 1 ]; then
    # Same mirrors and suites as the binary entries, for `apt-get source`.
    awk 'BEGIN{RS="";ORS="\n\n"} /Types: deb/ && !/deb-src/ {sub(/Types: deb/,"Types: deb-src"); print}' \
      /etc/apt/sources.list.d/debian.sources > "$src_list"
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  [ ${#missing[@]} -eq 0 ] || apt-get install -y -q --no-install-recommends "${missing[@]}"
  # nginx-light and tinyproxy start system services on install; the tests run their own.
  for service in nginx tinyproxy; do
    systemctl disable --now "$service" >/dev/null 2>&1 || service "$service" stop >/dev/null 2>&1 || true
  done
fi

"$here/build-curl.sh" "$cache"
"$here/build-gtest.sh" "$cache"
