#!/bin/sh
# `make demo` must keep showing a correct result: both runs succeed, the files land in their
# date folders with numbers that continue in the second run, the counter file stays on the card.
set -eu
source_dir=$1
build=$2
demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
output=$("$source_dir/tools/demo/run-demo.sh" "$build" "$demo" 2>&1)
runs=$(printf '%s\n' "$output" | grep -c 'pixbako exited with status 0' || true)
[ "$runs" = 2 ] || { printf '%s\n' "$output"; exit 1; }
found=$(cd "$demo/Pictures" && find . -type f ! -name '*.LOG' | LC_ALL=C sort | tr '\n' ' ')
expected="./2024_05_03/20240503_001.JPG ./2024_05_03/20240503_002.JPG ./2024_05_03/PXBK \
./2024_05_04/20240504_001.JPG ./2024_05_04/20240504_002.JPG ./2024_05_04/PXBK \
./2024_05_05/20240505_001.JPG ./2024_05_05/20240505_002.JPG ./2024_05_05/20240505_003.MOV \
./2024_05_05/20240505_004.JPG ./2024_05_05/PXBK ./2024_05_06/20240506_001.JPG \
./2024_05_06/PXBK "
[ "$found" = "$expected" ] || { printf 'found:    %s\nexpected: %s\n' "$found" "$expected"; exit 1; }
[ "$(find "$demo/Pictures" -name '*.LOG' | wc -l)" = 2 ]
[ -f "$demo/media/CARD/DCIM/PXBK" ]
printf '%s\n' "$output" | grep -q 'IMG_0007.JPG	2024_05_04	20240504_002.JPG	20240504160500'
