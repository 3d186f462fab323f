#!/bin/sh
# Peak memory (maximum resident set) of vell-eval evaluating a generated sheet once, with the other
# sheets offered when --shared is given. Run from the top of the tree after a build:
#
#   bench/peak-memory.sh [LINES] [--shared]        LINES defaults to 10000
#
# BUILD_DIR selects another build folder (default: build).
set -eu
lines=${1:-10000}
shared=${2:-}
build=${BUILD_DIR:-build}
input=$(mktemp)
trap 'rm -f "$input"' EXIT
"$build/bin/SheetBench" --write-input "$lines" $shared >"$input"
/usr/bin/time -v "$build/bin/vell-eval" "$input" 2>&1 >/dev/null | sed -n 's/^\tMaximum resident set size (kbytes): /peak resident kB: /p'
