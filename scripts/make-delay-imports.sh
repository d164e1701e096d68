#!/usr/bin/env bash
# Makes delay-load import libraries that stand in for mingw's own ones of the same names:
#   make-delay-imports.sh OUTDIR NAME...   (NAME as given to the linker: winmm, gdiplus, ...)
# A program linked with -LOUTDIR before the system folders then loads those DLLs at first use,
# after its entry point has restricted the DLL search, instead of before any of its code runs.
set -eu
out=$1
shift
host=x86_64-w64-mingw32
lib=/usr/$host/lib
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for name in "$@"; do
  src=$lib/lib$name.a
  [ -f "$src" ] || { echo "make-delay-imports: no $src" >&2; exit 1; }
  dll=$($host-dlltool -I "$src")
  {
    echo "LIBRARY \"$dll\""
    echo "EXPORTS"
    $host-nm "$src" | awk '$2 == "I" && $3 ~ /^__imp_/ { sub(/^__imp_/, "", $3); print $3 }' | sort -u
  } >"$work/$name.def"
  target=$out/lib$name.a
  rm -f "$target"
  $host-dlltool --def "$work/$name.def" --dllname "$dll" --output-delaylib "$target"
  # Some import libraries also carry plain data (GDI+'s encoder GUIDs): keep those objects.
  if $host-nm "$src" | grep -q -E ' [DR] '; then
    members=$work/$name.members
    mkdir -p "$members"
    (cd "$members" && $host-ar x "$src")
    for member in "$members"/*; do
      $host-objdump -h "$member" | grep -q 'idata\$' || $host-ar q "$target" "$member"
    done
    $host-ranlib "$target"
  fi
done
