#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each of them, one after
# the other in a single process each.
#   scripts/fuzz.sh                  a short smoke run (CI): 20,000 runs or 20 s per target
#   scripts/fuzz.sh 1000000          at least a million executions per target
#   scripts/fuzz.sh 1000000 profile  only the named targets (fuzz_profile here)
# A finding stops the script with the crash input kept in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20000}
# The smoke run also stops each target after 20 s, so that CI stays within two minutes
# whatever the machine; a count given on the command line is run to the end.
limit=()
[ $# -eq 0 ] && limit=(-max_total_time=20)
shift || true
started=$(date +%s)
scripts/deps.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
all=$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
targets=()
if [ $# -gt 0 ]; then
    for name in "$@"; do targets+=("fuzz_${name#fuzz_}"); done
else
    read -r -a targets <<<"$(echo $all)"
fi
cmake -S . -B build-fuzz -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ -DVINDELOR_FUZZ=ON \
    -DVINDELOR_BUILD_TESTS=OFF -DVINDELOR_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
echo "build: $(( $(date +%s) - started )) s"

# A million runs keep up to a few hundred MB in the sanitizer's quarantine and caches;
# the memory limit stays well above that.
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The profile and tariff targets write files on every run; in memory the run measures
# the code, not the disk's fsync.
if [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
mkdir -p build-fuzz/findings
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
    t0=$(date +%s)
    status=0
    QT_QPA_PLATFORM=offscreen "build-fuzz/fuzz/$target" -runs="$runs" "${limit[@]}" -max_len=4096 \
        -print_final_stats=1 -detect_leaks=0 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/"$name"- \
        "$work" >"$work.log" 2>&1 || status=$?
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work.log")
    seconds=$(( $(date +%s) - t0 ))
    printf '%-16s %10s executions in %5d s\n' "$target" "${executed:-?}" "$seconds"
    if [ "$status" -ne 0 ]; then
        grep -E 'ERROR|SUMMARY|runtime error' "$work.log" | head -n 5 || true
        tail -n 40 "$work.log"
        echo "!! $target found a fault (exit $status); input in build-fuzz/findings/"
        exit 1
    fi
    rm -rf "$work" "$work.log"
done
echo "total: $(( $(date +%s) - started )) s"
