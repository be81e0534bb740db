#!/usr/bin/env bash
# The mouse's lighting end to end: the program on the simulated mouse under
# Xvfb, driven through veldmarkctl ui, read back through veldmarkctl sim and
# the profile. Each of the nine built-in modes chosen in the lighting editor
# is written into the mouse's settings record and plays on its lights; the
# colour, brightness and speed edits land in their bytes.
#
# Usage: tests/e2e/mouse_lighting_e2e.sh BIN_DIR   (the folder holding veldmark and veldmarkctl)
# VELDMARK_E2E_SHOTS=DIR keeps screenshots of the page for a person to look at.
set -euo pipefail

bin=$(cd "${1:?usage: $0 BIN_DIR}" && pwd)
if [ "${VELDMARK_E2E_INNER:-}" != 1 ]; then
    for tool in xvfb-run python3; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/setup.sh)"; exit 0; }
    done
    work=$(mktemp -d /tmp/veldmark-e2e-XXXXXX)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/data" "$work/config" "$work/home" "$work/run"
    chmod 700 "$work/run"
    env VELDMARK_E2E_INNER=1 VELDMARK_E2E_SHOTS="${VELDMARK_E2E_SHOTS:-}" HOME="$work/home" \
        XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
        VELDMARK_HID=sim:mouse xvfb-run -a "$0" "$bin"
    exit $?
fi

ctl="$bin/veldmarkctl"
ui() { "$ctl" ui "$1" --page mouse "${@:2}"; }
passed=0
failed=0
check() {  # check NAME EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
        echo "ok: $1"
    else
        failed=$((failed + 1))
        echo "FAILED: $1: expected '$2', got '$3'"
    fi
}
bytes_at() {  # bytes_at DUMP OFFSET COUNT: bytes of a `veldmarkctl sim memory` dump
    printf '%s\n' "$1" | python3 -c '
import sys
memory = {}
for line in sys.stdin:
    words = line.split()
    if words and words[0].endswith(":"):
        base = int(words[0][:-1], 16)
        for i, word in enumerate(words[1:]):
            memory[base + i] = word
start, count = int(sys.argv[1]), int(sys.argv[2])
print(" ".join(memory.get(i, "??") for i in range(start, start + count)))' "$2" "$3"
}
wait_for() {  # wait_for WANT COMMAND...: polls (5 s at most), prints what it saw last
    local want=$1 seen=""
    shift
    for _ in $(seq 50); do
        seen=$("$@" 2>/dev/null || true)
        [ "$seen" = "$want" ] && break
        sleep 0.1
    done
    printf '%s' "$seen"
}
shot() {
    [ -n "${VELDMARK_E2E_SHOTS:-}" ] && "$ctl" ui screenshot "$VELDMARK_E2E_SHOTS/$1.png" || true
}
# The settings record of profile 0: mode, brightness, 4 - speed, Fx, multi-colour, red, green, blue.
record() { bytes_at "$("$ctl" sim memory mouse params)" 1 8; }
mode_byte() { bytes_at "$("$ctl" sim memory mouse params)" 1 1; }
# The lights of the last frame the mouse received, one "r g b" a light, joined by commas.
lights() { "$ctl" sim frames mouse | tail -n +2 | paste -sd,; }

"$bin/veldmark" >"$XDG_RUNTIME_DIR/app.log" 2>&1 &
app=$!
stop_app() {
    kill -TERM "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
}
trap stop_app EXIT
if [ "$(wait_for 320 ui get DPI_slider_0 max)" != 320 ]; then
    echo "the program did not show the mouse page"
    cat "$XDG_RUNTIME_DIR/app.log"
    exit 1
fi
folder=$(find "$XDG_DATA_HOME" -maxdepth 2 -type d -name mouse | head -1)
profile=$(find "$folder" -maxdepth 1 -name '*.Json' | head -1)
stored_light() {
    python3 -c '
import json, sys
light = json.load(open(sys.argv[1]))["Device"][0]["LightInfo"]
print(*(light[k] for k in ("SelectItem", "Light", "Speed", "Red", "Green", "Blue")))' "$profile"
}

ui set deng_Op_tab selected 1
# Brightness 2 and speed 1 on the wave, where both can be set; then static,
# in an orange typed into the colour fields.
ui set light_combo_modeSelect cursel 0
check "the speed can be set on the wave" true "$(ui get deng_speed_layout enabled)"
ui set deng_light_slider value 2
ui set deng_speed_slider value 1
ui set light_combo_modeSelect cursel 3
check "static is written into the record" 03 "$(wait_for 03 mode_byte)"
check "static has no speed" false "$(ui get deng_speed_layout enabled)"
for part in R:200 G:100 B:50; do
    ui set "deng_edit_${part%%:*}" text "${part##*:}"
    ui notify "deng_edit_${part%%:*}" killfocus
done
check "mode, brightness, speed (sent as 4 - 1), colour" "03 02 03 00 00 c8 64 32" "$(record)"
check "the profile keeps them" "3 2 1 200 100 50" "$(stored_light)"
check "the logo names the mode" "Whole device: Static" "$(ui get logo tooltip | tail -1)"
shot static
# Every light shows the colour, no two differ.
check "static lights are all alike" 1 "$(lights | tr ',' '\n' | sort -u | wc -l | tr -d ' ')"
check "and lit" true "$([ "$(lights | cut -d, -f1)" != "0 0 0" ] && echo true || echo false)"

# Each built-in mode reaches the record; the moving ones move and off is dark.
for mode in 0 1 2 4 5 6 7 8; do
    ui set light_combo_modeSelect cursel "$mode"
    check "mode $mode is written into the record" "0$mode" "$(wait_for "0$mode" mode_byte)"
    case $mode in
    8)
        check "mode 8 is dark" "0 0 0,0 0 0,0 0 0,0 0 0,0 0 0,0 0 0" \
            "$(wait_for "0 0 0,0 0 0,0 0 0,0 0 0,0 0 0,0 0 0" lights)" ;;
    0 | 1 | 2 | 5 | 6)
        first=$(lights)
        moved() { [ "$(lights)" != "$first" ] && echo moved; }
        check "mode $mode plays" moved "$(wait_for moved moved)" ;;
    esac
done
check "the profile keeps the last mode" 8 "$(stored_light | cut -d' ' -f1)"
shot off

stop_app
trap - EXIT
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
