#!/usr/bin/env bash
# Starts Veldmark on a virtual X display (Xvfb) with the simulated devices,
# waits for its main window, saves a screenshot and ends the program again.
#
#   scripts/headless_screenshot.sh [output.png] [device kind to show]
#
# VELDMARK_HID picks the simulated devices (default: all four, "sim"); with a
# kind (keyboard, mouse, mousepad, headset) that device's page is selected
# before the screenshot. Needs xvfb-run, xwininfo and ImageMagick's import
# (scripts/setup.sh installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/veldmark-screenshot.png}
kind=${2:-}
bin=${VELDMARK_BIN_DIR:-$root/build/plain/bin}
export VELDMARK_HID=${VELDMARK_HID:-sim}
# A name of its own, so a copy running on the real display is not disturbed.
export VELDMARK_INSTANCE=${VELDMARK_INSTANCE:-veldmark_screenshot_$$}

if [ "${VELDMARK_IN_XVFB:-}" != 1 ]; then
    mkdir -p "$(dirname "$out")"
    export VELDMARK_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$(realpath -m "$out")" "$kind"
fi

title="VARNE VK-R20 Mechanical Keyboard"
"$bin/veldmark" &
app=$!
trap 'kill "$app" 2>/dev/null || true' EXIT

for _ in $(seq 1 150); do
    if xwininfo -name "$title" 2>/dev/null | grep -q "IsViewable"; then
        break
    fi
    if ! kill -0 "$app" 2>/dev/null; then
        echo "veldmark ended before its window appeared" >&2
        exit 1
    fi
    sleep 0.1
done
if ! xwininfo -name "$title" 2>/dev/null | grep -q "IsViewable"; then
    echo "the main window did not appear within 15 s" >&2
    exit 1
fi
if [ -n "$kind" ]; then
    # The device may still be arriving: try for a few seconds.
    for _ in $(seq 1 30); do
        if "$bin/veldmarkctl" sim select "$kind" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
fi
sleep 1.5  # let the devices connect and the page settle
import -window "$(xwininfo -name "$title" | awk '/Window id:/ {print $4}')" "$out"
kill -TERM "$app"
wait "$app" || true
trap - EXIT
echo "Started veldmark on a virtual display (VELDMARK_HID=$VELDMARK_HID${kind:+, page: $kind})."
echo "Screenshot of the main window: $out"
