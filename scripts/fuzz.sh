#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each of them.
#   scripts/fuzz.sh            a short smoke run (CI): 20,000 runs per target
#   scripts/fuzz.sh 1000000    at least a million executions per target
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20000}
scripts/deps.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ -DVINDELOR_FUZZ=ON \
    -DVINDELOR_BUILD_TESTS=OFF -DVINDELOR_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target $(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
for target in $(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//'); do
    name=${target#fuzz_}
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
    echo "== $target: $runs runs"
    status=0
    QT_QPA_PLATFORM=offscreen "build-fuzz/fuzz/$target" -runs="$runs" -max_len=4096 \
        -print_final_stats=1 "$work" >"$work.log" 2>&1 || status=$?
    grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' "$work.log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$work.log"
        echo "!! $target found a fault (exit $status)"
        exit 1
    fi
    rm -rf "$work" "$work.log"
done
