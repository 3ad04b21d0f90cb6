#!/bin/sh
# compare-thumbnail.sh BUILD_DIR: the thumbnail builder on 12-megapixel camera-like JPEGs (about
# 4.6 MB each), with the page cache warm:
#   - files with an EXIF thumbnail: thumbnails per second, which must be at least 1000;
#   - the same pictures without one: ours against vipsthumbnail (one thread, VIPS_CONCURRENCY=1,
#     120-pixel thumbnails at quality 90) on the same files; ours must be at least as fast.
#     Both rates are printed, but the check compares CPU time per file: on a machine that
#     other work keeps busy the wall clock says more about that work than about ours.
# THUMBNAIL_FILES sets the number of files of each kind (500 unless told otherwise).
# vipsthumbnail comes from Debian's libvips-tools, installed here when missing (as root).
set -eu
build=$1
bench="$build/bench/bench_thumbnail"
count=${THUMBNAIL_FILES:-500}
[ -x "$bench" ] || { echo "no $bench: build with -DPIXBAKO_BUILD_BENCH=ON" >&2; exit 1; }
if ! command -v vipsthumbnail > /dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
    apt-get install -y --no-install-recommends libvips-tools > /dev/null 2>&1 ||
        { apt-get update > /dev/null && apt-get install -y --no-install-recommends libvips-tools > /dev/null; } ||
        true
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/pixbako-thumbnail-XXXXXX")
trap 'rm -rf "$dir"' EXIT INT TERM
"$bench" --make-files "$dir/exif" "$count" exif
"$bench" --make-files "$dir/plain" "$count" plain
cat "$dir"/exif/*.jpg "$dir"/plain/*.jpg > /dev/null # warm the page cache

exif=$("$bench" --time-ours "$dir/exif" 120)
# CPU seconds too: on a busy machine they say more than the wall clock.
plain=$(/usr/bin/time -o "$dir/ours.time" -f "%U %S" "$bench" --time-ours "$dir/plain" 120)
ahead=$("$bench" --time-ours "$dir/plain" 120 ahead)
printf "files: %d of 4000 x 3000 pixels, thumbnails of 120 pixels\n" "$count"
printf "ours, EXIF thumbnails:    %10.1f files/s (must be >= 1000)\n" "$exif"
printf "ours, whole pictures:     %10.1f files/s (one thread)\n" "$plain"
printf "ours, decoding ahead:     %10.1f files/s (%d cores)\n" "$ahead" "$(nproc)"

if ! command -v vipsthumbnail > /dev/null 2>&1; then
    echo "vipsthumbnail is not installed: comparison skipped"
    awk -v e="$exif" 'BEGIN { exit !(e >= 1000) }'
    exit $?
fi
mkdir "$dir/vips"
start=$(date +%s.%N)
VIPS_CONCURRENCY=1 /usr/bin/time -o "$dir/vips.time" -f "%U %S" vipsthumbnail -s 120 -o "$dir/vips/%s.jpg[Q=90]" "$dir"/plain/*.jpg
end=$(date +%s.%N)
made=$(find "$dir/vips" -name '*.jpg' | wc -l)
[ "$made" -eq "$count" ] || { echo "vipsthumbnail made $made of $count" >&2; exit 1; }

# At least a millisecond, so that a run too short to be measured divides by something.
oursCpu=$(awk '{ t = $1 + $2; print (t > 0 ? t : 0.001) }' "$dir/ours.time")
vipsCpu=$(awk '{ print $1 + $2 }' "$dir/vips.time")
awk -v n="$count" -v exif="$exif" -v ours="$plain" -v ahead="$ahead" -v start="$start" -v end="$end" \
    -v oursCpu="$oursCpu" -v vipsCpu="$vipsCpu" 'BEGIN {
    vips = n / (end - start)
    printf "vipsthumbnail, 1 thread:  %10.1f files/s\n", vips
    printf "ours / vipsthumbnail:     %10.2f (one thread each, wall clock)\n", ours / vips
    printf "ahead / vipsthumbnail:    %10.2f\n", ahead / vips
    printf "CPU ms per file: ours %.1f, vipsthumbnail %.1f\n", 1000 * oursCpu / n, 1000 * vipsCpu / n
    printf "vipsthumbnail CPU / ours: %10.2f (must be >= 1)\n", vipsCpu / oursCpu
    exit !(exif >= 1000 && vipsCpu / oursCpu >= 1)
}'
