#!/usr/bin/env bash
# Runs every fuzz target for a while over its seed corpus, with its dictionary.
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]     TARGET: line, sheet, document (default: all three)
# New inputs go to BUILD_DIR/fuzz-work/<target>/corpus, findings to BUILD_DIR/fuzz-work/<target>/; the
# checkout is left as it was. Exits non-zero at the first target that finds a crash, leak or hang.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
seconds="$2"
shift 2
targets=("$@")
((${#targets[@]})) || targets=(line sheet document)

passed=0
for target in "${targets[@]}"; do
    dict="$here/vell.dict"
    [ "$target" = document ] && dict="$here/document.dict"
    work="$build/fuzz-work/$target"
    mkdir -p "$work/corpus"
    echo "fuzz-$target: ${seconds} s"
    # A sheet evaluation stops itself soon after 0.15 s, but one operation on a list of 100,000 items
    # cannot be cut short and runs several times slower under the sanitizers on a busy machine: the
    # timeout catches what does not end. For a closer look at the time, run a target by hand with
    # VELL_FUZZ_SLOW_SECONDS set (see FuzzSupport.h).
    "$build/bin/fuzz-$target" "$work/corpus" "$here/corpus/$target" -dict="$dict" -max_total_time="$seconds" \
        -timeout=10 -max_len=4096 -print_final_stats=1 -artifact_prefix="$work/" 2>"$work/log" ||
        {
            tail -n 60 "$work/log"
            echo "fuzz-$target found a fault; the input is in $work/" >&2
            echo "fuzz: $passed passed, 1 failed"
            exit 1
        }
    grep -E "^(stat::number_of_executed_units|stat::new_units_added)" "$work/log" | sed "s/^/  /"
    passed=$((passed + 1))
done
echo "fuzz: $passed passed, 0 failed"
