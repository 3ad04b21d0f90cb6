#!/bin/bash
# run-all.sh BUILD_DIR SECONDS: runs every fuzz target for SECONDS each; fails on a finding.
set -euo pipefail
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
for exe in "$build"/fuzz/fuzz_*; do
    [ -x "$exe" ] || continue
    name=$(basename "$exe")
    corpus="$build/fuzz-corpus/$name"
    mkdir -p "$corpus"
    seeds="$here/seeds/$name"
    [ -d "$seeds" ] || seeds=""
    echo "== $name for ${seconds}s"
    "$exe" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 \
        "$corpus" $seeds 2>&1 | tail -n 8
done
