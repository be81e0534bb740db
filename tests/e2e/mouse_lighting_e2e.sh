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

. "$(dirname "$0")/e2e_lib.sh"
e2e_session --needs python3 VELDMARK_HID=sim:mouse -- "$@"

ui() { "$ctl" ui "$1" --page mouse "${@:2}"; }
# The settings record of profile 0: mode, brightness, 4 - speed, Fx, multi-colour, red, green, blue.
record() { bytes_at "$("$ctl" sim memory mouse params)" 1 8; }
mode_byte() { bytes_at "$("$ctl" sim memory mouse params)" 1 1; }
# The lights of the last frame the mouse received, one "r g b" a light, joined by commas.
lights() { "$ctl" sim frames mouse | tail -n +2 | paste -sd,; }

start_app 320 "show the mouse page" ui get DPI_slider_0 max
profile=$(profile_in "$(device_folder mouse)")
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

finish
