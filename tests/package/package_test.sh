#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, checks that every file
# is where a desktop looks for it and that the program runs, then removes it
# and checks that nothing of it is left. Root only: it changes the machine,
# and leaves it without the package, as it was before the run.
#
# Usage: package_test.sh SOURCE_DIR OUTPUT_DIR VERSION
set -euo pipefail

source_dir=$1
output_dir=$2
version=$3
package=corvid-player
metainfo_id=io.github.corvidplayer.CorvidPlayer
icon_sizes=(16 32 48 64 128 256)

if [ "$(id -u)" -ne 0 ]; then
    echo "The package test installs a package: it needs root. Skipped." >&2
    exit 77
fi

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

is_installed() {
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'
}

# Purges the package when it is there: at the start, after a run that was cut
# short, and at the end of every run, whatever failed.
remove_package() {
    if dpkg-query -W "$package" >/dev/null 2>&1; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "$package" >/dev/null
    fi
}

if is_installed; then
    echo "$package was installed before this run (left by a run cut short?): removing it first"
fi
remove_package
trap remove_package EXIT

started=$(date +%s)
build_log=$(mktemp)
trap 'remove_package; rm -f "$build_log"' EXIT
if ! "$source_dir/tools/build-deb.sh" "$output_dir" >"$build_log" 2>&1; then
    tail -n 60 "$build_log" >&2
    echo "FAIL: tools/build-deb.sh did not build a clean package" >&2
    exit 1
fi
sed -n '/^lintian/,$p;/^[EWI]: /p' "$build_log"
deb=$(tail -n 1 "$build_log")
echo "built $deb in $(($(date +%s) - started)) s"

architecture=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "${package}_${version}_${architecture}.deb" ] ||
    fail "the package is $(basename "$deb"), not ${package}_${version}_${architecture}.deb"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
    fail "the package's version is $(dpkg-deb -f "$deb" Version), not $version"
# dh_shlibdeps found the libraries the programs link; the Wayland platform
# comes with a Wayland session only, so it is recommended, not required.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6dbus6 libcdio19 libcdio-paranoia2 libpulse0 \
    libsndfile1 libuchardet0 libwavpack1 libflac12 libdiscid0 libqt6network6 libc6; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends does not name $library: $depends"
done
# The build draws every picture; the program loads no SVG renderer.
! grep -q "\blibqt6svg6\b" <<<"$depends" || fail "Depends names libqt6svg6: $depends"
recommends=$(dpkg-deb -f "$deb" Recommends)
for recommended in qt6-wayland fonts-liberation2; do
    grep -q "\b$recommended\b" <<<"$recommends" || fail "Recommends does not name $recommended: $recommends"
done

# Only the package itself is installed: its dependencies are on the machine
# already (tools/setup.sh), so apt-get has nothing to fetch. A dry run shows
# that first, so that the test never reaches for the network.
plan=$(apt-get install -s --no-install-recommends "$deb" 2>&1) || {
    echo "FAIL: apt-get cannot install $deb:"$'\n'"$plan" >&2
    exit 1
}
others=$(sed -n 's/^Inst \([^ ]*\) .*/\1/p' <<<"$plan" | grep -vx "$package" || true)
if [ -n "$others" ]; then
    echo "FAIL: installing the package would also fetch:" $others "(run tools/setup.sh)" >&2
    exit 1
fi
if ! install_log=$(DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "$deb" 2>&1); then
    echo "FAIL: apt-get install $deb:"$'\n'"$install_log" >&2
    exit 1
fi
is_installed || fail "$package is not installed after apt-get install"

expect_file() {
    [ -f "$1" ] || fail "not installed: $1"
}

expect_file /usr/bin/$package
[ -x /usr/bin/$package ] || fail "/usr/bin/$package is not a program"
expect_file /usr/bin/corvid-mci
expect_file /usr/share/applications/$package.desktop
expect_file /usr/share/metainfo/$metainfo_id.metainfo.xml
expect_file /usr/share/icons/hicolor/scalable/apps/$package.svg
for size in "${icon_sizes[@]}"; do
    expect_file "/usr/share/icons/hicolor/${size}x${size}/apps/$package.png"
done
expect_file /usr/share/man/man1/$package.1.gz
expect_file /usr/share/man/man1/corvid-mci.1.gz
expect_file /usr/share/doc/$package/copyright
expect_file /usr/share/doc/$package/changelog.gz

# As the desktop and the user find them: the program on the PATH, the entry
# valid, the pages through man's own search.
answer=$(cd / && env -i PATH=/usr/bin:/bin HOME=/nonexistent $package --version) ||
    fail "$package --version failed"
[ "$answer" = "Corvid Player $version" ] || fail "$package --version said '$answer'"
output=$(desktop-file-validate /usr/share/applications/$package.desktop 2>&1) ||
    fail "desktop-file-validate: $output"
[ -z "$output" ] || fail "desktop-file-validate complained: $output"
for page in $package corvid-mci; do
    found=$(man -w "$page" 2>/dev/null) || found=""
    [ "$found" = "/usr/share/man/man1/$page.1.gz" ] || fail "man finds '$found' for $page"
done
grep -q "<release version=\"$version\"" /usr/share/metainfo/$metainfo_id.metainfo.xml ||
    fail "the installed metainfo has no release $version"

# Every file and link the package put on the machine, for the check after removal.
mapfile -t installed < <(dpkg -L "$package")
apt_log=$(DEBIAN_FRONTEND=noninteractive apt-get purge -y "$package" 2>&1) ||
    fail "apt-get purge $package: $apt_log"
dpkg-query -W "$package" >/dev/null 2>&1 && fail "dpkg still knows $package after the purge"
left=0
for path in "${installed[@]}"; do
    # The folders it shares with the system stay; the files and its own folders go.
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        case $path in
        */$package | */$package/*) [ -e "$path" ] && fail "left behind: $path" ;;
        esac
        continue
    fi
    if [ -e "$path" ] || [ -L "$path" ]; then
        fail "left behind: $path"
        left=$((left + 1))
    fi
done
echo "checked ${#installed[@]} paths of the package gone"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "Built, installed, checked and removed $(basename "$deb") in $(($(date +%s) - started)) s."
