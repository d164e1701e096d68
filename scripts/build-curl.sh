#!/usr/bin/env bash
# Cross-builds a static libcurl (Schannel, HTTP and HTTPS only) and a self-contained curl.exe from
# Debian's curl source package, cached outside the tree by source version and options.
#   build-curl.sh CACHE                  builds unless cached; the link CACHE/curl names the result
#   build-curl.sh CACHE --print-prefix   only prints the folder of the build for these options
set -euo pipefail

cache=$1
host=x86_64-w64-mingw32
options=(
  --host=$host --disable-shared --enable-static --with-schannel --without-openssl
  --with-zlib=/usr/$host --without-libpsl --without-brotli --without-zstd --without-libidn2
  --without-nghttp2 --without-libssh2 --without-librtmp --disable-ldap --disable-ldaps
  --disable-ftp --disable-file --disable-rtsp --disable-dict --disable-telnet --disable-tftp
  --disable-pop3 --disable-imap --disable-smb --disable-smtp --disable-gopher --disable-mqtt
  --disable-manual --disable-docs --enable-threaded-resolver --enable-ipv6
  # Nothing of ours uses these; the installer carries libcurl, so each costs download size.
  # Kept: proxies with Basic, NTLM and Negotiate (SSPI) authentication, zlib, the socket pair
  # that wakes the threaded resolver.
  --disable-cookies --disable-mime --disable-netrc --disable-alt-svc --disable-hsts --disable-doh
  --disable-dateparse --disable-get-easy-options --disable-headers-api --disable-libcurl-option
  --disable-progress-meter --disable-verbose --disable-unix-sockets --disable-dnsshuffle
  --disable-ntlm-wb --disable-tls-srp --disable-websockets
)
# Size first, as for our own code; each function in its own section, so that the installer's link
# drops what it never calls. The system's stdio instead of mingw's C99 one: libcurl formats with its
# own printf, and its few scans and number parses need nothing more (31 KiB of scanf and gdtoa less).
cflags="-Os -ffunction-sections -fdata-sections -D__USE_MINGW_ANSI_STDIO=0"

version=$(apt-cache showsrc curl 2>/dev/null | awk '/^Version:/{print $2; exit}')
[ -n "$version" ] || { echo "build-curl: no source index for curl (apt-get update?)" >&2; exit 1; }
key=$(printf '%s\n' "$version" "${options[@]}" "$cflags" | sha256sum | cut -c1-12)
prefix="$cache/curl-$key"
if [ "${2:-}" = --print-prefix ]; then
  echo "$prefix"
  exit 0
fi

# Worktrees share the cache: one build at a time, and a second one finds the first one's result.
mkdir -p "$cache"
exec 8>"$cache/.curl-build.lock"
flock 8
# The link names the build for these options, whichever was built last.
if [ -f "$prefix/.done" ]; then
  ln -sfn "$prefix" "$cache/curl"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "build-curl: building libcurl $version into $prefix"
(cd "$work" && apt-get source -q curl >/dev/null)
src=$(find "$work" -maxdepth 1 -type d -name 'curl-*' | head -n 1)
cd "$src"
rm -rf "$prefix"
CC=$host-gcc-posix AR=$host-ar RANLIB=$host-ranlib \
  CPPFLAGS="-DNDEBUG" CFLAGS="$cflags" LDFLAGS="-static -static-libgcc" \
  ./configure --prefix="$prefix" "${options[@]}" >"$work/configure.log" 2>&1 ||
  { tail -n 40 "$work/configure.log" >&2; exit 1; }
# libtool takes -static for its own libraries only; -all-static makes curl.exe import no
# zlib1.dll or libwinpthread-1.dll, so it runs under Wine from anywhere.
make -j2 LDFLAGS="-all-static -static-libgcc" >"$work/make.log" 2>&1 ||
  { tail -n 40 "$work/make.log" >&2; exit 1; }
make install >"$work/install.log" 2>&1 || { tail -n 40 "$work/install.log" >&2; exit 1; }
touch "$prefix/.done"
ln -sfn "$prefix" "$cache/curl"
echo "build-curl: done"
