#!/usr/bin/env bash
# Installs what is missing, builds, and runs Vindelor against a simulated modem: a
# pseudo-terminal stands in for COM1 and a simulated dialer takes it a few seconds after
# the start and holds it for a little over a minute. Vindelor counts the connection and
# ends by itself when the port is free again; then the log and the totals are printed.
#
# Everything happens in a temporary data directory: your own settings and log are never
# touched. Runs on screen when $DISPLAY is set, offscreen otherwise.
#
#   DEMO_HOLD=70   seconds the dialer holds the port (default 70)
#   DEMO_DELAY=3   seconds before the dialer takes it (default 3)
#   DEMO_KEEP=1    keep the temporary data directory
#   VINDELOR_BUILD_DIR=build   where to build
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
build="${VINDELOR_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target vindelor simdialer
build=$(cd "$build" && pwd)

hold=${DEMO_HOLD:-70}
delay=${DEMO_DELAY:-3}
work=$(mktemp -d "${TMPDIR:-/tmp}/vindelor-demo.XXXXXX")
dialer_pid=""
cleanup() {
    [ -n "$dialer_pid" ] && kill "$dialer_pid" 2>/dev/null || true
    if [ "${DEMO_KEEP:-0}" = "1" ]; then
        echo "Data directory kept: $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

export VINDELOR_DIR="$work/data"
export VINDELOR_LOCK_DIR="$work/locks"
mkdir -p "$VINDELOR_DIR" "$VINDELOR_LOCK_DIR"
chmod 700 "$VINDELOR_DIR"
# Qt wants a runtime directory; a root shell or a plain ssh login often has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$work/run"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

# The dialer: a pseudo-terminal taken like pppd does (lock file, open descriptor, TIOCEXCL).
# Its output file exists before it starts: the background job opens it only when it runs.
: >"$work/dialer.out"
"$build/tools/simdialer" --delay "$delay" --hold "$hold" --lock-dir "$VINDELOR_LOCK_DIR" \
    >"$work/dialer.out" 2>&1 &
dialer_pid=$!
device=""
for _ in $(seq 100); do
    device=$(awk '/^READY/ {print $2; exit}' "$work/dialer.out")
    [ -n "$device" ] && break
    sleep 0.1
done
if [ -z "$device" ]; then
    echo "The simulated dialer did not start:" >&2
    cat "$work/dialer.out" >&2
    exit 1
fi

# Our own settings: COM1 is the pseudo-terminal; a short connect time and a charge per
# minute so that the session is charged; no closing message, so the run ends by itself.
printf '%s\r\n' \
    '[Ports]' "COM1=$device" \
    '[Modem]' 'Port=COM1' \
    '[Språk]' 'Språk=UK' \
    '[Connect]' 'average=5' \
    '[Charge]' 'per_min=0.25' 'minimi=0' 'valuta=$' \
    '[Session]' 'Räknare=Nej' '<1min=Ja' 'Avrundning=Ja' 'Försök=Nej' \
    '[Avsluta]' 'Visa=Nej' \
    '[Refresh]' 'Rate=500' \
    | iconv -f UTF-8 -t WINDOWS-1252 >"$VINDELOR_DIR/Vindelor.ini"

if [ -n "${DISPLAY:-}" ]; then
    echo "Vindelor runs on $DISPLAY; COM1 is $device (the dialer takes it in ${delay} s and holds it ${hold} s)."
else
    export QT_QPA_PLATFORM=offscreen
    echo "No display: Vindelor runs offscreen; COM1 is $device (taken in ${delay} s, held ${hold} s)."
fi

status=0
"$build/monitor/vindelor" || status=$?
wait "$dialer_pid" 2>/dev/null || true
dialer_pid=""

echo
echo "Vindelor ended with exit code $status."
echo "Session log ($VINDELOR_DIR/Vindelor.log):"
if [ -f "$VINDELOR_DIR/Vindelor.log" ]; then
    iconv -f WINDOWS-1252 -t UTF-8 "$VINDELOR_DIR/Vindelor.log" | tr -d '\r' | sed 's/^/    /'
else
    echo "    (empty)"
fi
echo "Totals:"
iconv -f WINDOWS-1252 -t UTF-8 "$VINDELOR_DIR/Vindelor.ini" | tr -d '\r' |
    awk '/^\[/ {section=$0} /^Totalt=/ || /^Aktiv=/ {print "    " section " " $0}'
exit "$status"
