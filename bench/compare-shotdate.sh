#!/bin/sh
# compare-shotdate.sh BUILD_DIR: the shot-date reader against exiftool and against the floor of
# opening each file and reading its first 64 KiB, on the same camera-like files with the page
# cache warm. Prints files per second for each and the ratios; fails when ours is not at least
# 20 times exiftool's rate or is more than 3 times slower than the floor.
# Then the same for the RAW, HEIF and movie samples of tests/samples/formats, copied over and
# over into as many files, with the dates of all formats read: three rounds each of ours and of
# `exiftool -fast2 -DateTimeOriginal -CreateDate`; prints the lowest and highest ratio and fails
# when the lowest is below 50.
# SHOTDATE_FILES sets the number of files (2000 unless told otherwise; 512 KiB each).
set -eu
build=$1
bench="$build/bench/bench_shotdate"
count=${SHOTDATE_FILES:-2000}
[ -x "$bench" ] || { echo "no $bench: build with -DPIXBAKO_BUILD_BENCH=ON" >&2; exit 1; }
if ! command -v exiftool > /dev/null 2>&1; then
    echo "exiftool is not installed: comparison skipped"
    exit 0
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/pixbako-shotdate-XXXXXX")
formats=$(mktemp -d "${TMPDIR:-/tmp}/pixbako-shotdate-formats-XXXXXX")
trap 'rm -rf "$dir" "$formats"' EXIT INT TERM
"$bench" --make-files "$dir" "$count"
cat "$dir"/*.JPG > /dev/null # warm the page cache

ours=$("$bench" --time-ours "$dir")
floor=$("$bench" --time-floor "$dir")

# exiftool reads all files in one process, like our reader; one warm-up run first.
exiftool -fast2 -T -DateTimeOriginal -ext JPG "$dir" > /dev/null 2>&1 || true
start=$(date +%s.%N)
exiftool -fast2 -T -DateTimeOriginal -ext JPG "$dir" > "$dir/dates.txt"
end=$(date +%s.%N)
dates=$(grep -c '^2024:' "$dir/dates.txt" || true)
rm -f "$dir/dates.txt"
if [ "$dates" -ne "$count" ]; then
    echo "exiftool found $dates dates in $count files" >&2
    exit 1
fi

awk -v n="$count" -v ours="$ours" -v floor="$floor" -v start="$start" -v end="$end" 'BEGIN {
    tool = n / (end - start)
    printf "files: %d of 512 KiB with a 15-30 KiB EXIF block\n", n
    printf "ours:            %10.0f files/s\n", ours
    printf "exiftool -fast2: %10.0f files/s\n", tool
    printf "floor (64 KiB):  %10.0f files/s\n", floor
    printf "ours / exiftool: %10.1f (must be >= 20)\n", ours / tool
    printf "floor / ours:    %10.2f (must be <= 3)\n", floor / ours
    exit !(ours / tool >= 20 && floor / ours <= 3)
}' || jpeg_failed=1

# The other formats: the samples in turn, each copy keeping its extension.
samples="$(cd "$(dirname "$0")/.." && pwd)/tests/samples/formats"
set -- $(ls "$samples" | grep -v '\.tsv$')
[ $# -gt 0 ] || { echo "no samples in $samples" >&2; exit 1; }
i=0
while [ $i -lt "$count" ]; do
    n=$((i % $# + 1))
    eval "sample=\${$n}"
    cp "$samples/$sample" "$formats/F_$(printf %05d $i).${sample##*.}"
    i=$((i + 1))
done
cat "$formats"/* > /dev/null
ratios=""
for round in 1 2 3; do
    ours=$("$bench" --time-all-formats "$formats" 2> /dev/null)
    start=$(date +%s.%N)
    exiftool -fast2 -T -DateTimeOriginal -CreateDate "$formats" > "$dir/dates.txt" 2> /dev/null
    end=$(date +%s.%N)
    ratios="$ratios $(awk -v n="$count" -v ours="$ours" -v start="$start" -v end="$end" \
        'BEGIN { printf "%.1f", ours / (n / (end - start)) }')"
done
dated=$(grep -c '[0-9]:[0-9]' "$dir/dates.txt" || true)
[ "$dated" -gt 0 ] || { echo "exiftool found no dates in the samples" >&2; exit 1; }
"$bench" --time-all-formats "$formats" 2>&1 > /dev/null
echo "$ratios" | awk -v n="$count" '{
    low = $1; high = $1
    for (i = 2; i <= NF; ++i) { if ($i < low) low = $i; if ($i > high) high = $i }
    printf "files: %d RAW, HEIF and movie samples\n", n
    printf "ours / exiftool -fast2 (all formats), 3 rounds: %s (lowest %.1f, highest %.1f; must be >= 50)\n", $0, low, high
    exit !(low >= 50)
}' || exit 1
[ -z "${jpeg_failed:-}" ]
