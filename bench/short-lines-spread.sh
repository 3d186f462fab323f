#!/bin/sh
# The spread of the engine's time over separate processes: vell-eval --repeat 2000 on the short lines
# of ShortLines.h as one sheet, RUNS times, each a process of its own, and the medians it printed
# (µs per evaluation of the 43 lines), sorted. With a CORE every process is pinned to it. BUILD_DIR
# may name several build folders, separated by spaces: their runs are taken in turn, so that each
# meets the same state of the machine. Run from the top of the tree after a build:
#
#   bench/short-lines-spread.sh [RUNS] [CORE]        default: 30 runs, not pinned
#
# On a virtual machine, a run whose core shares its physical core with other work takes up to twice
# as long (see README.md and CoreShareProbe); this shows how often that happens.
set -eu
runs=${1:-30}
core=${2:-}
builds=${BUILD_DIR:-build}
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/short-lines-input.py" "$work/input.json" >/dev/null
i=0
while [ "$i" -lt "$runs" ]; do
    n=0
    for build in $builds; do
        n=$((n + 1))
        if [ -n "$core" ]; then
            taskset -c "$core" "$build/bin/vell-eval" --repeat 2000 "$work/input.json" 2>&1 >/dev/null
        else
            "$build/bin/vell-eval" --repeat 2000 "$work/input.json" 2>&1 >/dev/null
        fi | sed -n "s/^median \([0-9.]*\) .*/\1/p" >>"$work/times.$n"
    done
    i=$((i + 1))
done
n=0
for build in $builds; do
    n=$((n + 1))
    echo "$build: $(sort -n "$work/times.$n" | tr '\n' ' ')"
done
