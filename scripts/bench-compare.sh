#!/usr/bin/env bash
# The twelve dsp_bench rows, baseline engine against this tree's, from zvcompare_bench (both
# engines in one program, rows in random order, repeated): prints a table of median CPU times.
#   scripts/bench-compare.sh [BUILD_DIR] [REPETITIONS] [FILTER]
# The build must be configured with -DZV_BASELINE_DIR=<baseline checkout>.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
reps="${2:-9}"
filter="${3:-.}"
"$build/tools/zvcompare/zvcompare_bench" --benchmark_filter="$filter" \
  --benchmark_enable_random_interleaving=true --benchmark_repetitions="$reps" \
  --benchmark_min_time=0.2 --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
python3 -c '
import csv, sys
rows = {}
for r in csv.reader(sys.stdin):
    if len(r) < 4 or not r[0].endswith("_median"):
        continue
    side, args = r[0][:-len("_median")].split("/", 1)
    rows.setdefault(args, {})[side] = float(r[3])  # cpu_time, microseconds per 512-sample block
print("| sr | low latency | harmony | baseline µs/block | new µs/block | speed-up |")
print("| ---: | :---: | :---: | ---: | ---: | ---: |")
def key(a):
    return [int(p.split(":")[-1]) for p in a.split("/")]
for args in sorted(rows, key=key):
    sr, lowlat, harmony = key(args)
    onoff = ["off", "on"]
    for bside, nside, label in (("baselineChain", "newChain", ""),
                                ("baselineEverything", "newEverything", " (every stage on)")):
        b, n = rows[args].get(bside), rows[args].get(nside)
        if b and n:
            print(f"| {sr}{label} | {onoff[lowlat]} | {onoff[harmony]} | {b:.1f} | {n:.1f} | {b / n:.2f}x |")
'
