#!/bin/sh
# compare-transfer.sh BUILD_DIR
#
# Holds our durable transfer (bench_transfer) against the system tools on the disk that holds
# BUILD_DIR (never tmpfs: flushes cost nothing there):
#   copy: 2,000 files of 1 MiB, ours (each file flushed before it gets its name) against
#         `cp --preserve=timestamps` followed by one `sync`;
#   move: the same files within one file system, ours (one rename each) against `mv` followed
#         by one `sync`.
# Prints the seconds of each run and the throughput ratio ours / theirs (1.0 = as fast).
# TRANSFER_FILES and TRANSFER_ROUNDS change the file count (2000) and the rounds (2).
set -eu

build=$(cd "$1" && pwd)
exe=$build/bench/bench_transfer
count=${TRANSFER_FILES:-2000}
rounds=${TRANSFER_ROUNDS:-2}
if [ ! -x "$exe" ]; then
    echo "missing $exe (configure with -DPIXBAKO_BUILD_BENCH=ON)" >&2
    exit 1
fi

need=$((count * 3 + 512))
free=$(df -Pm "$build" | awk 'NR == 2 { print $4 }')
if [ "$free" -lt "$need" ]; then
    echo "skipped: needs $need MiB free beside $build, has $free MiB"
    exit 0
fi

work=$(mktemp -d "$build/transfer-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
echo "folder $work on $(stat -f -c %T "$work"), $count files of 1 MiB, $rounds rounds"

mkdir "$work/src"
head -c $((count * 1048576)) /dev/urandom | (cd "$work/src" && split -b 1048576 -a 5 -d - IMG_)
sync

now() { date +%s.%N; }
# seconds COMMAND...: runs the command after a sync and prints its seconds including a final
# sync, so that data still in memory counts for every contender alike.
seconds() {
    sync
    start=$(now)
    "$@" >/dev/null
    sync
    end=$(now)
    echo "$start $end" | awk '{ printf "%.3f", $2 - $1 }'
}
fresh() { rm -rf "$1" && mkdir "$1"; }
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $2 / $1 }'; }

cp_all() { cp --preserve=timestamps "$1"/* "$2"/; }
mv_all() { mv "$1"/* "$2"/; }

# copy_ours / copy_theirs / move_ours / move_theirs: each prints its seconds.
copy_ours() {
    fresh "$work/ours"
    seconds "$exe" copy "$work/src" "$work/ours"
}
copy_theirs() {
    fresh "$work/theirs"
    seconds cp_all "$work/src" "$work/theirs"
}
# Moves within the file system: the copies in ours/ go to a/, and from there to b/.
move_ours() {
    fresh "$work/a"
    seconds "$exe" move "$work/ours" "$work/a"
}
move_theirs() {
    fresh "$work/b"
    seconds mv_all "$work/a" "$work/b"
}

# Odd rounds run ours first, even rounds theirs first, so that neither always meets a disk
# still busy with the other's writes.
round=1
while [ "$round" -le "$rounds" ]; do
    if [ $((round % 2)) -eq 1 ]; then
        ours=$(copy_ours)
        theirs=$(copy_theirs)
    else
        theirs=$(copy_theirs)
        ours=$(copy_ours)
    fi
    if ! cmp -s "$work/ours/IMG_00000" "$work/src/IMG_00000"; then
        echo "copy differs" >&2
        exit 1
    fi
    echo "copy round $round: ours ${ours} s, cp --preserve=timestamps + sync ${theirs} s," \
        "throughput ratio $(ratio "$ours" "$theirs")"
    rm -rf "$work/theirs"

    ours=$(move_ours)
    theirs=$(move_theirs)
    echo "move round $round: ours ${ours} s, mv + sync ${theirs} s," \
        "throughput ratio $(ratio "$ours" "$theirs")"
    rm -rf "$work/a" "$work/b" "$work/ours"
    round=$((round + 1))
done
