#!/bin/sh
# Runs a libFuzzer target briefly from its seed corpus.
#   run_fuzz.sh FUZZER SEED_DIR WORK_DIR RUNS SECONDS
# The seeds are copied into a fresh corpus under WORK_DIR (in the build
# tree), which the fuzzer may grow; crash inputs land in WORK_DIR/artifacts.
set -eu
fuzzer=$1 seeds=$2 work=$3 runs=$4 seconds=$5
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$seeds"/* "$work/corpus/"
exec "$fuzzer" -runs="$runs" -max_total_time="$seconds" -max_len=131072 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus"
