#!/usr/bin/env bash
# Macros end to end, as a person meets them: the program on the simulated
# mouse under Xvfb, driven only through veldmarkctl ui (and veldmarkctl macro
# for an import while it runs), read back through veldmarkctl sim, the macro
# files and the profile. A macro of four cursor moves is made with the
# editor's buttons and given to the forward button; the mouse's macro memory
# and key table must hold exactly that. Then the mouse is unplugged in the
# middle of a macro upload: the program lives on and the next plug-in writes
# the macros again.
#
# Usage: tests/e2e/macro_e2e.sh BIN_DIR   (the folder holding veldmark and veldmarkctl)
set -euo pipefail

. "$(dirname "$0")/e2e_lib.sh"
e2e_session VELDMARK_HID=sim:mouse -- "$@"

ui() { "$ctl" ui "$1" --page mouse "${@:2}"; }

start_app 320 "show the mouse page" ui get DPI_slider_0 max
connected() { wait_for 320 ui get DPI_slider_0 max; }
folder=$(device_folder mouse)
# The key position that carries the forward button in the mouse's own table.
forward=$(position_of "$("$ctl" sim memory mouse keys)" "10 10 00" 10)
check "the mouse has a forward button" true "$([ "$forward" -ge 0 ] && echo true || echo false)"

# A macro of four moves: left 12, right 10, up 7, down 10, 300 ms after each.
ui set macro_Op_tab selected 1
ui click macro_btn_name_add
check "the new macro is listed" Macro_1 "$(ui get macro_name_list items)"
ui set macro_fixed_time_edit text 300
ui set mouse_x_left_edit text 12
ui set mouse_y_up_edit text 7
for direction in moveleftkey moverightkey moveupkey movedownkey; do
    ui click "macro_inset_${direction}_btn"
done
guid=$(json_at "$folder/macro.config" MacroInfo 0 Guid)
events=$(python3 -c '
import json, sys
print(*[(e["Action"], e["Type"], e["Button"], e["Delay"]) for e in json.load(open(sys.argv[1]))["Events"]])' \
    "$folder/$guid.mac")
check "the macro file" \
    "('down', 4, 12, '300') ('up', 4, 10, '300') ('down', 5, 7, '300') ('up', 5, 10, '300')" "$events"
shot macro_editor

# Given to the forward button: macro 0, run once.
ui set key_Op_tab selected 1
ui click "key_3"
ui set keyset_function_combo cursel 9
ui set keyset_macro_combo cursel 0
ui set keyset_macro_over_combo cursel 0
ui click key_butt_keysave
ui click key_butt_prosave
macros=$("$ctl" sim memory mouse macros)
check "header, total 38, one macro" "aa 55 26 00 01 00" "$(bytes_at "$macros" 0 6)"
check "reserved bytes" "00 00 00 00 00 00 00 00 00 00" "$(bytes_at "$macros" 6 10)"
check "offset of macro 0, its count" "12 00 04 00 00 00" "$(bytes_at "$macros" 16 6)"
check "the four events" \
    "2c 01 84 0c 2c 01 04 0a 2c 01 85 07 2c 01 05 0a" "$(bytes_at "$macros" 22 16)"
keys=$("$ctl" sim memory mouse keys)
check "the forward button plays macro 0" "70 00 00" "$(bytes_at "$keys" $((forward * 3)) 3)"
check "the other buttons keep theirs" "10 02 00" "$(bytes_at "$keys" 3 3)"
stored=$(printf '0x%x' "$(json_at "$(profile_in "$folder")" Device 0 KeyList 3 Assignment)")
check "the profile's key list" 0x700000 "$stored"
# The key list names the macro, and follows it when it is renamed.
forward_row() { ui tree device_setkeyinfo_list | grep -A1 '"Forward"' | tail -1 | sed 's/.*enabled //'; }
check "the key list shows the macro" '"Macro_1"' "$(forward_row)"
ui set macro_Op_tab selected 1
ui set macro_edit_macroname text Jump
ui click macro_btn_name_edit
check "the key list follows a rename" '"Jump"' "$(forward_row)"
check "the key editor's macro list too" Jump "$(ui get keyset_macro_combo items)"
shot assigned

# An import while the program runs is made by the program: its editor shows it.
# Thirty left clicks: 60 events, so that the image takes several transfers.
python3 -c '
import json
clicks = [{"Action": a, "Type": 1, "Button": 1, "Delay": "20"} for _ in range(30) for a in ("down", "up")]
print(json.dumps({"MacroName": "Burst", "Events": clicks, "Version": 64}))' >"$XDG_RUNTIME_DIR/burst.mac"
check "veldmarkctl macro import" "imported as Macro_1" \
    "$("$ctl" macro import mouse "$XDG_RUNTIME_DIR/burst.mac")"
check "the editor lists it" "Jump Macro_1" "$(ui get macro_name_list items | paste -sd ' ')"
check "the mouse holds both" "aa 55 1c 01 02 00" "$(bytes_at "$("$ctl" sim memory mouse macros)" 0 6)"

# Unplugged while the macros are written: one more move in Burst makes the
# image 288 bytes, six transfers; the mouse answers the information read, the
# write bracket and two of them, and is gone. The program lives on and says
# so; the tail of the image never arrived; the next plug-in writes it all.
"$ctl" sim fault mouse unplug-mid 4
ui click macro_inset_moveleftkey_btn >/dev/null
"$ctl" ui click confirm_btn >/dev/null 2>&1 || true  # the message that the write failed
check "the program still runs" yes "$(app_running)"
check "and still answers" "Jump Macro_1" "$(ui get macro_name_list items | paste -sd ' ')"
check "the write was cut off: no tail" "00 00 00 00" \
    "$(bytes_at "$("$ctl" sim memory mouse macros)" 284 4)"
"$ctl" sim plug mouse >/dev/null
check "connected again" 320 "$(connected)"
tail_written() { bytes_at "$("$ctl" sim memory mouse macros)" 284 4; }
check "the next plug-in wrote the whole image" "14 00 01 01" "$(wait_for "14 00 01 01" tail_written)"
check "with its header" "aa 55 20 01 02 00" "$(bytes_at "$("$ctl" sim memory mouse macros)" 0 6)"
check "Burst at 40, 61 events, the new move second" "28 00 3d 00 2c 01 84 0c" \
    "$(bytes_at "$("$ctl" sim memory mouse macros)" 18 2) $(bytes_at "$("$ctl" sim memory mouse macros)" 40 2) $(bytes_at "$("$ctl" sim memory mouse macros)" 48 4)"

finish
