#!/usr/bin/env python3
"""Packs skin files into the zip archive that the installer carries as a resource.

Every entry is deflated and named by its bare file name (the skin refers to files without folders).
Time stamps are fixed so that the same files always give the same archive.

usage: pack-skin.py OUTPUT.zip FILE...
"""
import os
import sys
import zipfile

FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def pack(output, files):
    names = [os.path.basename(f) for f in files]
    duplicates = sorted({n for n in names if names.count(n) > 1})
    if duplicates:
        sys.exit("pack-skin: the same name twice: " + ", ".join(duplicates))
    partial = output + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for path, name in zip(files, names):
            entry = zipfile.ZipInfo(name, FIXED_TIME)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0
            entry.external_attr = 0x20  # archive bit, as Windows tools write it
            with open(path, "rb") as source:
                archive.writestr(entry, source.read(), compresslevel=9)
    os.replace(partial, output)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    pack(sys.argv[1], sys.argv[2:])
