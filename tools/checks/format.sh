#!/usr/bin/env bash
# Checks that every C++ source of the tree is as clang-format leaves it (.clang-format at the top).
#   tools/checks/format.sh [CLANG_FORMAT]     default: clang-format from PATH
# Names each file that differs and exits non-zero; `clang-format -i FILE` mends one.
set -euo pipefail
cd "$(dirname "$0")/../.."
clang_format="${1:-clang-format}"
mapfile -t files < <(find VellKit VellUI VellCalc tools tests bench fuzz -type f \
                          \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) | sort)
if ((${#files[@]} == 0)); then
    echo "format: no sources found under $(pwd)" >&2
    exit 2
fi
if ! "$clang_format" --dry-run -Werror "${files[@]}"; then
    echo "format: the files named above differ from clang-format's layout; run clang-format -i on them" >&2
    exit 1
fi
echo "format: ${#files[@]} files as clang-format leaves them"
