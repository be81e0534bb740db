#!/usr/bin/env bash
# Lighting end to end: the program on all four simulated devices under Xvfb,
# driven only through veldmarkctl ui, read back through veldmarkctl sim and
# the profiles.
#
# On the mousepad: static in a typed colour is saved in the profile and the
# pad's frames carry that colour at the mode's brightness; breathing makes the
# frames change; a step file imported with veldmarkctl effect is refused
# with its line when a value is out of range, else listed at once in the
# running page's effect list and played. Every other page takes a mode and a preset colour into its
# profile and its device. Then "deng_same_mode" on the keyboard puts every
# device in the group (each entry shows its mark), the pad's frames follow the
# keyboard's colour and breathe with it, and editing the pad's brightness
# takes the pad, and only the pad, out of the group.
#
# Usage: tests/e2e/lighting_e2e.sh BIN_DIR [SHOT_DIR]
# With SHOT_DIR the keyboard page and the mousepad page in the group are kept
# as keyboard-lighting.png and mousepad-sync.png for a person to look at.
set -euo pipefail

shots=${2:-}
if [ -n "$shots" ]; then
    mkdir -p "$shots"
    shots=$(cd "$shots" && pwd)
fi
. "$(dirname "$0")/e2e_lib.sh"
e2e_session --usage "BIN_DIR [SHOT_DIR]" --needs python3 --screen 1600x1000x24 \
    VELDMARK_HID=sim:keyboard,mouse,mousepad,headset -- "${1:-}" "$shots"
shot_dir=$shots

ui() { "$ctl" ui "$1" --page "$2" "${@:3}"; }
stored_light() {  # stored_light FOLDER: mode, brightness, red, green, blue of its profile
    python3 -c '
import json, sys
light = json.load(open(sys.argv[1]))["Device"][0]["LightInfo"]
print(*(light[k] for k in ("SelectItem", "Light", "Red", "Green", "Blue")))' "$(profile_in "$1")"
}
# The pad's last frame: one "r g b" a light, joined by commas.
pad_lights() { "$ctl" sim frames mousepad | tail -n +2 | paste -sd,; }
pad_first() { "$ctl" sim frames mousepad | sed -n 2p; }
# Every light of the pad shows "$1".
pad_all() { pad_lights | tr ',' '\n' | sort -u | paste -sd,; }
mark() { ui get "$1" synchro_device_select selected; }

launch_app
for kind in keyboard mouse mousepad headset; do
    expect_ready true "list the $kind" ui get "$kind" device_select visible
done
data=$(find "$XDG_DATA_HOME" -mindepth 1 -maxdepth 1 -type d | head -1)
sleep 1  # each entry connects its device 500 ms after it is listed

# --- the mousepad on its own -----------------------------------------------------------------
ui click mousepad device_select
check "the pad's editor lists its nine modes" 9 "$(ui get mousepad light_combo_modeSelect items | wc -l | tr -d ' ')"
ui set mousepad light_combo_modeSelect cursel 3
for part in R:255 G:64 B:0; do
    ui set mousepad "deng_edit_${part%%:*}" text "${part##*:}"
    ui notify mousepad "deng_edit_${part%%:*}" killfocus
done
ui set mousepad deng_light_slider value 3
check "the pad's profile keeps static, brightness 3, the colour" "3 3 255 64 0" \
    "$(stored_light "$data/MousePad")"
# Brightness level 3 is 135: each component scaled by 135 / 256.
check "every light of the pad shows the colour at that brightness" "134 33 0" \
    "$(wait_for "134 33 0" pad_all)"
check "the same-mode control is offered with four devices" true \
    "$(ui get mousepad deng_same_mode visible)"
ui set mousepad light_combo_modeSelect cursel 2
check "breathing is saved" "2 3 255 64 0" "$(stored_light "$data/MousePad")"
first=$(pad_first)
changed() { [ "$(pad_first)" != "$first" ] && echo changed; }
check "breathing frames change over time" changed "$(wait_for changed changed)"

# --- a custom effect imported from the terminal ---------------------------------------------------
step() {  # step RED BLUE SPEED: one static step of 400 ms
    printf '{"LEDREGMode": 1, "LEDBrightness": 5, "LEDSpeed": %s, "LEDDirection": 0, "LEDMultiColor": 0,
      "red": %s, "green": 0, "blue": %s, "Time": 400, "Cyle": 0}' "$3" "$1" "$2"
}
printf '{"LEDEffectList": [\n%s,\n%s\n]}\n' "$(step 255 0 2)" "$(step 0 255 9)" >"$XDG_RUNTIME_DIR/bad.light"
printf '{"LEDEffectList": [\n%s,\n%s\n]}\n' "$(step 255 0 2)" "$(step 0 255 2)" >"$XDG_RUNTIME_DIR/red-blue.light"
refusal=$("$ctl" effect import mousepad "$XDG_RUNTIME_DIR/bad.light" 2>&1 || true)
check "a step out of range is refused with its line" "line 4: step 2: \"LEDSpeed\" is 9, not 0-4" \
    "${refusal##*bad.light: }"
check "and nothing is listed" "" "$("$ctl" effect list mousepad)"
"$ctl" effect import mousepad "$XDG_RUNTIME_DIR/red-blue.light" "Red and blue" >/dev/null
check "the import is listed after the nine modes" "0  mode 9  Red and blue  2 steps" \
    "$("$ctl" effect list mousepad)"
check "the running page offers it at once" "Red and blue" \
    "$(ui get mousepad light_combo_modeSelect items | sed -n 10p)"
ui set mousepad light_combo_modeSelect cursel 9
check "the pad plays its red step" "254 0 0" "$(wait_for "254 0 0" pad_all)"
check "and then its blue one" "0 0 254" "$(wait_for "0 0 254" pad_all)"

# --- every other page --------------------------------------------------------------------------
# A static mode and preset colour 1 on each: the profile and the device take them.
ui click mouse device_select
ui set mouse light_combo_modeSelect cursel 3
ui click mouse color_option_1
mouse_light=$(stored_light "$data/mouse")
check "the mouse's profile keeps static" 3 "${mouse_light%% *}"
check "the mouse's record holds mode 3" 03 \
    "$(wait_for 03 bytes_at "$("$ctl" sim memory mouse params)" 1 1)"
ui click headset device_select
ui set headset light_combo_modeSelect cursel 3
ui click headset color_option_1
check "the headset's profile keeps static and the preset" "3 $(cut -d' ' -f3- <<<"$mouse_light")" \
    "$(stored_light "$data/HD" | cut -d' ' -f1,3-)"
ui click keyboard device_select
ui set keyboard deng_Op_tab selected 1
# Mode 17 shows the zone list and hides the colour groups.
ui set keyboard light_combo_modeSelect cursel 17
check "keyboard mode 17 shows its zone list" true \
    "$(ui get keyboard light_combo_ZZCCmodeSelectLayout visible)"
check "and hides the colours" false "$(ui get keyboard deng_color_layout visible)"
shot keyboard-lighting
ui set keyboard light_combo_modeSelect cursel 6
ui click keyboard color_option_2
ui set keyboard deng_light_slider value 4
kb_light=$(stored_light "$data/keyboard")
check "the keyboard's profile keeps static at brightness 4" "6 4" "$(cut -d' ' -f1,2 <<<"$kb_light")"
check "the keyboard's record holds mode 6" 06 \
    "$(wait_for 06 bytes_at "$("$ctl" sim memory keyboard params)" 1 1)"

# --- all in step ---------------------------------------------------------------------------------
ui click keyboard deng_same_mode
for kind in keyboard mouse mousepad headset; do
    check "the $kind's entry shows its synchronised mark" true "$(mark "$kind")"
done
read -r _ _ red green blue <<<"$kb_light"
# Brightness 4 is level 195.
common="$((red * 195 >> 8)) $((green * 195 >> 8)) $((blue * 195 >> 8))"
check "the pad's lights follow the keyboard's colour" "$common" "$(wait_for "$common" pad_all)"
check "the pad's profile takes static and the keyboard's colour" "3 4 $red $green $blue" \
    "$(stored_light "$data/MousePad")"
check "the mouse's record holds static" 03 \
    "$(wait_for 03 bytes_at "$("$ctl" sim memory mouse params)" 1 1)"
ui click mousepad device_select
shot mousepad-sync
# Breathing on the keyboard, in step again: the pad breathes in the keyboard's colour.
ui click keyboard device_select
ui set keyboard light_combo_modeSelect cursel 5
check "the keyboard's own edit takes it out of the group" false "$(mark keyboard)"
ui click keyboard deng_same_mode
check "the pad is in the group again" true "$(mark mousepad)"
check "the pad's profile takes breathing" 2 "$(stored_light "$data/MousePad" | cut -d' ' -f1)"
first=$(pad_first)
check "the pad breathes with the group" changed "$(wait_for changed changed)"
ratio() {  # the pad's first light is the keyboard's colour at some brightness
    pad_first | python3 -c '
import sys
r, g, b = map(int, sys.stdin.read().split())
want = [int(x) for x in sys.argv[1:]]
print("yes" if max(r, g, b) == 0 or all(abs(c * max(want) - w * max(r, g, b)) <= max(want) * 2
                                         for c, w in zip((r, g, b), want)) else "no")' "$red" "$green" "$blue"
}
check "in the keyboard's colour" yes "$(ratio)"
# The pad's own brightness edit: the pad leaves, the other three stay in step.
ui click mousepad device_select
ui set mousepad deng_light_slider value 1
check "editing the pad's brightness takes it out of the group" false "$(mark mousepad)"
check "the keyboard stays in the group" true "$(mark keyboard)"
check "the mouse stays in the group" true "$(mark mouse)"
check "the pad's profile keeps its new brightness" 1 "$(stored_light "$data/MousePad" | cut -d' ' -f2)"

finish
