#!/usr/bin/env bash
# The mouse page end to end, as a person meets it: the program on the
# simulated mouse under Xvfb, inside a private session bus whose GNOME
# settings store (keyfile) stands for the user's desktop; driven only through
# veldmarkctl ui and read back through veldmarkctl sim, the profile file, the
# recoil pattern file and `gsettings get`.
#
# Usage: tests/e2e/mouse_settings_e2e.sh BIN_DIR   (the folder holding veldmark and veldmarkctl)
set -euo pipefail

. "$(dirname "$0")/e2e_lib.sh"
e2e_session --needs gsettings --dbus GSETTINGS_BACKEND=keyfile \
    VELDMARK_DESKTOP_SETTINGS=gsettings VELDMARK_HID=sim:mouse -- "$@"

# The hexadecimal byte at `offset` of a `veldmarkctl sim memory` dump.
byte_at() {  # byte_at DUMP OFFSET
    local line=$(($2 / 16 * 16)) column=$(($2 % 16))
    printf '%s\n' "$1" | awk -v line="$(printf '%04x:' "$line")" -v column="$column" \
        '$1 == line { print $(column + 2) }'
}

# Connected: the stage sliders have taken the mouse's step count.
start_app 320 "show the mouse page" "$ctl" ui get --page mouse DPI_slider_0 max
folder=$(device_folder mouse)

# The sensitivity sub-page, as a person opens it.
"$ctl" ui set --page mouse mouse_device_seting_option_1 selected 1
# Stage 2's field: 800, then 1600 DPI in steps of 50 → dpiX 16, then 32 at bytes
# 34–35 (14 + 9 × 2 + 2), and in the profile.
"$ctl" ui set --page mouse DPI_edit_2 text 800
params=$("$ctl" sim memory mouse params)
check "stage 2 dpiX at 800 DPI (34)" 10 "$(byte_at "$params" 34)"
"$ctl" ui set --page mouse DPI_edit_2 text 1600
params=$("$ctl" sim memory mouse params)
check "stage 2 dpiX low byte (34)" 20 "$(byte_at "$params" 34)"
check "stage 2 dpiX high byte (35)" 00 "$(byte_at "$params" 35)"
check "the field shows the stored sensitivity" 1600 "$("$ctl" ui get --page mouse DPI_edit_2 text)"
stored=$(json_at "$(profile_in "$folder")" Device 0 DPIStages StageDPIs 2 StageDPIX)
check "the profile holds stage 2" 32 "$stored"

shot sensitivity

# Report rate options 1, then 3 → byte 11.
"$ctl" ui set --page mouse polling_rate_option_1 selected 1
check "report rate byte (11) for option 1" 01 "$(byte_at "$("$ctl" sim memory mouse params)" 11)"
"$ctl" ui set --page mouse polling_rate_option_3 selected 1
check "report rate byte (11)" 03 "$(byte_at "$("$ctl" sim memory mouse params)" 11)"

# The pointer sub-page.
"$ctl" ui set --page mouse mouse_device_seting_option_2 selected 1
# The pointer speed slider at 7 → speed 16 of 20 → 0.6 in the private session's store.
speed() {  # the store's value to two decimals (it prints doubles in full)
    printf '%.2f' "$(gsettings get org.gnome.desktop.peripherals.mouse speed)"
}
"$ctl" ui set --page mouse pointer_speed_slider value 7
check "desktop pointer speed" 0.60 "$(wait_for 0.60 speed)"
"$ctl" ui set --page mouse pointer_precision_check selected 0
check "desktop acceleration profile" "'flat'" \
    "$(wait_for "'flat'" gsettings get org.gnome.desktop.peripherals.mouse accel-profile)"
# GNOME keeps no wheel lines: the page says so once and keeps the value in the profile.
"$ctl" ui set --page mouse scroll_speed_slider value 4
check "wheel lines note shown" true "$(wait_for true "$ctl" ui get --page mouse scroll_lines_note visible)"
shot pointer

# A recoil bullet: its four events in the working file. The editor sits on
# the buttons sub-page behind the sensitivity tab of the profile column.
"$ctl" ui set --page mouse mouse_device_seting_option_0 selected 1
"$ctl" ui set --page mouse cursor_Op_tab selected 1
"$ctl" ui set --page mouse bullet_op_1 selected 1
"$ctl" ui set --page mouse bullet_x_check selected 1
"$ctl" ui set --page mouse bullet_x_eidt text 6
"$ctl" ui set --page mouse bullet_y_eidt text 9
"$ctl" ui set --page mouse bullet_delay_eidt text 80
events=$(python3 -c '
import json, sys
e = json.load(open(sys.argv[1]))["Events"]
print(len(e), *[(x["Action"], x["Button"], x["Delay"], x["Type"]) for x in e[4:8]])' "$folder/ShootData_0.Shoot")
check "bullet 2 in the pattern file" \
    "8 ('down', 1, 10, 1) ('up', 1, 0, 1) ('down', 6, 5, 4) ('up', 9, 80, 5)" "$events"

finish
