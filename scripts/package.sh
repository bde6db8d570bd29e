#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it with lintian (an error fails), installs
# it on this machine with apt-get, runs the three programs from /usr/bin, validates the
# desktop files, the AppStream metadata and the systemd user unit, then removes the package
# again and checks that it left nothing under /usr. Needs root or sudo; meant for a
# development or CI machine (an installed vindelor package is replaced and then purged).
#
#   VINDELOR_PACKAGE_DIR=build-package   where to build (default build-package)
#   VINDELOR_PACKAGE_KEEP=1              leave the package installed at the end
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

step() { printf '\n== %s\n' "$*"; }
fail() {
    echo "package.sh: FAILED: $*" >&2
    exit 1
}

# What the build needs, then what only packaging and its checks need: dpkg-shlibdeps
# (dpkg-dev) finds the libraries' packages, and CPack asks file(1) which files are ELF.
scripts/deps.sh
tools=(dpkg-dev file desktop-file-utils appstream)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    step "Installing ${missing[*]}"
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" ||
        { $SUDO apt-get update -q && $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; }
fi

step "Building the package"
build="${VINDELOR_PACKAGE_DIR:-build-package}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# A package installs under /usr, and the systemd unit names that path. A build directory
# that already exists (CI packages the tree its tests ran on) is used as it is configured,
# as long as it installs under /usr.
if [ -f "$build/CMakeCache.txt" ]; then
    grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' "$build/CMakeCache.txt" ||
        fail "$build is not configured with CMAKE_INSTALL_PREFIX=/usr"
    grep -qx 'VINDELOR_SANITIZE:BOOL=OFF' "$build/CMakeCache.txt" ||
        fail "$build is a sanitizer build"
else
    cmake -S . -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX=/usr -DVINDELOR_BUILD_TESTS=OFF -DVINDELOR_BUILD_BENCH=OFF \
        -DVINDELOR_SANITIZE=OFF -DVINDELOR_FUZZ=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
build=$(cd "$build" && pwd)
rm -f "$build"/vindelor_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || {
    cat "$build/cpack.log" >&2
    fail "cpack"
}
deb=$(ls "$build"/vindelor_*.deb)
echo "$deb"
dpkg-deb --field "$deb"
depends=$(dpkg-deb --field "$deb" Depends)
depends_names=$(tr ',|' '\n' <<<"$depends" | awk '{print $1}')
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 qt6-qpa-plugins \
    qt6-translations-l10n libxlsxwriter4; do
    grep -qxF "$needed" <<<"$depends_names" || fail "Depends lacks $needed: $depends"
done
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|')
for path in /usr/bin/vindelor /usr/bin/brusko /usr/bin/ristola \
    /usr/share/applications/vindelor.desktop /usr/share/applications/brusko.desktop \
    /usr/share/applications/ristola.desktop /usr/share/metainfo/fi.vindelor.Vindelor.metainfo.xml \
    /usr/share/man/man1/vindelor.1.gz /usr/share/man/man1/brusko.1.gz \
    /usr/share/man/man1/ristola.1.gz /usr/lib/systemd/user/vindelor.service \
    /usr/share/vindelor/vindelor-autostart.desktop /usr/share/doc/vindelor/copyright \
    /usr/share/doc/vindelor/changelog.gz; do
    grep -qx "$path" <<<"$contents" || fail "the package lacks $path"
done
# Nothing of the build tree or the development tools may ride along.
unexpected=$(grep -E '^/usr/(bin|lib|share)/.+[^/]$' <<<"$contents" |
    grep -vE '^/usr/bin/(vindelor|brusko|ristola)$|^/usr/share/(applications|metainfo|man|vindelor)/|^/usr/share/doc/vindelor/(copyright|changelog\.gz)$|^/usr/share/icons/hicolor/[0-9]+x[0-9]+/apps/(vindelor|brusko)\.png$|^/usr/lib/systemd/user/vindelor\.service$' ||
    true)
[ -z "$unexpected" ] || fail "unexpected files in the package: $unexpected"

# Debian's own checks of the package: an error fails, warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian $deb"
echo "lintian: no errors"

step "Installing it"
snapshot() { find /usr -xdev \( -type f -o -type l \) 2>/dev/null | LC_ALL=C sort; }
before=$(mktemp)
after=$(mktemp)
work=$(mktemp -d)
xvfb_pid=""
installed=0
cleanup() {
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$before" "$after" "$work"
    # A failed check must not leave the package on the machine.
    if [ "$installed" = 1 ] && [ "${VINDELOR_PACKAGE_KEEP:-0}" != "1" ]; then
        echo "Removing the package after the failure"
        $SUDO apt-get purge -y -q vindelor >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT
if dpkg-query -W -f='${Status}' vindelor 2>/dev/null | grep -q "install ok installed"; then
    echo "Removing an earlier vindelor package first"
    $SUDO apt-get purge -y -q vindelor >/dev/null
fi
snapshot >"$before"
$SUDO apt-get install -y -q --no-install-recommends "$deb" ||
    { $SUDO apt-get update -q && $SUDO apt-get install -y -q --no-install-recommends "$deb"; }
installed=1
dpkg-query -W -f='${Status} ${Version}\n' vindelor

step "Running the installed programs"
export QT_QPA_PLATFORM=offscreen
export VINDELOR_DIR="$work/data"
mkdir -m 700 "$VINDELOR_DIR"
version=$(/usr/bin/vindelor --version)
echo "$version"
[[ "$version" == vindelor\ * ]] || fail "vindelor --version printed: $version"

# A small log and its totals, as Vindelor writes them (Windows-1252, CR LF).
printf '%s\r\n' '[Nättid]' '1=06.12.2026 14:05:09-00:12:00^   1.2000' \
    '2=07.12.2026 09:00:00-+FAILED+^   0.0000' |
    iconv -f UTF-8 -t WINDOWS-1252 >"$VINDELOR_DIR/Vindelor.log"
printf '%s\r\n' '[Språk]' 'Språk=UK' '[Nättid]' 'Totalt=00:12:00' '[Kostnad]' 'Totalt=1.2000' |
    iconv -f UTF-8 -t WINDOWS-1252 >"$VINDELOR_DIR/Vindelor.ini"
listing=$(/usr/bin/brusko --list)
echo "$listing"
grep -qP '^06\.12\.2026\t14:05:09\t00:12:00\t +1\.2000$' <<<"$listing" ||
    fail "brusko --list did not list the first log line"
grep -qP '^07\.12\.2026\t09:00:00\t\+FAILED\+' <<<"$listing" ||
    fail "brusko --list did not list the failed try"
grep -q '^Total time: 00:12:00$' <<<"$listing" || fail "brusko --list did not print the totals"

# One version: what the programs print is what the man pages, the metadata and the
# changelog say, all made from the top CMakeLists.txt.
display=${version#vindelor }
package_version=$(dpkg-query -W -f='${Version}' vindelor)
for page in vindelor brusko ristola; do
    zcat "/usr/share/man/man1/$page.1.gz" | sed -n 1p | grep -qF "\"Vindelor $display\"" ||
        fail "man page $page does not name Vindelor $display"
done
grep -qF "<release version=\"$package_version\"" /usr/share/metainfo/fi.vindelor.Vindelor.metainfo.xml ||
    fail "the metainfo release is not $package_version"
zcat /usr/share/doc/vindelor/changelog.gz | sed -n 1p | grep -qF "vindelor ($package_version)" ||
    fail "the changelog does not start with $package_version"
echo "Version $package_version (Vindelor $display) in the man pages, metadata and changelog"

ristola_help=$(/usr/bin/ristola --help)
echo "$ristola_help" | head -n 2
grep -q '^Usage: ristola' <<<"$ristola_help" || fail "ristola --help"
for program in vindelor brusko ristola; do
    "/usr/bin/$program" --version >/dev/null || fail "$program --version"
    "/usr/bin/$program" --help >/dev/null || fail "$program --help"
done

# The help files are compiled in as Qt resources; their names are stored as UTF-16.
utf16() { sed 's/./&\\x00/g; s/^/\\x00/; s/\\x00$//; s/\./\\./g' <<<"$1"; }
for program in vindelor brusko; do
    for help in SVindelor SFVindelor UKVindelor; do
        LC_ALL=C grep -qaP "$(utf16 "$help.html")" "/usr/bin/$program" ||
            fail "/usr/bin/$program lacks the help file $help"
    done
done
echo "Help files SVindelor, SFVindelor and UKVindelor are inside vindelor and brusko"

# The windows come up with the platform plugins the package depends on: offscreen, and
# xcb under a virtual X server when one is there. A program still running after 3 s is
# fine (exit status 124 of timeout); a missing plugin ends it at once.
smoke() {
    local status=0
    timeout 3 "$@" >"$work/smoke.out" 2>&1 || status=$?
    if [ "$status" -ne 124 ]; then
        cat "$work/smoke.out" >&2
        fail "$* ended with status $status instead of running"
    fi
}
smoke /usr/bin/brusko
if command -v Xvfb >/dev/null; then
    display=:$((90 + RANDOM % 400))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X${display#:}" ] && break
        sleep 0.1
    done
    QT_QPA_PLATFORM=xcb DISPLAY=$display smoke /usr/bin/brusko
    QT_QPA_PLATFORM=xcb DISPLAY=$display smoke /usr/bin/ristola
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
    echo "brusko and ristola open their windows offscreen and on X"
fi

step "Checking the desktop integration"
for entry in /usr/share/applications/vindelor.desktop /usr/share/applications/brusko.desktop \
    /usr/share/applications/ristola.desktop /usr/share/vindelor/vindelor-autostart.desktop; do
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
    fi
    # Every entry's program and icon must be there.
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ "$exec_name" = sh ] || command -v "$exec_name" >/dev/null || fail "$entry: no $exec_name"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "$entry: no icon $icon"
done
command -v desktop-file-validate >/dev/null && echo "desktop-file-validate: the four entries are valid"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net /usr/share/metainfo/fi.vindelor.Vindelor.metainfo.xml ||
        fail "appstreamcli validate"
fi
for size in 16 22 24 32 48 64 128 256; do
    for icon in vindelor brusko; do
        png="/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
        file "$png" | grep -q "PNG image data, $size x $size," || fail "$png: $(file -b "$png")"
    done
done
echo "hicolor icons: vindelor and brusko at 16 ... 256 pixels"
unit=/usr/lib/systemd/user/vindelor.service
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
[ "$exec_start" = /usr/bin/vindelor ] || fail "$unit starts $exec_start"
grep -qx 'Restart=always' "$unit" || fail "$unit does not restart"
if command -v systemd-analyze >/dev/null; then
    # Only warnings about this unit count; the machine's own units are none of ours.
    verify=$(systemd-analyze verify "$unit" 2>&1 || true)
    if grep -i vindelor <<<"$verify" | grep -qv 'graphical-session'; then
        echo "$verify" >&2
        fail "systemd-analyze verify $unit"
    fi
    echo "systemd-analyze verify: the user unit is sound"
fi
if command -v man >/dev/null; then
    for page in vindelor brusko ristola; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l \
            "/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null || true)
        [ -z "$warnings" ] || fail "man page $page: $warnings"
    done
    echo "man pages render without warnings"
fi

if [ "${VINDELOR_PACKAGE_KEEP:-0}" = "1" ]; then
    step "Done; the package stays installed ($deb)"
    exit 0
fi

step "Removing it"
owned=$(dpkg -L vindelor | LC_ALL=C sort)
$SUDO apt-get purge -y -q vindelor
installed=0
if dpkg-query -W -f='${Status}' vindelor 2>/dev/null | grep -q installed; then
    fail "vindelor is still installed"
fi
left=""
while read -r path; do
    [ -n "$path" ] && [ ! -d "$path" ] && [ -e "$path" ] && left+="$path"$'\n'
done <<<"$owned"
[ -d /usr/share/vindelor ] && left+="/usr/share/vindelor"$'\n'
# Anything new under /usr that no package owns, except the caches that desktop triggers
# rebuild for everyone.
snapshot >"$after"
while read -r path; do
    [ -z "$path" ] && continue
    case "$path" in
        */icon-theme.cache | */mimeinfo.cache | */__pycache__/*) continue ;;
    esac
    dpkg-query -S "$path" >/dev/null 2>&1 || left+="$path"$'\n'
done < <(LC_ALL=C comm -13 "$before" "$after")
[ -z "$left" ] || fail "left behind under /usr:"$'\n'"$left"
echo "Removed; nothing of it is left under /usr."
step "Package OK: $deb"
