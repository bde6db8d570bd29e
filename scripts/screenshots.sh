#!/usr/bin/env bash
# Takes the README's screenshots: each program runs on a virtual X server without a window
# manager, in a temporary data directory, and its window is cut out of a picture of the
# whole screen.
#   vindelor  times a connection of the simulated dialer (a pseudo-terminal as COM1)
#   brusko    lists a log that ends with the line Vindelor has just written
#   ristola   offers to tune up a log of an older version
#   brusko    with three rows chosen, and its months window over a year and more of a log
# Writes docs/screenshots/{vindelor,brusko,ristola,brusko-selection,brusko-months}.png.
# Your own settings are never touched.
#
#   VINDELOR_BUILD_DIR=build   where to build (default build)
#   SHOT_SECONDS=66            how long Vindelor counts before its picture is taken (past
#                              a minute, so the first minute's charge shows)
#   SHOT_LANGUAGE=UK           the language of Brusko's months pictures: S, SF or UK
#   SHOT_ONLY=months           only Brusko's months pictures (to look at another language)
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots

scripts/deps.sh
needed=()
command -v import >/dev/null || needed+=(imagemagick)
command -v xdotool >/dev/null || needed+=(xdotool)
command -v xwininfo >/dev/null || needed+=(x11-utils)
if [ ${#needed[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends \
        "${needed[@]}"
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
build="${VINDELOR_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target vindelor brusko ristola simdialer
build=$(cd "$build" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/vindelor-shots.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "screenshots.sh: $*" >&2
    exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# An X server of our own; no window manager, so the windows have no frames and stay where
# the programs put them.
display=""
for n in $(seq 70 99); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=":$n"
        break
    fi
done
[ -n "$display" ] || fail "no free X display number"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 100 test -e "/tmp/.X11-unix/X${display#:}" || fail "Xvfb did not start"
export DISPLAY=$display
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

export VINDELOR_DIR="$work/data"
export VINDELOR_LOCK_DIR="$work/locks"
mkdir -p "$VINDELOR_LOCK_DIR"
mkdir -m 700 "$VINDELOR_DIR"
mkdir -p "$out"

# The visible window of process $1 (Qt also keeps an unmapped leader window).
window_of() {
    local id
    for id in $(xdotool search --pid "$1" 2>/dev/null); do
        if xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then
            local width
            width=$(xwininfo -id "$id" | awk '/Width:/ {print $2}')
            if [ "$width" -gt 50 ]; then
                echo "$id"
                return 0
            fi
        fi
    done
    return 1
}

# Cuts window $1 out of a picture of the whole screen into $2.
shoot() {
    local id=$1 file=$2 info x y w h
    info=$(xwininfo -id "$id")
    x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    # No metadata chunks (dates), so a picture that did not change stays byte for byte.
    import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip \
        -define png:compression-level=9 "$file"
    echo "$file: ${w}x${h}"
}

to_1252() { iconv -f UTF-8 -t WINDOWS-1252; }

# Earlier sessions, as the log and totals of a user who has been online a few times.
printf '%s\r\n' '[Nättid]' \
    '1=01.12.2026 19:02:11-00:41:07^   4.1000' \
    '2=02.12.2026 08:15:40-00:03:12^   0.7500' \
    '3=03.12.2026 21:30:02-+FAILED+^   0.0000' \
    '4=03.12.2026 21:31:15-01:12:44^   7.2500' \
    '5=05.12.2026 12:00:59-00:18:30^   1.7500' \
    '6=06.12.2026 20:45:16-00:09:51^   1.0000' | to_1252 >"$VINDELOR_DIR/Vindelor.log"
printf '%s\r\n' \
    '[Ports]' 'COM1=/dev/null' \
    '[Modem]' 'Port=COM1' \
    '[Språk]' 'Språk=UK' \
    '[Connect]' 'average=2' \
    '[Charge]' 'per_min=0.25' 'minimi=0' 'valuta=€' \
    '[Session]' 'Räknare=Nej' '<1min=Ja' 'Avrundning=Ja' 'Försök=Ja' \
    '[Avsluta]' 'Visa=Nej' \
    '[Refresh]' 'Rate=500' \
    '[Position]' 'Left=40' 'Top=40' \
    '[Nättid]' 'Totalt=02:25:24' \
    '[Kostnad]' 'Totalt=14.8500' | to_1252 >"$VINDELOR_DIR/Vindelor.ini"

if [ "${SHOT_ONLY:-}" != months ]; then
# Vindelor: the dialer takes the pseudo-terminal a second after the start and holds it
# until told on its input.
mkfifo "$work/hold"
"$build/tools/simdialer" --delay 1 --hold stdin --lock-dir "$VINDELOR_LOCK_DIR" \
    <"$work/hold" >"$work/dialer.out" 2>&1 &
pids+=($!)
exec 3>"$work/hold"
wait_for 100 grep -q '^READY' "$work/dialer.out" || fail "the simulated dialer did not start"
device=$(awk '/^READY/ {print $2; exit}' "$work/dialer.out")
sed -i "s|^COM1=.*|COM1=$device\r|" "$VINDELOR_DIR/Vindelor.ini"

"$build/monitor/vindelor" >"$work/vindelor.out" 2>&1 &
vindelor_pid=$!
pids+=("$vindelor_pid")
wait_for 150 grep -q '^Session started' "$work/vindelor.out" ||
    fail "Vindelor saw no connection: $(cat "$work/vindelor.out")"
sleep "${SHOT_SECONDS:-66}"
id=$(window_of "$vindelor_pid") || fail "no Vindelor window"
shoot "$id" "$out/vindelor.png"

# Let go of the port: Vindelor logs the session and ends by itself.
echo release >&3
exec 3>&-
wait_for 150 sh -c "! kill -0 $vindelor_pid 2>/dev/null" || fail "Vindelor did not end"
wait "$vindelor_pid" || fail "Vindelor ended with status $?"
grep -q '^Log line: ' "$work/vindelor.out" || fail "Vindelor logged nothing: $(cat "$work/vindelor.out")"

# Brusko lists the log with the new line at its end.
"$build/viewer/brusko" >"$work/brusko.out" 2>&1 &
brusko_pid=$!
pids+=("$brusko_pid")
wait_for 100 window_of "$brusko_pid" >/dev/null || fail "no Brusko window"
sleep 1
shoot "$(window_of "$brusko_pid")" "$out/brusko.png"
kill "$brusko_pid"

# Ristola asks before it tunes up a log written before 1.12 (lines without a cost).
printf '%s\r\n' '[Nättid]' '1=12.03.1999 18:20:05-00:22:13' '2=14.03.1999 09:01:44-01:05:00' |
    to_1252 >"$VINDELOR_DIR/Vindelor.log"
"$build/converter/ristola" >"$work/ristola.out" 2>&1 &
ristola_pid=$!
pids+=("$ristola_pid")
wait_for 100 window_of "$ristola_pid" >/dev/null || fail "no Ristola window"
sleep 1
shoot "$(window_of "$ristola_pid")" "$out/ristola.png"
kill "$ristola_pid"
fi

# Brusko's months: fourteen months of connections up to today (most days one, some two,
# now and then a failed try), so the charts have a year to show and the estimate a month
# under way.
{
    printf '%s\r\n' '[Nättid]'
    key=1
    for back in $(seq 425 -1 0); do
        day=$(date -d "today - $back days" +%d.%m.%Y)
        for turn in 1 2; do
            pick=$(((back * 7 + turn * 3) % 11))
            [ "$turn" -eq 2 ] && [ "$pick" -gt 3 ] && continue
            [ "$pick" -eq 9 ] && continue
            hour=$((8 + (back * 5 + turn * 7) % 14))
            if [ $(((back + turn) % 29)) -eq 0 ]; then
                printf '%d=%s %02d:%02d:%02d-+FAILED+^   0.2500\r\n' "$key" "$day" "$hour" \
                    $((back % 60)) $((turn * 13 % 60))
            else
                minutes=$((3 + (back * 13 + turn * 17) % 70))
                # The cost field as Vindelor writes it, with a point whatever the locale.
                printf '%d=%s %02d:%02d:%02d-%02d:%02d:%02d^%s\r\n' "$key" "$day" "$hour" \
                    $((back % 60)) $((turn * 13 % 60)) $((minutes / 60)) $((minutes % 60)) \
                    $((back % 60)) "$(LC_ALL=C awk -v m="$minutes" 'BEGIN { printf "%9.4f", m * 0.0825 }')"
            fi
            key=$((key + 1))
        done
    done
} | to_1252 >"$VINDELOR_DIR/Vindelor.log"
# The stored totals of this log, as Vindelor would have added them up: its net time
# summed here, its cost and failed tries by Brusko's own recount.
net_time=$(LC_ALL=C awk -F'[-^]' '/^[0-9]+=/ && $2 !~ /\+/ {
        split($2, t, ":"); s += t[1] * 3600 + t[2] * 60 + t[3]
    } END { printf "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60 }' "$VINDELOR_DIR/Vindelor.log")
LC_ALL=C sed -i "/^\[N.ttid\]/,/^\[/ s/^Totalt=.*/Totalt=$net_time\r/" "$VINDELOR_DIR/Vindelor.ini"
"$build/viewer/brusko" --recalculate >"$work/recount.out" 2>&1 ||
    fail "Brusko could not recount the log: $(cat "$work/recount.out")"
# The file is in Windows-1252: the "å" is one byte, matched as any.
LC_ALL=C sed -i "s/^\\(Spr.k=\\).*/\\1${SHOT_LANGUAGE:-UK}\r/" "$VINDELOR_DIR/Vindelor.ini"
suffix=""
[ "${SHOT_LANGUAGE:-UK}" != UK ] && suffix="-${SHOT_LANGUAGE}"

"$build/viewer/brusko" >"$work/brusko.out" 2>&1 &
brusko_pid=$!
pids+=("$brusko_pid")
wait_for 100 window_of "$brusko_pid" >/dev/null || fail "no Brusko window"
main=$(window_of "$brusko_pid")
sleep 1
# The last three rows chosen (a click in the list, End, then shift and up twice) show
# their subtotal under the list.
xdotool mousemove --window "$main" 120 60 click 1
xdotool key End shift+Up shift+Up
sleep 0.5
shoot "$main" "$out/brusko-selection$suffix.png"

# The months window from the list's menu: copy all, copy chosen, recount, months.
xdotool mousemove --window "$main" 120 150 click 3
sleep 0.5
xdotool key Down Down Down Down Return
months_window() {
    local id
    for id in $(xdotool search --pid "$brusko_pid" 2>/dev/null); do
        [ "$id" = "$main" ] && continue
        if xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then
            local width
            width=$(xwininfo -id "$id" | awk '/Width:/ {print $2}')
            if [ "$width" -gt 400 ]; then
                echo "$id"
                return 0
            fi
        fi
    done
    return 1
}
wait_for 100 months_window >/dev/null || fail "no months window"
sleep 1
shoot "$(months_window)" "$out/brusko-months$suffix.png"
kill "$brusko_pid"
