#!/usr/bin/env bash
# Builds the suite and runs every test: the normal build, then the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

cmake -S . -B build -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build -j "$jobs"
# Twice as many tests as processors at a time: the longest end-to-end tests spend most
# of a minute waiting for a session's first charged minute, and with one per processor
# the rest of the suite waited behind them.
(cd build && ctest --output-on-failure -j "$((jobs * 2))" --timeout 300)

if [ "${VINDELOR_SKIP_SANITIZERS:-0}" != "1" ]; then
    cmake -S . -B build-asan -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
        -DVINDELOR_SANITIZE=ON -DVINDELOR_BUILD_BENCH=OFF
    cmake --build build-asan -j "$jobs"
    # LeakSanitizer is on; tests/lsan.supp holds the findings that are another library's
    # own, each with its reason. verify_asan_link_order=0: the device tests preload
    # umockdev's library ahead of the sanitizer runtime, which is harmless for them.
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 \
        LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs" --timeout 600)
fi
