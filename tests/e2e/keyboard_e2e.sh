#!/usr/bin/env bash
# The keyboard end to end, as a person meets it: the program on the simulated
# keyboard under Xvfb, driven through veldmarkctl ui (and veldmarkctl key and
# profile, as a person at a terminal would), read back through veldmarkctl sim
# and the profile files. A key given Shift+B and another given a media key
# land in the keyboard's key table at the keys' factory positions; the 6-key
# flag lands in the settings record; the repeat delay goes to the desktop and
# not to the keyboard. Then, with profiles that light the keyboard in the
# reactive mode 7 and the custom-colour mode 20: a key pressed on the
# keyboard rises on the page, and the custom colours are in the keyboard's
# colour group at three times each LED's index, and a key painted in the
# editor's colour is sent as it is. A macro imported from the terminal
# reaches the keyboard's macro memory and a key plays it.
#
# Usage: tests/e2e/keyboard_e2e.sh BIN_DIR   (the folder holding veldmark and veldmarkctl)
set -euo pipefail

. "$(dirname "$0")/e2e_lib.sh"
e2e_session --screen 1600x1000x24 VELDMARK_DESKTOP_SETTINGS=none VELDMARK_HID=sim:keyboard -- "$@"

ui() { "$ctl" ui "$1" --page keyboard "${@:2}"; }
# Connected: the keyboard's settings were read and the read-back has put its
# report rate on the page. (The page shows that option before it connects
# too, so the option alone does not tell.)
connected() {
    "$ctl" sim log keyboard | grep '^0x05 ReadParameters' >/dev/null &&
        ui get polling_rate_option_3 selected
}
start_app() {
    launch_app
    expect_ready true "show the keyboard page" connected
}
start_app
folder=$(device_folder keyboard)

# --- keys ---------------------------------------------------------------------------------
factory=$("$ctl" sim memory keyboard keys)
a=$(position_of "$factory" "20 00 04" 144)
s=$(position_of "$factory" "20 00 16" 144)
check "A and S are in the keyboard's table" true \
    "$([ "$a" -ge 0 ] && [ "$s" -ge 0 ] && echo true || echo false)"
check "the key list names keys as the page does" "64  A  A  0x200004" \
    "$("$ctl" key list keyboard | sed -n 65p)"

# A on the key tab, then Shift+B given from the terminal: the program makes it.
ui set key_Op_tab selected 1
ui click key_64
check "the key editor shows" true "$(ui get KeySetControlItem visible)"
check "veldmarkctl key set" "keyboard key 64 (A): Shift+B" \
    "$("$ctl" key set keyboard A keyboard:shift+b)"
keys=$("$ctl" sim memory keyboard keys)
check "A's position holds Shift+B" "20 02 05" "$(bytes_at "$keys" $((a * 3)) 3)"
check "S keeps its key" "20 00 16" "$(bytes_at "$keys" $((s * 3)) 3)"
check "A is marked as changed" 1 "$(ui get key_64 keyset)"
check "its tool-tip says what it does" "A
Now: Shift+B" "$(ui get key_64 tooltip)"

# S made a media key with the editor: play / pause, then the page writes the table.
ui click key_65
ui set keyset_function_combo cursel 7
ui set keyset_media_combo cursel 1
ui click key_butt_prosave
keys=$("$ctl" sim memory keyboard keys)
media=$(bytes_at "$keys" $((s * 3)) 3)
check "S's position holds a media key" 30 "${media%% *}"
check "A still holds Shift+B" "20 02 05" "$(bytes_at "$keys" $((a * 3)) 3)"
stored=$(python3 -c '
import json, sys
keys = json.load(open(sys.argv[1]))["Device"][0]["KeyList"]
print(hex(keys[64]["Assignment"]), hex(keys[65]["Assignment"] >> 16))' \
    "$(find "$folder" -maxdepth 1 -name '*.Json' | head -1)")
check "the profile's key list" "0x200205 0x30" "$stored"
shot keys

# A macro imported from the terminal while the program runs is written to the
# keyboard's macro memory; F1 plays it.
python3 -c '
import json
events = [{"Action": a, "Type": 0, "Button": 4, "Delay": "30"} for a in ("down", "up")]
print(json.dumps({"MacroName": "TypeA", "Events": events, "Version": 64}))' >"$XDG_RUNTIME_DIR/a.mac"
check "veldmarkctl macro import" "imported as Macro_1" \
    "$("$ctl" macro import keyboard "$XDG_RUNTIME_DIR/a.mac")"
macros=$("$ctl" sim memory keyboard macros)
check "header, total 30, one macro" "aa 55 1e 00 01 00" "$(bytes_at "$macros" 0 6)"
check "its two events" "1e 00 80 04 1e 00 00 04" "$(bytes_at "$macros" 22 8)"
f1=$(position_of "$factory" "20 00 3a" 144)
check "veldmarkctl key set F1" "keyboard key 1 (F1): Macro_1" "$("$ctl" key set keyboard F1 macro:0)"
check "F1's position plays macro 0" "70 00 00" \
    "$(bytes_at "$("$ctl" sim memory keyboard keys)" $((f1 * 3)) 3)"

# --- system settings -----------------------------------------------------------------------
ui set system_Op_tab selected 1
ui click 6flag_option
params=$("$ctl" sim memory keyboard params)
check "the settings record with the 6-key flag, written at address 0" \
    "00 01 05 02 01 01 ff 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00 03 00 00 00" \
    "$(bytes_at "$params" 0 26)"
check "the next profile's record is untouched" "02 05 02" "$(bytes_at "$params" 26 3)"
writes() { "$ctl" sim log keyboard | sed -n 's/^0x06 .*: //p'; }
record_writes=$(writes)
ui click repeat_delay_check_2
check "the repeat delay shows 750 ms" true \
    "$(ui get repeat_delay_time_label1 text | grep -q 750 && echo true || echo false)"
check "and is not sent to the keyboard" "$record_writes" "$(writes)"
check "the desktop without the setting is said" true "$(wait_for true ui get keyboard_repeat_note visible)"
shot system

# --- lighting ------------------------------------------------------------------------------
# Two profiles made outside the program (as an import would): one lit in
# mode 7, one in the custom-colour mode 20 with A in its own colour.
stop_app
"$ctl" profile export keyboard "$XDG_RUNTIME_DIR/base.json" >/dev/null
python3 - "$XDG_RUNTIME_DIR" <<'EOF'
import json, sys
run = sys.argv[1]
base = json.load(open(run + "/base.json"))
def variant(name, mode, group):
    doc = json.loads(json.dumps(base))
    doc["profilename"] = name
    device = doc["Device"][0]
    light = device["LightInfo"]
    light.update({"SelectItem": mode, "MultiColor": 0, "Light": 4, "Red": 0, "Green": 128,
                  "Blue": 255, "CustomGroup": group})
    custom = device["CustomLightMode"]
    custom["CustomLightModeGroupIndex"] = group
    colours = custom["LightColorInfo"][group]
    for led in range(len(colours)):
        colours[led] = {"Alpha": 255, "Red": 0, "Green": 0, "Blue": 0}
    colours[64] = {"Alpha": 255, "Red": 250, "Green": 100, "Blue": 20}
    json.dump(doc, open("%s/%s.json" % (run, name), "w"))
variant("Glow", 7, 0)
variant("Custom", 20, 2)
EOF
"$ctl" profile import keyboard "$XDG_RUNTIME_DIR/Glow.json" >/dev/null
"$ctl" profile import keyboard "$XDG_RUNTIME_DIR/Custom.json" >/dev/null
"$ctl" profile select keyboard 0 >/dev/null
start_app
ui set deng_Op_tab selected 1
check "the profiles are offered" "Profile 1 Glow Custom" \
    "$(ui get device_profile_combo items | paste -sd ' ')"

ui set device_profile_combo cursel 1
mode() { bytes_at "$("$ctl" sim memory keyboard params)" 1 1; }
check "the keyboard runs mode 7" 07 "$(wait_for 07 mode)"
check "A is dark before it is pressed" 0 "$(wait_for 0 ui get key_64 alpha)"
"$ctl" sim key keyboard "$a" down
risen() { [ "$(ui get key_64 alpha)" -gt 0 ] && echo risen || echo dark; }
check "a press on the keyboard lights A on the page" risen "$(wait_for risen risen)"
check "in the profile's colour" "#0080ff" "$(ui get key_64 color)"
check "S stays dark" 0 "$(ui get key_65 alpha)"
"$ctl" sim key keyboard "$a" up
shot mode7
faded() { [ "$(ui get key_64 alpha)" = 0 ] && echo faded || echo lit; }
check "released, A fades out" faded "$(wait_for faded faded)"

ui set device_profile_combo cursel 2
check "the keyboard runs mode 20" 14 "$(wait_for 14 mode)"
check "its record names colour group 2" 02 "$(bytes_at "$("$ctl" sim memory keyboard params)" 25 1)"
led=$(bytes_at "$("$ctl" sim memory keyboard leds)" "$a" 1)
colours=$("$ctl" sim memory keyboard colors 2)
# Sent scaled by the record's brightness (byte 2: level 0, 80, 110, 135, 195
# or 255 for 0-5): each channel times that level over 256.
level=$(python3 -c 'import sys; print([0, 80, 110, 135, 195, 255][min(int(sys.argv[1], 16), 5)])' \
    "$(bytes_at "$("$ctl" sim memory keyboard params)" 2 1)")
scaled=$(python3 -c 'import sys; l = int(sys.argv[1]); print(" ".join("%02x" % (c * l >> 8) for c in (250, 100, 20)))' "$level")
check "A's colour at three times its LED index in group 2, at the brightness" "$scaled" \
    "$(bytes_at "$colours" $((3 * 16#$led)) 3)"
check "the page shows it" "#fa6414" "$(wait_for "#fa6414" ui get key_64 color)"
# A key painted on the lighting tab in the editor's colour: kept in the
# profile's colour set and sent as it is.
check "the editor shows the profile's colour set" 2 "$(ui get light_combo_custommodeSelect cursel)"
ui set deng_Color_Pallet color "#10c080"
ui click key_65
s_led=$(bytes_at "$("$ctl" sim memory keyboard leds)" "$s" 1)
colours=$("$ctl" sim memory keyboard colors 2)
check "S painted at three times its LED index in group 2" "10 c0 80" \
    "$(bytes_at "$colours" $((3 * 16#$s_led)) 3)"
check "A keeps its colour" "fa 64 14" "$(bytes_at "$colours" $((3 * 16#$led)) 3)"
painted=$(python3 -c '
import json, sys
doc = json.load(open(sys.argv[1]))
c = doc["Device"][0]["CustomLightMode"]["LightColorInfo"][2][65]
print(c["Red"], c["Green"], c["Blue"])' "$(grep -l '"Custom"' "$folder"/*.Json | head -1)")
check "the profile keeps the painted key" "16 192 128" "$painted"
check "the page shows it" "#10c080" "$(wait_for "#10c080" ui get key_65 color)"
shot custom

# A moving mode chosen in the editor: the keyboard runs it, the page moves.
ui set light_combo_modeSelect cursel 1
check "the keyboard runs the wave" 01 "$(wait_for 01 mode)"
first=$(ui get key_0 alpha)
moved() { [ "$(ui get key_0 alpha)" != "$first" ] && echo moved || echo still; }
check "the wave moves on the page" moved "$(wait_for moved moved)"
ui set deng_7color_check selected 1
check "in every colour" 01 "$(bytes_at "$("$ctl" sim memory keyboard params)" 5 1)"
shot wave

finish
