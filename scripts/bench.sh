#!/usr/bin/env bash
# Builds the benchmark programs (RelWithDebInfo, the build the packages ship) and runs them
# one after the other, then prints one table of the figures against their targets.
#   scripts/bench.sh            the full run: about four minutes, two of them the 60 s
#                               process measurements
#   scripts/bench.sh --quick    10 s process measurements instead of 60 s
# The raw output of every program is kept in build-bench/bench-output/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
[ "${1:-}" = "--quick" ] && seconds=10
build=${VINDELOR_BENCH_BUILD:-build-bench}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVINDELOR_BUILD_TESTS=OFF -DVINDELOR_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target bench_profile bench_probe bench_viewer bench_session \
    bench_netif bench_datacount vindelor simdialer emptyqt >/dev/null

out="$build/bench-output"
rm -rf "$out"
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
for b in profile probe viewer; do
    echo "== bench_$b"
    "$build/bench/bench_$b" | tee "$out/$b.txt"
done
echo "== bench_session (2 x $seconds s)"
"$build/bench/bench_session" --seconds "$seconds" | tee "$out/session.txt" || true
# A network namespace of its own takes root (or CAP_SYS_ADMIN).
if [ "$(id -u)" -eq 0 ]; then
    echo "== bench_netif (5 rounds, $seconds s idle)"
    "$build/bench/bench_netif" --seconds "$seconds" | tee "$out/netif.txt" || true
    echo "== bench_datacount (1 GB through a veth pair)"
    "$build/bench/bench_datacount" | tee "$out/datacount.txt" || true
else
    echo "== bench_netif skipped: it needs root to make a network namespace" | tee "$out/netif.txt"
fi

# First number captured by a sed expression in a file, or "?".
fig() {
    local v
    v=$(sed -nE "$2" "$out/$1.txt" | head -n 1)
    echo "${v:-?}"
}
# "met" when value < target, "MISSED" when not, "?" when the figure is missing.
verdict() {
    awk -v v="$1" -v t="$2" 'BEGIN { if (v == "?") print "?"; else if (v + 0 < t + 0) print "met"; else print "MISSED" }'
}
row() {  # what, figure, unit, target, target text
    printf '%-52s %12s %-8s %-12s %s\n' "$1" "$2" "$3" "$5" "$(verdict "$2" "$4")"
}

read_all=$(fig profile 's/^read all key by key:.*warm median ([0-9.]+) ms.*/\1/p')
append=$(fig profile 's/^append one line: *median ([0-9.]+) ms.*/\1/p')
naive=$(fig profile 's/^naive read all key by key: ([0-9.]+) ms.*/\1/p')
ratio=$(fig profile 's/^ratio naive \/ cached \(warm\): ([0-9.]+) x.*/\1/p')
delete=$(fig viewer 's/^deleting every second line .*median +([0-9.]+) ms.*/\1/p')
listing=$(fig viewer 's/^listing \(start-up steps 2-5\) .*median +([0-9.]+) ms.*/\1/p')
months=$(fig viewer 's/^brusko --months .*median +([0-9.]+) ms.*/\1/p')
months_listed=$(fig viewer 's/^months table of the listed lines .*median +([0-9.]+) ms.*/\1/p')
export_csv=$(fig viewer 's/^CSV export of the listed lines .*median +([0-9.]+) ms.*/\1/p')
export_json=$(fig viewer 's/^JSON export of the listed lines .*median +([0-9.]+) ms.*/\1/p')
idle_probe=$(fig probe 's/^idle probe.*median ([0-9.]+) us.*/\1/p')
busy_probe=$(fig probe 's/^busy probe.*median ([0-9.]+) us.*/\1/p')
res() {  # name field (2 cpu, 3 rss, 4 wake-ups)
    local v
    v=$(awk -v n="$1" -v f="$2" '$1 == "RESULT" && $2 == n { print $(f + 1) }' "$out/session.txt")
    echo "${v:-?}"
}

echo
echo "Figures on $(nproc) processors ($(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)):"
printf '%-52s %12s %-8s %-12s %s\n' "measurement" "figure" "unit" "target" "verdict"
row "read every line of a 31,999-line log key by key" "$read_all" ms 100 "< 100 ms"
row "append one line to it" "$append" ms 50 "< 50 ms"
row "log viewer: delete every second line" "$delete" ms 1000 "< 1000 ms"
printf '%-52s %12s %-8s\n' "log viewer: the listing of it (for comparison)" "$listing" ms
row "log viewer: months table of its listed lines" "$months_listed" ms 100 "< 100 ms"
row "log viewer: CSV export of its listed lines" "$export_csv" ms 100 "< 100 ms"
row "log viewer: JSON export of its listed lines" "$export_json" ms 100 "< 100 ms"
row "brusko --months, the file read included" "$months" ms 300 "< 300 ms"
printf '%-52s %12s %-8s %-12s %s\n' "same read through a parse-on-every-read service" "$naive" ms "" "ratio ${ratio} x"
row "port probe, idle (open, threads, close), median" "$idle_probe" us 1000 "< 1000 us"
row "port probe, failing on a held port, median" "$busy_probe" us 50 "< 50 us"
row "vindelor during a session, CPU of one core" "$(res session 2)" % 2 "< 2 %"
row "vindelor idle polling, CPU of one core" "$(res idle 2)" % 0.0301 "<= 0.03 %"
row "vindelor resident memory in a session" "$(res session 3)" MB 60 "< 60 MB"
row "vindelor resident memory idle" "$(res idle 3)" MB 60 "< 60 MB"
printf '%-52s %12s %-8s %-12s %s\n' "emptyqt (floor, 20 ms tick): CPU of one core" "$(res floor 2)" % "" ""
ratio_floor=$(awk '$1 == "RESULT" && $2 == "ratio" { print $3 }' "$out/session.txt")
row "vindelor session / floor, same minute" "${ratio_floor:-?}" x 1.201 "<= 1.2 x"
printf '%-52s %12s %-8s\n' "a second floor / floor, same minute (the spread)" "$(res spread 2)" x
row "port let go -> session end noticed, median" "$(res end-all 2)" ms 25 "< 25 ms"
row "port let go -> session end noticed, max" "$(res end-all 3)" ms 40 "< 40 ms"
printf '%-52s %12s %-8s\n' "port let go -> session closed and stored, median / max" \
    "$(res closed-all 2) / $(res closed-all 3)" ms
printf '%-52s %12s %-8s %-12s %s\n' "emptyqt (floor): resident memory" "$(res floor 3)" MB "" ""
printf '%-52s %12s %-8s\n' "wake-ups per second: session / idle / floor" \
    "$(res session 4) / $(res idle 4) / $(res floor 4)" "1/s"
net() {  # name field (as in the RESULT line)
    local v
    v=$(awk -v n="$1" -v f="$2" '$1 == "RESULT" && $2 == n { print $(f + 1) }' "$out/netif.txt")
    echo "${v:-?}"
}
printf '%-52s %12s %-8s\n' "interface up -> session started, median / max" \
    "$(net delay-up 1) / $(net delay-up 2)" ms
printf '%-52s %12s %-8s\n' "interface down -> session ended, median / max" \
    "$(net delay-down 1) / $(net delay-down 2)" ms
printf '%-52s %12s %-8s\n' "idle CPU of one core: interface / serial port" \
    "$(net idle-netif 1) / $(net idle-serial 1)" %
printf '%-52s %12s %-8s\n' "idle wake-ups per second: interface / serial port" \
    "$(net idle-netif 3) / $(net idle-serial 3)" 1/s
