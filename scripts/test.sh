#!/usr/bin/env bash
# Builds the suite and runs every test: the normal build, then the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# ccache takes a file compiled with the precompiled headers only when told that their
# macros and times are not the file's own.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime

# Debugging information as line tables only (-g1): stack traces, the sanitizers' and
# gdb's, keep their functions, files and lines, and the builds take a quarter less time.
cmake -S . -B build -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
    -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build -j "$jobs"
# Twice as many tests as processors at a time: the longest end-to-end tests spend most
# of a minute waiting for a session's first charged minute, and with one per processor
# the rest of the suite waited behind them.
(cd build && ctest --output-on-failure -j "$((jobs * 2))" --timeout 300)

if [ "${VINDELOR_SKIP_SANITIZERS:-0}" != "1" ]; then
    cmake -S . -B build-asan -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
        "-DCMAKE_CXX_FLAGS_DEBUG=-g1" \
        -DVINDELOR_SANITIZE=ON -DVINDELOR_BUILD_BENCH=OFF
    cmake --build build-asan -j "$jobs"
    # As many tests at a time as above, for the same reason. LeakSanitizer is on;
    # tests/lsan.supp holds the findings that are another library's own, each with its
    # reason. verify_asan_link_order=0: the device tests preload
    # umockdev's library ahead of the sanitizer runtime, which is harmless for them.
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 \
        LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j "$((jobs * 2))" --timeout 600)
fi
