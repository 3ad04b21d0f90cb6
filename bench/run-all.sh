#!/bin/sh
# run-all.sh BUILD_DIR: runs every benchmark program and every comparison script.
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
for exe in "$build"/bench/bench_*; do
    [ -x "$exe" ] || continue
    echo "== $(basename "$exe")"
    "$exe"
done
for script in "$here"/compare-*.sh; do
    [ -x "$script" ] || continue
    echo "== $(basename "$script")"
    "$script" "$build"
done
