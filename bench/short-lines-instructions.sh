#!/bin/sh
# Instructions per expression of the short lines of ShortLines.h evaluated as one sheet by vell-eval,
# counted by callgrind. The whole process is counted at --repeat A and at --repeat B; the difference,
# divided by (B - A) times the number of lines, leaves out the start (reading the input, ICU's data,
# the unit tables built on first use). Each repetition of --repeat evaluates the sheet afresh, without
# the cache of a previous evaluation, and formats every answer. Run from the top of the tree after a
# build:
#
#   bench/short-lines-instructions.sh [A] [B]        defaults: 10 and 110
#
# BUILD_DIR selects another build folder (default: build).
set -eu
a=${1:-10}
b=${2:-110}
build=${BUILD_DIR:-build}
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count=$(python3 "$here/short-lines-input.py" "$work/input.json")
instructions() {
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.$1" \
        "$build/bin/vell-eval" --repeat "$1" "$work/input.json" >/dev/null 2>&1
    sed -n 's/^summary: //p' "$work/callgrind.$1"
}
first=$(instructions "$a")
second=$(instructions "$b")
echo "$count lines; $first instructions at --repeat $a, $second at --repeat $b"
echo "$(( (second - first) / ((b - a) * count) )) instructions an expression"
