#!/bin/sh
# run-all.sh BUILD_DIR: runs every benchmark program and every comparison script. One that
# fails (a comparison that misses its target on a busy machine, say) doesn't keep the others
# from running; the failures are listed at the end and make the exit status 1.
#
# The Google Benchmark programs run as they are. bench_transfer needs a source and a
# destination folder: it gets a short copy and move of a few generated files in a folder of its
# own beside BUILD_DIR here, and its real measurement in compare-transfer.sh.
set -eu
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

# transfer_smoke EXE: copies and then moves 16 files of 1 MiB with EXE, in a folder that is
# removed afterwards. Written as one chain: `set -e` does not apply inside a function whose
# status is tested.
transfer_smoke() {
    work=$(mktemp -d "$build/transfer-smoke.XXXXXX") || return 1
    trap 'rm -rf "$work"; exit 1' INT TERM
    status=0
    mkdir "$work/src" "$work/copied" "$work/moved" &&
        head -c $((16 * 1048576)) /dev/urandom |
        (cd "$work/src" && split -b 1048576 -a 3 -d - IMG_) &&
        "$1" copy "$work/src" "$work/copied" &&
        "$1" move "$work/copied" "$work/moved" || status=1
    rm -rf "$work"
    trap - INT TERM
    return $status
}

failed=""
for exe in "$build"/bench/bench_*; do
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    name=$(basename "$exe")
    echo "== $name"
    case $name in
    bench_transfer) transfer_smoke "$exe" || failed="$failed $name" ;;
    *) "$exe" || failed="$failed $name" ;;
    esac
done
for script in "$here"/compare-*.sh; do
    [ -x "$script" ] || continue
    name=$(basename "$script")
    echo "== $name"
    "$script" "$build" || failed="$failed $name"
done
if [ -n "$failed" ]; then
    echo "failed:$failed" >&2
    exit 1
fi
