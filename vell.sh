#!/usr/bin/env bash
# Sets up a Debian 12 machine for Vell, builds it, and then runs the tests or starts the application.
#   ./vell.sh test   install what is missing, build with warnings as errors, run every test (with the
#                    format and layering checks); then build everything again with clang and the address
#                    and undefined-behaviour sanitizers in build-asan, run every test there, and run
#                    each fuzz target for a short while over its corpus
#   ./vell.sh run    install what is missing, build, start Vell
# Both build into build/ with the same settings, so that either reuses what the other built.
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ pkg-config python3 libicu-dev libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev qt6-base-dev qt6-wayland qt6-translations-l10n libgl-dev clang libclang-rt-14-dev
          clang-format lld fonts-dejavu-core fonts-noto-cjk desktop-file-utils)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

# Warnings are errors for the tests and for the application alike: one configuration, built once.
# Line tables (-g1) are all a backtrace or a profile reads, and compile in two thirds of the time of
# full debug information; configure a Debug build to step through the code.
build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
          -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    cmake --build build
}

# Everything under AddressSanitizer and UndefinedBehaviorSanitizer, built with clang (whose warnings
# are errors too): every suite, the Qt ones offscreen, then the fuzz targets of fuzz/ for
# `fuzz_seconds` each. -O1 is what the sanitizers are meant to run at, and line tables are all their
# reports need.
sanitized_checks() {
    local fuzz_seconds=30
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
          -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
          -DVELL_FUZZ=ON -DVELL_BUILD_UI=ON -DVELL_BUILD_BENCH=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    cmake --build build-asan
    QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
    UBSAN_OPTIONS=print_stacktrace=1 fuzz/run.sh build-asan "$fuzz_seconds"
}

case "${1:-}" in
test)
    install_missing
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$(nproc)"
    sanitized_checks
    ;;
run)
    install_missing
    build
    if [ -x build/bin/Vell ]; then
        exec build/bin/Vell
    else
        echo "The Vell window is not built yet; './vell.sh test' runs the engine's tests." >&2
        exit 1
    fi
    ;;
*)
    echo "usage: ./vell.sh test | run" >&2
    exit 2
    ;;
esac
