#!/bin/sh
# Runs one libFuzzer harness for FUZZ_SECONDS (60 unless set) from its committed seeds.
# New inputs and crashes go to the findings folder in the build tree; the seeds are only read.
# Usage: run-fuzzer.sh PROGRAM SEEDS DICTIONARY MAX_LEN FINDINGS
set -eu
program=$1 seeds=$2 dictionary=$3 max_len=$4 findings=$5
mkdir -p "$findings/corpus" "$findings/crashes"
echo "fuzz: $(basename "$program") for ${FUZZ_SECONDS:-60} s; findings in $findings" >&2
# -timeout: an input that takes seconds is a hang for a reader of small files.
exec "$program" -max_total_time="${FUZZ_SECONDS:-60}" -max_len="$max_len" \
  -dict="$dictionary" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$findings/crashes/" "$findings/corpus" "$seeds"
