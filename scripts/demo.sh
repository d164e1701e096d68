#!/usr/bin/env bash
# The main job. Until the installer exists, it reports what the build produced.
set -u
build=${1:-build}
echo "demo: built the following programs into $build:"
find "$build" -maxdepth 3 -name '*.exe' -printf '  %p\n' | sort
