#!/usr/bin/env bash
# Cross-builds a static libcurl (Schannel, HTTP and HTTPS only) and curl.exe from
# Debian's curl source package, cached outside the tree by source version and options.
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
)

version=$(apt-cache showsrc curl 2>/dev/null | awk '/^Version:/{print $2; exit}')
[ -n "$version" ] || { echo "build-curl: no source index for curl (apt-get update?)" >&2; exit 1; }
key=$(printf '%s\n' "$version" "${options[@]}" | sha256sum | cut -c1-12)
prefix="$cache/curl-$key"

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
  CPPFLAGS="-DNDEBUG" CFLAGS="-O2" LDFLAGS="-static -static-libgcc" \
  ./configure --prefix="$prefix" "${options[@]}" >"$work/configure.log" 2>&1 ||
  { tail -n 40 "$work/configure.log" >&2; exit 1; }
make -j2 >"$work/make.log" 2>&1 || { tail -n 40 "$work/make.log" >&2; exit 1; }
make install >"$work/install.log" 2>&1 || { tail -n 40 "$work/install.log" >&2; exit 1; }
touch "$prefix/.done"
ln -sfn "$prefix" "$cache/curl"
echo "build-curl: done"
