#!/usr/bin/env bash
# Installs what is missing, builds, and starts Veldmark on the simulated devices
# (real devices are used instead when VELDMARK_HID is set to something else).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" plain
export VELDMARK_HID=${VELDMARK_HID:-sim}
bin="$root/build/plain/bin"

if [ -x "$bin/veldmark" ]; then
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec "$bin/veldmark"
    fi
    echo "No display found: starting the window on a virtual display and saving a screenshot."
    exec "$root/scripts/headless_screenshot.sh" "$root/build/veldmark-screenshot.png"
fi

echo "Simulated devices (VELDMARK_HID=$VELDMARK_HID):"
"$bin/veldmarkctl" list
for kind in keyboard mousepad headset; do
    echo
    "$bin/veldmarkctl" info "$kind"
done
