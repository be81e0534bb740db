#!/usr/bin/env bash
# Installs every Debian package the project needs that is not installed yet.
# Safe to run again: it does nothing when everything is present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    libjsoncpp-dev libtinyxml2-dev libudev-dev libcurl4-openssl-dev libasound2-dev libpipewire-0.3-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
    xvfb xauth x11-utils imagemagick xdotool
    pipewire pipewire-bin wireplumber
    libglib2.0-dev libxcb1-dev libxcb-xkb-dev
    gsettings-desktop-schemas libglib2.0-bin dbus-daemon dbus-bin dconf-service dconf-gsettings-backend
    x11-xserver-utils
    fonts-noto-core fonts-noto-cjk
)
# Extra packages a caller asks for (for example the kernel test bed's).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
