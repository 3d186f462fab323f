#!/bin/sh
# Runs every benchmark program pinned to one core, with repetitions, and prints the median, the
# spread and the fastest run of each benchmark. Run from the top of the tree after a build:
#
#   bench/run.sh [CORE] [REPETITIONS]       defaults: core 7, 10 repetitions
#
# STEADY_HEAP=1 keeps freed memory in the process between evaluations (glibc tunables), as the heap
# of a long-running application does; see README.md for why that matters on some machines.
# BUILD_DIR selects another build folder (default: build).
set -eu
core=${1:-7}
repetitions=${2:-10}
build=${BUILD_DIR:-build}
if [ "${STEADY_HEAP:-0}" = 1 ]; then
    GLIBC_TUNABLES=glibc.malloc.trim_threshold=268435456:glibc.malloc.mmap_threshold=33554432
    export GLIBC_TUNABLES
fi
for program in SheetBench ProgramBench PlotBench LineBench SyntaxScanBench EditorKeystrokeBench; do
    [ -x "$build/bin/$program" ] || continue
    taskset -c "$core" "$build/bin/$program" --benchmark_repetitions="$repetitions" \
        --benchmark_report_aggregates_only=true --benchmark_display_aggregates_only=true 2>/dev/null |
        grep -E '_(median|cv|BigO|RMS) '
done
