#!/usr/bin/env bash
# Recording and key capture end to end, from real X events: the program on the
# simulated keyboard and mouse under Xvfb, driven through veldmarkctl ui, with
# xdotool typing and clicking as a person would and xev as a second client
# that holds the input focus. Checked: the saved ".mac" file, that the second
# client gets no key (and no click) while the capture is on but does again
# after it, that Caps Lock still toggles, that a held key is one press and
# one release, replacing an event's key from the event menu chosen with
# Enter, the key editor's key field taking Right Ctrl + A, and that the
# capture ends on deactivation, hiding, minimising, exit and a crash.
#
# Usage: tests/e2e/capture_e2e.sh BIN_DIR   (the folder holding veldmark and veldmarkctl)
set -euo pipefail

. "$(dirname "$0")/e2e_lib.sh"
e2e_session --needs "xdotool xev xset python3" --screen 1600x1000x24 VELDMARK_TRACE=1 \
    VELDMARK_HID=sim:keyboard,mouse -- "$@"

kb() { "$ctl" ui "$1" --page keyboard "${@:2}"; }
rows_shown() { kb get macro_action_list items | wc -l; }
recording() { kb get macro_btn_stopredio visible; }
# Key presses and button presses the second client received.
presses() { grep -c '^KeyPress' "$run/xev.log" || true; }
clicks() { grep -c '^ButtonPress' "$run/xev.log" || true; }
caps() { xset q | sed -n 's/.*Caps Lock: *\([a-z]*\).*/\1/p'; }
# Clicks with the real pointer at the middle of a control of the window.
click_control() {  # click_control PAGE NAME
    local l t r b
    sleep 0.5 # a control just shown is laid out by the next round of the window
    read -r l t r b <<<"$("$ctl" ui get --page "$1" "$2" rect)"
    eval "$(xdotool getwindowgeometry --shell "$appwin")"
    xdotool mousemove $((X + (l + r) / 2)) $((Y + (t + b) / 2)) click 1
}
start_app() {
    launch_app
    expect_ready "ok selected keyboard" "show the keyboard page" "$ctl" sim select keyboard
    appwin=$(xdotool search --name "VARNE VK-R20" | head -1)
    kb set macro_Op_tab selected 1 >/dev/null
}
# Focus to the second client, one key, and whether it arrived there.
second_client_gets_keys() {
    local before
    before=$(presses)
    xdotool windowfocus --sync "$xwin"
    xdotool key w
    sleep 0.3
    [ "$(presses)" -gt "$before" ] && echo yes || echo no
}
macro_events() {  # the events of the keyboard's first macro: "down 10:4" per line
    python3 - "$XDG_DATA_HOME" <<'PY'
import glob, json, sys
folder = glob.glob(sys.argv[1] + "/*/keyboard")[0]
guid = json.load(open(folder + "/macro.config"))["MacroInfo"][0]["Guid"]
for e in json.load(open(folder + "/" + guid + ".mac"))["Events"]:
    delay = e["Delay"] if isinstance(e["Delay"], str) else "not text"
    print(e["Action"], "%d:%d" % (e["Type"], e["Button"]), delay)
PY
}

xev -geometry 200x200+0+0 -name veldmark-second-client >"$run/xev.log" 2>&1 &
stop_at_exit $!
start_app
xwin=$(wait_for_window() { for _ in $(seq 50); do
    xdotool search --name veldmark-second-client 2>/dev/null | head -1 && return; sleep 0.1; done; }
    wait_for_window)
check "the second client takes keys before any capture" yes "$(second_client_gets_keys)"
xdotool mousemove 30 30 click 1
sleep 0.2
clicks_before=$(clicks)
check "and clicks" 1 "$clicks_before"

# --- recording -------------------------------------------------------------------------
kb click macro_btn_name_add >/dev/null
caps_before=$(caps)
xdotool windowfocus --sync "$xwin"
presses_before=$(presses)
kb click macro_btn_starredio >/dev/null
check "recording shows the stop button" true "$(wait_for true recording)"
check "the device list is locked" false "$("$ctl" ui get device_select_layout enabled)"
xdotool key --delay 150 a b
xdotool keydown Control_R
sleep 0.1
xdotool key x
xdotool keyup Control_R
xdotool key Caps_Lock
xdotool keydown c # held past the X server's repeat delay: it repeats
sleep 1.2
xdotool keyup c
xdotool mousemove 30 30 click 3 # over the second client
xdotool click 8                 # the back button
sleep 0.5
check "the second client kept the focus" "$xwin" "$(xdotool getwindowfocus)"
check "the second client got no key while recording" "$presses_before" "$(presses)"
check "the second client got no click while recording" "$clicks_before" "$(clicks)"
check "Caps Lock still toggled" "$([ "$caps_before" = off ] && echo on || echo off)" "$(caps)"
click_control keyboard macro_btn_stopredio
check "the stop button ends the recording" false "$(wait_for false recording)"
check "the device list is free again" true "$("$ctl" ui get device_select_layout enabled)"
xdotool key Caps_Lock
check "Caps Lock is back" "$caps_before" "$(wait_for "$caps_before" caps)"
events=$(macro_events)
actions=$(printf '%s\n' "$events" | cut -d' ' -f1,2 | tr '\n' ',')
# xdotool presses Left Ctrl along with Right Ctrl (the second client sees both too).
check "the saved events, in order, a held key once, without the stop click" \
    "down 10:4,up 10:4,down 10:5,up 10:5,down 9:1,down 9:16,down 10:27,up 10:27,up 9:1,up 9:16,down 10:57,up 10:57,down 10:6,up 10:6,down 1:2,up 1:2,down 1:8,up 1:8," \
    "$actions"
check "every delay is text and the last one 0" 0 \
    "$(printf '%s\n' "$events" | awk '$3 == "not text" { bad = 1 } END { print bad ? "bad" : $3 }')"
first_gap=$(printf '%s\n' "$events" | sed -n 2p | cut -d' ' -f3)
check "the gap between the keys was measured" yes "$([ "$first_gap" -gt 0 ] && echo yes || echo no)"
check "the second client takes keys again" yes "$(second_client_gets_keys)"

# --- replacing a key, the menu item chosen with Enter ----------------------------------
# Enter is let go after the capture started; its release must not be the new key.
replace_chosen_row() {  # opens the event menu on the top row shown, chooses Replace with Enter
    local shown
    xdotool windowfocus --sync "$appwin"
    read -r l t r b <<<"$(kb get macro_action_list rect)"
    eval "$(xdotool getwindowgeometry --shell "$appwin")"
    xdotool mousemove $((X + l + 60)) $((Y + t + 14)) click 1
    sleep 0.3
    shown=$(xdotool search --onlyvisible --class . 2>/dev/null | wc -l)
    xdotool click 3
    for _ in $(seq 50); do # until the menu is shown
        [ "$(xdotool search --onlyvisible --class . 2>/dev/null | wc -l)" -gt "$shown" ] && break
        sleep 0.1
    done
    sleep 0.2
    xdotool key Down Down Down Return
    wait_for true recording
}
check "the event menu starts replacing" true "$(replace_chosen_row)"
# The selection holds while the list is locked: the row being replaced.
row=$(($(kb get macro_action_list cursel) + 1))
action=$(printf '%s\n' "$events" | sed -n "${row}p" | cut -d' ' -f1)
# Stopped by a real click, which reaches the program after the keys before it.
click_control keyboard macro_btn_stopredio
check "the stop button ends the replacing" false "$(wait_for false recording)"
check "the release of Enter replaced nothing" "$events" "$(macro_events)"
check "the event menu starts replacing again" true "$(replace_chosen_row)"
xdotool key z
click_control keyboard macro_btn_stopredio
check "the stop button ends it again" false "$(wait_for false recording)"
check "the chosen event took Z" "$action 10:29" "$(macro_events | sed -n "${row}p" | cut -d' ' -f1,2)"
check "and the rest stayed" "$(printf '%s\n' "$events" | sed "${row}d")" \
    "$(macro_events | sed "${row}d")"

# --- key capture of the key editor (mouse page) ------------------------------------------
"$ctl" sim select mouse >/dev/null
"$ctl" ui set --page mouse key_Op_tab selected 1 >/dev/null
"$ctl" ui click --page mouse key_1 >/dev/null
"$ctl" ui set --page mouse keyset_function_combo cursel 6 >/dev/null
presses_before=$(presses)
click_control mouse keyset_keyboard_text_edit
sleep 0.3
xdotool keydown Control_R
sleep 0.1
xdotool keydown a
sleep 0.1
xdotool keyup a
xdotool keyup Control_R
check "Right Ctrl chose the Ctrl option" true \
    "$(wait_for true "$ctl" ui get --page mouse key_ComBox_check_1 selected)"
check "A is the key" A "$("$ctl" ui get --page mouse keyset_keyboard_text_edit text)"
assignment=$(python3 - "$XDG_DATA_HOME" <<'PY'
import glob, json, sys
for path in glob.glob(sys.argv[1] + "/*/mouse/*.Json"):
    print(hex(json.load(open(path))["Device"][0]["KeyList"][1]["Assignment"]))
PY
)
check "the key is stored as Ctrl+A" 0x200104 "$assignment"
check "the second client got no key while the field captured" "$presses_before" "$(presses)"
eval "$(xdotool getwindowgeometry --shell "$appwin")"
xdotool mousemove $((X + 300)) $((Y + 760)) click 1 # elsewhere in the window
sleep 0.3
check "leaving the field ends the key capture" yes \
    "$(grep -q 'capture off, mode 1' "$run/app.log" && echo yes || echo no)"
check "the second client takes keys after the key capture" yes "$(second_client_gets_keys)"
"$ctl" sim select keyboard >/dev/null
kb set macro_Op_tab selected 1 >/dev/null

# --- every way a capture ends ------------------------------------------------------------
start_recording() {
    "$ctl" ui click --page keyboard macro_btn_starredio >/dev/null
    [ "$(wait_for true recording)" = true ]
}
# A second start brings the window back; a capture can only grab a window
# the server shows, so wait until it is mapped again.
bring_back() {
    "$bin/veldmark" >>"$app_log" 2>&1
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "VARNE VK-R20" >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 0.3
}

xdotool windowfocus --sync "$appwin"
start_recording
xdotool windowfocus --sync "$xwin"
check "losing the active state ends the recording" false "$(wait_for false recording)"
check "and the keyboard is free" yes "$(second_client_gets_keys)"

bring_back
start_recording
"$ctl" ui click nodevice_ok_btn >/dev/null # hides the window
check "hiding the window ends the recording" false "$(wait_for false recording)"
check "and the keyboard is free" yes "$(second_client_gets_keys)"

bring_back
start_recording
"$ctl" ui click minbtn >/dev/null
check "minimising ends the recording" false "$(wait_for false recording)"
check "and the keyboard is free" yes "$(second_client_gets_keys)"

bring_back
rows_before=$(macro_events | wc -l)
start_recording
xdotool key a
# The key and the close request travel apart: the close waits for the rows.
wait_for $((rows_before + 2)) rows_shown >/dev/null
"$ctl" ui click closebtn >/dev/null # no tray here: the program ends
wait "$app" || true
check "the program ended" no "$(app_running)"
check "what was recorded before the exit is saved" $((rows_before + 2)) "$(macro_events | wc -l)"
check "and the keyboard is free" yes "$(second_client_gets_keys)"

start_app
kb set macro_name_list cursel 0 >/dev/null
start_recording
kill -KILL "$app"
wait "$app" 2>/dev/null || true
check "a crash leaves the keyboard free" yes "$(second_client_gets_keys)"
xdotool mousemove 30 30 click 1
sleep 0.2
check "and the pointer" $((clicks_before + 1)) "$(clicks)"

finish
