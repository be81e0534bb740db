#!/usr/bin/env bash
# Key functions end to end, as a person meets them: the program on the
# simulated mouse under Xvfb, driven through veldmarkctl ui (and xdotool for
# the key the editor captures), read back through veldmarkctl sim and the
# profile. The forward button is opened on the picture and given every kind of
# function the key editor offers, one after the other; each must reach the
# mouse's key table byte for byte, the profile's key list and the key list
# beside the picture. Then the program starts again in Chinese and the key
# list names the functions in that language.
#
# Usage: tests/e2e/keys_e2e.sh BIN_DIR   (the folder holding veldmark and veldmarkctl)
# VELDMARK_E2E_SHOTS=DIR keeps screenshots of the page for a person to look at.
set -euo pipefail

. "$(dirname "$0")/e2e_lib.sh"
e2e_session --needs "xdotool python3" --screen 1600x1000x24 VELDMARK_HID=sim:mouse -- "$@"

ui() { "$ctl" ui "$1" --page mouse "${@:2}"; }
start_app() { launch_app && expect_ready 320 "show the mouse page" ui get DPI_slider_0 max; }
# Clicks a control of the mouse page where a person would, through the X server.
click_control() {  # click_control NAME
    local l t r b X Y WINDOW SCREEN
    read -r l t r b <<<"$(ui get "$1" rect)"
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --name "VARNE VK-R20" | head -1)")"
    xdotool mousemove $((X + (l + r) / 2)) $((Y + (t + b) / 2)) click 1
}

start_app
folder=$(device_folder mouse)
profile=$(profile_in "$folder")
stored() {  # the profile's record of key $1, in hexadecimal
    printf '0x%x' "$(json_at "$profile" Device 0 KeyList "$1" Assignment)"
}
keys() { "$ctl" sim memory mouse keys; }
# The key position that carries each button in the mouse's own table.
factory=$(keys)
forward=$(position_of "$factory" "10 10 00" 21)
right=$(position_of "$factory" "10 02 00" 21)
left=$(position_of "$factory" "10 01 00" 21)
back=$(position_of "$factory" "10 08 00" 21)
check "the mouse has a forward button" true "$([ "$forward" -ge 0 ] && echo true || echo false)"
row_text() {  # the key list's function text of key $1
    ui tree device_setkeyinfo_list | python3 -c '
import re, sys
rows = [l for l in sys.stdin if "ListContainerElement" in l or "Label" in l]
texts = [re.findall(r"\"([^\"]*)\"", l) for l in rows if "Label" in l]
i = int(sys.argv[1])
print(texts[2 * i + 1][-1] if 2 * i + 1 < len(texts) and texts[2 * i + 1] else "")' "$1"
}

# The left button is the only one that clicks left: it cannot be opened.
ui set key_Op_tab selected 1
check "the last left click opens a message" "a window of its own is open: msgwnd" \
    "$(ui click key_0 | tail -1)"
check "which says why" "At least one button must keep the left click." \
    "$("$ctl" ui get MessageText text)"
"$ctl" ui click confirm_btn >/dev/null
# Nothing an apply does now can reach the left button.
ui set keyset_function_combo cursel 1
ui set keyset_mousekey_combo cursel 2
ui click key_butt_keysave
check "the left button still clicks left" "10 01 00" "$(bytes_at "$(keys)" $((left * 3)) 3)"
check "and so does its profile record" 0x100100 "$(stored 0)"

# The forward button on the picture opens the editor.
ui click key_3
check "the editor is shown" true "$(ui get keyset_layout visible)"
check "on the page of the key's own function" 0 "$(ui get keyset_function_combo cursel)"
shot forward_opened

# Ctrl with C on the keyboard page: Ctrl chosen, C pressed on the keyboard.
ui set keyset_function_combo cursel 6
ui set key_ComBox_check_1 selected 1
click_control keyset_keyboard_text_edit
xdotool key c
check "C was captured" C "$(wait_for C ui get keyset_keyboard_text_edit text)"
forward_bytes() { bytes_at "$(keys)" $((forward * 3)) 3; }
check "a captured key applies at once" "20 01 06" "$(wait_for "20 01 06" forward_bytes)"
click_control device_setkeyinfo_list  # the capture ends when the edit loses the focus
ui click key_butt_keysave
check "Ctrl+C in the key table" "20 01 06" "$(bytes_at "$(keys)" $((forward * 3)) 3)"
check "Ctrl+C in the profile" 0x200106 "$(stored 3)"
check "Ctrl+C in the key list" Ctrl+C "$(row_text 3)"
check "the other buttons keep theirs" "10 02 00" "$(bytes_at "$(keys)" $((right * 3)) 3)"
shot ctrl_c

# Every other kind, as the editor's lists and fields give it.
assign() {  # assign NAME EXPECTED_BYTES EXPECTED_TEXT -- ui set arguments, a triple at a time
    local name=$1 bytes=$2 text=$3
    shift 4
    while [ $# -ge 3 ]; do
        ui set "$1" "$2" "$3"
        shift 3
    done
    ui click key_butt_keysave
    check "$name: key table" "$bytes" "$(bytes_at "$(keys)" $((forward * 3)) 3)"
    check "$name: profile" "0x$(echo "$bytes" | tr -d ' ' | sed 's/^0*//')" "$(stored 3)"
    check "$name: key list" "$text" "$(row_text 3)"
}
assign "right button" "10 02 00" "Right click" -- \
    keyset_function_combo cursel 1 keyset_mousekey_combo cursel 2
assign "swing right" "11 27 85" "Move right" -- \
    keyset_function_combo cursel 2 keyset_mouseswing_num_edit text 5 \
    keyset_mouseswing_delay_edit text 2 keyset_mouseswing_speed_edit text 7 \
    keyset_mouseswing_combo cursel 1
assign "wheel down" "12 13 fd" "Wheel down" -- \
    keyset_function_combo cursel 3 keyset_mousewheel_num_edit text 3 \
    keyset_mousewheel_delay_edit text 1 keyset_mousewheel_speed_edit text 3 \
    keyset_mousewheel_combo cursel 1
assign "sensitivity cycle" "13 03 00" "DPI cycle" -- \
    keyset_function_combo cursel 4 keyset_mousedpi_combo cursel 2
assign "fire" "14 14 03" "Fire key" -- \
    keyset_function_combo cursel 5 keyset_mousefire_interval_edit text 20 \
    keyset_mousefire_num_edit text 3
assign "media play" "30 cd 00" "Play / Pause" -- \
    keyset_function_combo cursel 7 keyset_media_combo cursel 1
assign "system sleep" "40 02 00" "Sleep" -- \
    keyset_function_combo cursel 8 keyset_system_combo cursel 1
assign "gun key 2" "72 01 00" "Gun 2" -- \
    keyset_function_combo cursel 10 keyset_gunkey_combo cursel 1
assign "combination copy" "20 01 06" "Ctrl+C" -- \
    keyset_function_combo cursel 11 keyset_combokey_combo cursel 4
# A macro, repeated five times.
ui set macro_Op_tab selected 1
ui click macro_btn_name_add
ui set key_Op_tab selected 1
ui click key_3
assign "macro repeated" "71 00 05" "Macro_1" -- \
    keyset_function_combo cursel 9 keyset_macro_combo cursel 0 \
    keyset_macro_over_combo cursel 4 keyset_macro_cycle_edit text 5
check "the repeat count is shown" true "$(ui get keyset_macro_cycle_layout visible)"
assign "macro held" "70 00 01" "Macro_1" -- keyset_macro_over_combo cursel 1
shot macro_assigned
# Back to the button's own function.
ui click key_butt_keydefalut
ui click key_butt_keysave
check "the default: key table" "10 10 00" "$(bytes_at "$(keys)" $((forward * 3)) 3)"
check "the default: profile" 0x101000 "$(stored 3)"

# Export and import through the window's file dialogs, a path typed into each.
# The dialog is the program's one visible window that is not the main window.
answer_dialog() {  # answer_dialog PATH
    local w="" name
    for _ in $(seq 50); do
        for candidate in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
            name=$(xdotool getwindowname "$candidate" 2>/dev/null || true)
            case "$name" in "VARNE VK-R20"*) ;; *) w=$candidate ;; esac
        done
        [ -n "$w" ] && break
        sleep 0.1
    done
    [ -n "$w" ] || { echo "no file dialog opened"; return 1; }
    xdotool windowfocus --sync "$w"
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
}
ui set macro_Op_tab selected 1
ui set macro_name_list cursel 0
ui set mouse_x_left_edit text 25
ui click macro_inset_moveleftkey_btn
ui click macro_btn_export >/dev/null
answer_dialog "$XDG_RUNTIME_DIR/left.mac"
guid=$(json_at "$folder/macro.config" MacroInfo 0 Guid)
check "export wrote the macro's file unchanged" same \
    "$(wait_for same sh -c "cmp -s '$folder/$guid.mac' '$XDG_RUNTIME_DIR/left.mac' && echo same")"
ui click macro_btn_import >/dev/null
answer_dialog "$XDG_RUNTIME_DIR/left.mac"
check "import lists the file under a new name" "Macro_1 Macro_2" \
    "$(wait_for "Macro_1 Macro_2" sh -c "'$ctl' ui get --page mouse macro_name_list items | paste -sd ' '")"
macros=$("$ctl" sim memory mouse macros)
check "the mouse holds both macros: 36 bytes" "aa 55 24 00 02 00" "$(bytes_at "$macros" 0 6)"
check "at 20 and 28" "14 00 1c 00" "$(bytes_at "$macros" 16 4)"
check "each one move left by 25 after 50 ms" "01 00 00 00 32 00 84 19 01 00 00 00 32 00 84 19" \
    "$(bytes_at "$macros" 20 16)"
shot imported
ui set key_Op_tab selected 1
ui click key_3

# Deleting a macro that a key plays: forward plays Macro_1, back plays
# Macro_2. Macro_1 goes after both questions: forward gets its own function
# back and back now plays the macro that moved up into the first place.
assign_macro() {  # assign_macro KEY MACRO
    ui click "key_$1"
    ui set keyset_function_combo cursel 9
    ui set keyset_macro_combo cursel "$2"
    ui set keyset_macro_over_combo cursel 0
    ui click key_butt_keysave
}
assign_macro 3 0
assign_macro 4 1
check "back plays the second macro" "70 01 00" "$(bytes_at "$(keys)" $((back * 3)) 3)"
ui set macro_Op_tab selected 1
ui set macro_name_list cursel 0
check "deleting asks first" "a window of its own is open: msgwnd" \
    "$(ui click macro_btn_name_sub | tail -1)"
check "whether to delete" "Delete this macro?" "$("$ctl" ui get MessageText text)"
"$ctl" ui click confirm_btn >/dev/null
question="Keys use this macro. Deleting it gives them back their own function. Delete it?"
check "then whether the keys may lose it" "$question" \
    "$(wait_for "$question" "$ctl" ui get MessageText text)"
"$ctl" ui click confirm_btn >/dev/null
check "one macro is left" Macro_2 "$(ui get macro_name_list items)"
check "forward clicks forward again" "10 10 00" "$(bytes_at "$(keys)" $((forward * 3)) 3)"
check "back plays the first macro now" "70 00 00" "$(bytes_at "$(keys)" $((back * 3)) 3)"
check "both in the profile" "0x101000 0x700000" "$(stored 3) $(stored 4)"
check "the key list names it" Macro_2 "$(row_text 4)"
check "the mouse holds one macro" "aa 55 1a 00 01 00" \
    "$(bytes_at "$("$ctl" sim memory mouse macros)" 0 6)"
ui set key_Op_tab selected 1
ui click key_3

# Ctrl+C once more, then the program in Chinese names it the same way and
# names the button in Chinese.
ui set keyset_function_combo cursel 11
ui set keyset_combokey_combo cursel 4
ui click key_butt_keysave
ui click key_butt_prosave
english_name=$(ui tree device_setkeyinfo_list | grep -c "Forward" || true)
stop_app
printf 'LANGUAGE=2052\n' >"$XDG_CONFIG_HOME/VARNE VK-R20 Mechanical Keyboard/settings.ini"
start_app
check "after a restart the profile still holds Ctrl+C" 0x200106 "$(stored 3)"
check "the key list in Chinese" Ctrl+C "$(row_text 3)"
check "the English button name is gone" 0 "$(ui tree device_setkeyinfo_list | grep -c "Forward" || true)"
check "it was there in English" true "$([ "$english_name" -ge 1 ] && echo true || echo false)"
check "veldmarkctl key list in Chinese" "3  前进键  Ctrl+C  0x200106" \
    "$("$ctl" key list mouse --lang cn | sed -n 4p)"
shot chinese

finish
