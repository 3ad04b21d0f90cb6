#!/bin/sh
# Runs bench/run-all.sh on a build folder of stand-ins: each benchmark program (and exiftool)
# is a small script that accepts only the arguments the real one accepts and does the same
# work, so that a program invoked wrongly (bench_transfer without its folders, say) fails the
# whole run as it would with `make bench`.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/pixbako-bench-test-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
mkdir -p "$work/build/bench" "$work/bin"

stub() { # stub PATH BODY: an executable shell script
    printf '#!/bin/sh\nset -eu\n%s\n' "$2" > "$1"
    chmod +x "$1"
}
stub "$work/build/bench/bench_transfer" '
[ $# -eq 3 ] && [ -d "$2" ] && [ -d "$3" ] || { echo "usage: bench_transfer copy|move SOURCE DEST" >&2; exit 2; }
case $1 in copy) cp -p "$2"/* "$3"/ ;; move) mv "$2"/* "$3"/ ;; *) exit 2 ;; esac
echo "$1: done"'
stub "$work/build/bench/bench_shotdate" '
case "$*" in
"") echo "BM_ReadShotDate 1 ns" ;;
--make-files\ *) [ $# -eq 3 ] || exit 2; i=0; while [ $i -lt "$3" ]; do : > "$2/IMG_$i.JPG"; i=$((i + 1)); done ;;
--time-ours\ *|--time-floor\ *|--time-all-formats\ *) [ $# -eq 2 ] || exit 2; echo 1000000000 ;;
*) echo "unrecognized arguments: $*" >&2; exit 1 ;;
esac'
stub "$work/build/bench/bench_formatdatetext" '[ $# -eq 0 ] || exit 1; echo "BM_Format 1 ns"'
stub "$work/build/bench/bench_thumbnail" '
case "$*" in
"") echo "BM_Thumbnail 1 ns" ;;
--make-files\ *) [ $# -eq 4 ] || exit 2; mkdir -p "$2"; i=0; while [ $i -lt "$3" ]; do : > "$2/IMG_$i.jpg"; i=$((i + 1)); done ;;
--time-ours\ *) [ $# -ge 3 ] && [ $# -le 4 ] && [ -d "$2" ] || exit 2; echo 5000 ;;
*) echo "unrecognized arguments: $*" >&2; exit 1 ;;
esac'
stub "$work/bin/vipsthumbnail" '
out=
while [ $# -gt 0 ]; do case $1 in -s) shift 2 ;; -o) out=$2; shift 2 ;; *) break ;; esac; done
i=0; while [ $i -lt 20000 ]; do i=$((i + 1)); done
for f; do : > "$(dirname "$out")/$(basename "$f")"; done'
stub "$work/bin/exiftool" '
for last; do :; done
for f in "$last"/*.JPG; do echo "2024:01:02 03:04:05"; done'

PATH="$work/bin:$PATH" SHOTDATE_FILES=3 THUMBNAIL_FILES=2 TRANSFER_FILES=2 TRANSFER_ROUNDS=1 TRANSFER_SETTLE=0 \
    sh "$here/bench/run-all.sh" "$work/build" > "$work/output" 2>&1 || {
    cat "$work/output"
    echo "FAIL: run-all.sh stopped with an error"
    exit 1
}
for line in "== bench_transfer" "copy: done" "move: done" "== compare-shotdate.sh" \
    "== compare-thumbnail.sh" "== compare-transfer.sh"; do
    grep -q "^$line" "$work/output" || {
        cat "$work/output"
        echo "FAIL: no line \"$line\""
        exit 1
    }
done
[ -z "$(ls "$work/build" | grep -v '^bench$' || true)" ] || {
    echo "FAIL: run-all.sh left files in the build folder"
    exit 1
}
echo "ok"
