#!/usr/bin/env bash
# Vindelor waiting for a NetworkManager connection: processor time and wake-ups while
# nothing changes. NetworkManager is mocked (python3-dbusmock) on a private bus that
# stands in for the system bus; nothing of the machine's own is touched.
#
#   bench/bench_nm_idle.sh BUILD_DIR [SECONDS]      (default 60 s)
#
# Prints processor time as a share of the wall time (utime + stime of /proc/PID/stat)
# and context switches per second, of the main thread and of all the program's threads.
set -euo pipefail
build=${1:?build directory}
seconds=${2:-60}
work=$(mktemp -d)
bus_pid=""; nm_pid=""; v_pid=""
cleanup() {
    for p in $v_pid $nm_pid $bus_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
dbus-daemon --session --nofork --print-address=1 >"$work/address" &
bus_pid=$!
while [ ! -s "$work/address" ]; do sleep 0.05; done
export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$work/address")
/usr/bin/python3 -m dbusmock --system --template networkmanager &
nm_pid=$!
sleep 2
mkdir "$work/data"
printf '[Avsluta]\r\nVisa=Nej\r\n' >"$work/data/Vindelor.ini"
VINDELOR_DIR="$work/data" VINDELOR_LOCK_DIR="$work" QT_QPA_PLATFORM=offscreen \
    "$build/monitor/vindelor" --nm-connection Mobile >/dev/null &
v_pid=$!
sleep 3  # start-up done
tick=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$v_pid/stat"; }
switches() {  # main thread, all threads
    awk '/ctxt_switches/ {s += $2} END {print s}' "/proc/$v_pid/status"
    cat /proc/"$v_pid"/task/*/status | awk '/ctxt_switches/ {s += $2} END {print s}'
}
c0=$(cpu); read -r m0 a0 < <(switches | paste -sd' ')
sleep "$seconds"
c1=$(cpu); read -r m1 a1 < <(switches | paste -sd' ')
awk -v c="$((c1 - c0))" -v t="$tick" -v s="$seconds" -v m="$((m1 - m0))" -v a="$((a1 - a0))" \
    -v th="$(ls /proc/$v_pid/task | wc -l)" 'BEGIN {
    printf "RESULT idle-nm %.3f %% cpu, %.2f wake-ups/s main thread, %.2f all %d threads\n",
        100 * c / t / s, m / s, a / s, th }'
