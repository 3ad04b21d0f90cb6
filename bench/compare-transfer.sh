#!/bin/sh
# compare-transfer.sh BUILD_DIR
#
# Holds our durable transfer (bench_transfer) against the system tools, with a memory card
# played by a tmpfs folder (/dev/shm, or TRANSFER_CARD) and the destination on the disk that
# holds BUILD_DIR (never tmpfs: flushes cost nothing there):
#   copy:       card -> disk, ours (every file durable before it gets its name) against
#               `cp --preserve=timestamps` followed by one `sync`;
#   move-same:  disk -> disk on one file system, ours (one rename each) against `mv` + `sync`;
#   move-cross: card -> disk, ours (durable copy, read back from the disk, source deleted)
#               against `mv` + `sync`.
# The contenders run interleaved, their order swapped every round, so that both meet the same
# load of a shared machine. Each round prints the seconds and the throughput ratio
# ours / theirs (1.0 = as fast, above = faster); the end prints per comparison the median
# ratio and its spread (lowest .. highest), and fails when a median misses its target.
# TRANSFER_FILES and TRANSFER_ROUNDS change the file count (2000 of 1 MiB) and rounds (9).
set -eu

build=$(cd "$1" && pwd)
exe=$build/bench/bench_transfer
count=${TRANSFER_FILES:-2000}
rounds=${TRANSFER_ROUNDS:-9}
cardbase=${TRANSFER_CARD:-/dev/shm}
if [ ! -x "$exe" ]; then
    echo "missing $exe (configure with -DPIXBAKO_BUILD_BENCH=ON)" >&2
    exit 1
fi

need=$((count * 5 + 512))
free=$(df -Pm "$build" | awk 'NR == 2 { print $4 }')
if [ "$free" -lt "$need" ]; then
    echo "skipped: needs $need MiB free beside $build, has $free MiB"
    exit 0
fi
cardneed=$((count * 3 + 256))
cardfree=$(df -Pm "$cardbase" 2>/dev/null | awk 'NR == 2 { print $4 }')
if [ "$(stat -f -c %T "$cardbase" 2>/dev/null)" != tmpfs ] || [ "${cardfree:-0}" -lt "$cardneed" ]; then
    echo "skipped: needs a tmpfs with $cardneed MiB free at $cardbase"
    exit 0
fi

work=$(mktemp -d "$build/transfer-bench.XXXXXX")
card=$(mktemp -d "$cardbase/pixbako-card.XXXXXX")
trap 'rm -rf "$work" "$card"' EXIT
trap 'exit 1' INT TERM
echo "disk $work on $(stat -f -c %T "$work"), card $card on tmpfs," \
    "$count files of 1 MiB, $rounds rounds, load $(cut -d' ' -f1-3 /proc/loadavg)"

mkdir "$card/master"
head -c $((count * 1048576)) /dev/urandom | (cd "$card/master" && split -b 1048576 -a 5 -d - IMG_)
touch -d '2005-03-12 10:11:12' "$card/master"/*
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
# A card of its own for a move that empties it (filled outside the timing).
card_copy() { fresh "$1" && cp --preserve=timestamps "$card/master"/* "$1"/; }

cp_all() { cp --preserve=timestamps "$1"/* "$2"/; }
mv_all() { mv "$1"/* "$2"/; }

# Contenders: each prints its seconds.
copy_ours() {
    fresh "$work/ours"
    seconds "$exe" copy "$card/master" "$work/ours"
}
copy_theirs() {
    fresh "$work/theirs"
    seconds cp_all "$card/master" "$work/theirs"
}
# Moves on the disk: each side moves its own copies on.
same_ours() {
    fresh "$work/ours2"
    seconds "$exe" move "$work/ours" "$work/ours2"
}
same_theirs() {
    fresh "$work/theirs2"
    seconds mv_all "$work/theirs" "$work/theirs2"
}
cross_ours() {
    card_copy "$card/ours"
    fresh "$work/ours3"
    seconds "$exe" move "$card/ours" "$work/ours3"
}
cross_theirs() {
    card_copy "$card/theirs"
    fresh "$work/theirs3"
    seconds mv_all "$card/theirs" "$work/theirs3"
}

same_content() {
    if ! cmp -s "$1/IMG_00000" "$card/master/IMG_00000" ||
        [ "$(stat -c %Y "$1/IMG_00000")" != "$(stat -c %Y "$card/master/IMG_00000")" ]; then
        echo "$2: the copy differs from its source" >&2
        exit 1
    fi
    if [ "$(ls "$1" | wc -l)" -ne "$count" ]; then
        echo "$2: files are missing" >&2
        exit 1
    fi
}

# pair NAME REFERENCE ROUND: runs NAME_ours and NAME_theirs, in swapped order every round,
# prints the round and keeps the ratio.
pair() {
    if [ $(($3 % 2)) -eq 1 ]; then
        ours=$("$1"_ours)
        theirs=$("$1"_theirs)
    else
        theirs=$("$1"_theirs)
        ours=$("$1"_ours)
    fi
    r=$(ratio "$ours" "$theirs")
    echo "$r" >>"$work/$1.ratios"
    echo "$1 round $3: ours $ours s, $2 $theirs s, throughput ratio $r"
}

round=1
while [ "$round" -le "$rounds" ]; do
    pair copy "cp --preserve=timestamps + sync" "$round"
    same_content "$work/ours" copy
    pair same "mv + sync" "$round"
    same_content "$work/ours2" "move on one disk"
    rm -rf "$work/ours2" "$work/theirs2"
    pair cross "mv + sync" "$round"
    same_content "$work/ours3" "move across disks"
    if [ -n "$(ls "$card/ours")" ]; then
        echo "move across disks: sources were left behind" >&2
        exit 1
    fi
    rm -rf "$work/ours3" "$work/theirs3"
    round=$((round + 1))
done

# The median and the spread of each comparison's ratios, against its target: copies at least
# as fast as cp + sync, moves across disks (read-back included) at least 0.8 of mv + sync. A
# move on one disk is one rename per file for both; its seconds are mostly the syncs', so it is
# shown without a target. The targets judge runs of the size they are set for (1,000 files or
# more, 9 rounds or more); a smaller run only shows its ratios.
missed=0
judge=0
if [ "$count" -ge 1000 ] && [ "$rounds" -ge 9 ]; then
    judge=1
fi
for name in copy same cross; do
    case $name in
    copy) target=1.0 ;;
    cross) target=0.8 ;;
    *) target=0 ;;
    esac
    [ "$judge" -eq 1 ] || target=0
    sort -n "$work/$name.ratios" | awk -v name="$name" -v target="$target" '
        { r[NR] = $1 }
        END {
            m = NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2
            printf "%-5s median throughput ratio %.2f (spread %.2f .. %.2f, %d rounds)", name, m,
                r[1], r[NR], NR
            if (target > 0)
                printf ", must be >= %.1f", target
            printf "\n"
            exit !(m >= target)
        }' || missed=1
done
echo "load at the end $(cut -d' ' -f1-3 /proc/loadavg)"
exit $missed
