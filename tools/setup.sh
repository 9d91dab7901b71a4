#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Only what is missing is installed; nothing else is fetched.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format clang libclang-rt-14-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev python3
    libcdio-dev libcdio-paranoia-dev libsndfile1-dev libuchardet-dev libicu-dev libwavpack-dev
    libflac-dev
    libpulse-dev libdiscid-dev libfontconfig-dev
    pulseaudio pulseaudio-utils
    qt6-base-dev qt6-svg-dev libgl-dev
    xvfb xauth openbox xdotool x11-apps x11-utils imagemagick
    librsvg2-bin desktop-file-utils appstream man-db groff-base
    dbus-daemon playerctl
    at-spi2-core dbus-x11 python3-pyatspi gir1.2-atspi-2.0 fonts-dejavu-core
    fonts-liberation2 fonts-urw-base35
    libxcb-damage0-dev libxcb-xtest0-dev
    time
    debhelper lintian
    qt6-wayland weston
)
# The peers the benchmarks measure the player against.
if [ "${1:-}" = "--bench" ]; then
    packages+=(mpv ffmpeg)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
