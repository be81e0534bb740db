#!/usr/bin/env bash
# CPU of the whole program while the keyboard page shows a moving effect, and
# while its window is closed to the tray: the program on the simulated
# keyboard under Xvfb with a tray (trayer), the keyboard running the wave
# (mode 1) at speed 4 from a profile chosen in the page's list. Prints both
# figures in percent of one core, each over the same length of time.
#
# Usage: bench/keyboard/preview_cpu.sh [--seconds N] [--build DIR]   (default 30, build/plain)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=30
build="$root/build/plain"
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds=$2; shift 2 ;;
        --build) build=$(cd "$2" && pwd); shift 2 ;;
        --inner) inner=1; shift ;;
        *) echo "usage: $0 [--seconds N] [--build DIR]" >&2; exit 2 ;;
    esac
done
if [ -z "${inner:-}" ]; then
    command -v trayer >/dev/null || { echo "needs trayer (closing the window hides it only with a tray)" >&2; exit 1; }
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" --inner --seconds "$seconds" --build "$build"
fi

ctl="$build/bin/veldmarkctl"
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
    HOME="$work/home" VELDMARK_HID=sim:keyboard VELDMARK_DESKTOP_SETTINGS=none \
    VELDMARK_INSTANCE="veldmark_kbcpu_$$"
mkdir -p "$work/data" "$work/config" "$work/home"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
app=""
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
tray=$!
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null || true
    kill "$tray" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
ui() { "$ctl" ui "$1" --page keyboard "${@:2}"; }
start() {
    "$build/bin/veldmark" >>"$work/app.log" 2>&1 &
    app=$!
    for _ in $(seq 100); do
        [ "$(ui get polling_rate_option_3 selected 2>/dev/null)" = true ] && return
        sleep 0.1
    done
    echo "the keyboard page did not come up" >&2
    exit 1
}
stop() { kill -TERM "$app"; wait "$app" || true; app=""; }
. "$root/bench/cpu_windows.sh"
measure() {
    local m low high w
    read -r m low high w < <(cpu_windows "$app" "$seconds" 5)
    printf '%.2f %% of one core (median of 5 windows, %.2f-%.2f)\n' "$m" "$low" "$high"
}

# A profile with the wave at the fastest speed, made once and chosen in the page.
start
stop
"$ctl" profile export keyboard "$work/fast.json" >/dev/null
python3 -c '
import json, sys
doc = json.load(open(sys.argv[1]))
doc["profilename"] = "Fast"
doc["Device"][0]["LightInfo"].update({"SelectItem": 1, "Speed": 4, "MultiColor": 1})
json.dump(doc, open(sys.argv[1], "w"))' "$work/fast.json"
"$ctl" profile import keyboard "$work/fast.json" >/dev/null
start
ui set device_profile_combo cursel 1
sleep 2
echo "keyboard record: $("$ctl" sim memory keyboard params | head -1)"
echo "shown:  $(measure)"
"$ctl" ui click closebtn
sleep 1
echo "hidden: $(measure)"
