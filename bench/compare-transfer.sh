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
# Copies are compared for each file size of TRANSFER_SIZES (SIZE:COUNT with K or M, default
# "8K:2000 256K:2000 1M:1000 64M:100"); the moves at 1M only. The contenders run interleaved,
# their order swapped every round, so that both meet the same load of a shared machine. Each
# round prints the seconds and the throughput ratio ours / theirs (1.0 = as fast, above =
# faster); the end prints per comparison the median ratio and its spread (lowest .. highest),
# and fails when a median misses its target. TRANSFER_FILES sets one file count for every size,
# TRANSFER_ROUNDS the rounds (9). Where the disk has room, every round writes into folders of
# its own and nothing is deleted between timed runs (see below).
set -eu

build=$(cd "$1" && pwd)
exe=$build/bench/bench_transfer
sizes=${TRANSFER_SIZES:-8K:2000 256K:2000 1M:1000 64M:100}
rounds=${TRANSFER_ROUNDS:-9}
cardbase=${TRANSFER_CARD:-/dev/shm}
if [ ! -x "$exe" ]; then
    echo "missing $exe (configure with -DPIXBAKO_BUILD_BENCH=ON)" >&2
    exit 1
fi

# bytes SIZE: 8K, 1M... in bytes.
bytes() {
    case $1 in
    *K) echo $((${1%K} * 1024)) ;;
    *M) echo $((${1%M} * 1048576)) ;;
    *) echo "$1" ;;
    esac
}
# The MiB a size's run needs on the disk (ours, theirs and a moved copy each) and on the card
# (the master and a card of its own for each mover).
need=0
cardneed=0
for entry in $sizes; do
    mib=$(($(bytes "${entry%%:*}") * ${TRANSFER_FILES:-${entry#*:}} / 1048576 + 1))
    [ $((mib * 3 + 512)) -gt "$need" ] && need=$((mib * 3 + 512))
    [ $((mib * 3 + 256)) -gt "$cardneed" ] && cardneed=$((mib * 3 + 256))
done
free=$(df -Pm "$build" | awk 'NR == 2 { print $4 }')
if [ "$free" -lt "$need" ]; then
    echo "skipped: needs $need MiB free beside $build, has $free MiB"
    exit 0
fi
cardfree=$(df -Pm "$cardbase" 2>/dev/null | awk 'NR == 2 { print $4 }')
if [ "$(stat -f -c %T "$cardbase" 2>/dev/null)" != tmpfs ] || [ "${cardfree:-0}" -lt "$cardneed" ]; then
    echo "skipped: needs a tmpfs with $cardneed MiB free at $cardbase"
    exit 0
fi

work=$(mktemp -d "$build/transfer-bench.XXXXXX")
card=$(mktemp -d "$cardbase/pixbako-card.XXXXXX")
trap 'rm -rf "$work" "$card"' EXIT
trap 'exit 1' INT TERM
echo "disk $work on $(stat -f -c %T "$work"), card $card on tmpfs, sizes $sizes," \
    "$rounds rounds, load $(cut -d' ' -f1-3 /proc/loadavg)"

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
    fresh "$out/ours"
    seconds "$exe" copy "$card/master" "$out/ours"
}
copy_theirs() {
    fresh "$out/theirs"
    seconds cp_all "$card/master" "$out/theirs"
}
# Moves on the disk: each side moves its own copies on.
same_ours() {
    fresh "$out/ours2"
    seconds "$exe" move "$out/ours" "$out/ours2"
}
same_theirs() {
    fresh "$out/theirs2"
    seconds mv_all "$out/theirs" "$out/theirs2"
}
cross_ours() {
    card_copy "$card/ours"
    fresh "$out/ours3"
    seconds "$exe" move "$card/ours" "$out/ours3"
}
cross_theirs() {
    card_copy "$card/theirs"
    fresh "$out/theirs3"
    seconds mv_all "$card/theirs" "$out/theirs3"
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
# prints the round and keeps the ratio under NAME-SIZE.
pair() {
    if [ $(($3 % 2)) -eq 1 ]; then
        ours=$("$1"_ours)
        theirs=$("$1"_theirs)
    else
        theirs=$("$1"_theirs)
        ours=$("$1"_ours)
    fi
    r=$(ratio "$ours" "$theirs")
    echo "$r" >>"$work/$1-$size.ratios"
    echo "$1 $size round $3: ours $ours s, $2 $theirs s, throughput ratio $r"
}

# The median and the spread of each comparison's ratios, against its target: copies at least
# as fast as cp + sync (0.95 of it for files of 64 MiB, where both write at the disk's speed),
# moves across disks (read-back included) at least 0.9 of mv + sync. A move on one disk is one
# rename per file for both; its seconds are mostly the syncs', so it is shown without a target.
# The targets judge runs of the size they are set for (9 rounds or more, the default file count
# or more); a smaller run only shows its ratios.
missed=0
judge() { # NAME TARGET
    sort -n "$work/$1-$size.ratios" | awk -v name="$1 $size" -v target="$2" '
        { r[NR] = $1 }
        END {
            m = NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2
            printf "%-10s median throughput ratio %.2f (spread %.2f .. %.2f, %d rounds)", name, m,
                r[1], r[NR], NR
            if (target > 0)
                printf ", must be >= %.2f", target
            printf "\n"
            exit !(m >= target)
        }' >>"$work/summary" || missed=1
}

for entry in $sizes; do
    size=${entry%%:*}
    count=${TRANSFER_FILES:-${entry#*:}}
    fresh "$card/master"
    size_bytes=$(bytes "$size")
    head -c $((count * size_bytes)) /dev/urandom |
        (cd "$card/master" && split -b "$size_bytes" -a 5 -d - IMG_)
    touch -d '2005-03-12 10:11:12' "$card/master"/*
    sync
    echo "$count files of $size, load $(cut -d' ' -f1-3 /proc/loadavg)"
    # Each round writes into folders of its own, deleted after the last round, where the disk
    # has room for all of them: files deleted just before a timed run make every file created
    # in it slower on some file systems (ext4 without a journal skips the inodes freed in the
    # last minute), which swung either contender's times several-fold, by luck of where its
    # folder landed. Otherwise one set of folders is emptied before each contender, as little
    # as possible before its timing.
    mib=$((size_bytes * count / 1048576 + 1))
    round_mib=$((mib * 2))
    [ "$size" = 1M ] && round_mib=$((mib * 4))
    keep=0
    if [ $((round_mib * rounds + 1024)) -le $(($(df -Pm "$work" | awk 'NR == 2 { print $4 }') / 2)) ]; then
        keep=1
    fi
    # The folders deleted before (an earlier size, an earlier run) are let to age first, so that
    # neither contender creates its files among inodes freed a moment ago (TRANSFER_SETTLE
    # seconds, 65 by default; ext4 without a journal skips inodes freed in the last minute).
    if [ "$keep" -eq 1 ]; then
        sleep "${TRANSFER_SETTLE:-65}"
    fi
    round=1
    while [ "$round" -le "$rounds" ]; do
        out=$work/round
        [ "$keep" -eq 1 ] && out=$work/round$round
        mkdir -p "$out"
        pair copy "cp --preserve=timestamps + sync" "$round"
        same_content "$out/ours" copy
        if [ "$size" = 1M ]; then
            pair same "mv + sync" "$round"
            same_content "$out/ours2" "move on one disk"
            [ "$keep" -eq 1 ] || rm -rf "$out/ours2" "$out/theirs2"
            pair cross "mv + sync" "$round"
            same_content "$out/ours3" "move across disks"
            if [ -n "$(ls "$card/ours")" ]; then
                echo "move across disks: sources were left behind" >&2
                exit 1
            fi
            [ "$keep" -eq 1 ] || rm -rf "$out/ours3" "$out/theirs3"
        fi
        round=$((round + 1))
    done
    rm -rf "$work"/round* "$card/master"

    full=0
    if [ "$rounds" -ge 9 ] && [ "$count" -ge "${entry#*:}" ]; then
        full=1
    fi
    target=1.0
    [ "$size" = 64M ] && target=0.95
    [ "$full" -eq 1 ] || target=0
    judge copy "$target"
    if [ "$size" = 1M ]; then
        judge same 0
        cross=0.9
        [ "$full" -eq 1 ] || cross=0
        judge cross "$cross"
    fi
done
cat "$work/summary"
echo "load at the end $(cut -d' ' -f1-3 /proc/loadavg)"
exit $missed
