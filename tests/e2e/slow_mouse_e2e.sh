#!/usr/bin/env bash
# A mouse behind a slow link, end to end: mouse-ids.conf names the link slow,
# the simulated mouse then answers only after a probe. The program wakes it
# before every command, so the page connects and a key reaches the mouse;
# when the mouse is out of reach the probe fails and nothing after it is
# sent, the profile still keeps the key, and once the mouse is back the next
# save sends the key table.
#
# Usage: tests/e2e/slow_mouse_e2e.sh BIN_DIR   (the folder holding veldmark and veldmarkctl)
set -euo pipefail

# mouse-ids.conf names the simulated mouse's link slow.
name_the_link_slow() {
    local folder="$1/config/VARNE VK-R20 Mechanical Keyboard"
    mkdir -p "$folder"
    printf 'vendor 0x1234\nproduct 0x5678\nlink slow\n' >"$folder/mouse-ids.conf"
}
. "$(dirname "$0")/e2e_lib.sh"
e2e_session --needs python3 --prepare name_the_link_slow VELDMARK_HID=sim:mouse -- "$@"

ui() { "$ctl" ui "$1" --page mouse "${@:2}"; }
# How many commands of each code the mouse received since the last call, as
# "code×count" words in code order (from the counts `sim log` keeps).
counts() { "$ctl" sim log mouse | python3 -c '
import sys
for line in sys.stdin:
    words = line.split()
    if words and words[0].startswith("0x") and words[-1].isdigit():
        print(words[0], words[-1])'; }
last_counts=""
commands() {
    local now
    now=$(counts)
    python3 -c '
import sys
before = dict(l.split() for l in sys.argv[1].splitlines() if l.strip())
after = dict(l.split() for l in sys.argv[2].splitlines() if l.strip())
print(" ".join(f"{code[2:]}x{int(n) - int(before.get(code, 0))}" for code, n in sorted(after.items())
               if int(n) != int(before.get(code, 0))))' "$last_counts" "$now"
    last_counts=$now
}

launch_app
check "veldmarkctl list names the slow link" "slow mouse" \
    "$("$ctl" list | grep -o 'slow mouse' | head -1)"
expect_ready 320 "connect the mouse" ui get DPI_slider_0 max
check "connected: the page took the mouse's information" 320 "$(ui get DPI_slider_0 max)"
profile=$(profile_in "$(device_folder mouse)")
stored() { printf '0x%x' "$(json_at "$profile" Device 0 KeyList "$1" Assignment)"; }
# The key position that carries the forward button in the mouse's own table.
forward=$(position_of "$("$ctl" sim memory mouse keys)" "10 10 00" 21)
check "the mouse has a forward button" true "$([ "$forward" -ge 0 ] && echo true || echo false)"

# In reach: each command of the key upload follows its own probe.
ui set key_Op_tab selected 1
ui click key_3
ui set keyset_function_combo cursel 7
commands >/dev/null
ui set keyset_media_combo cursel 1  # a choice applies at once: one upload
check "a probe before the information, the bracket, the table and the end" \
    "01x1 02x1 03x1 09x1 aax4" "$(commands)"
check "the key reached the mouse" "30 cd 00" \
    "$(bytes_at "$("$ctl" sim memory mouse keys)" $((forward * 3)) 3)"

# Out of reach: the first probe fails and nothing follows it.
"$ctl" sim fault mouse far >/dev/null
commands >/dev/null
ui set keyset_media_combo cursel 2
check "only the failed probe was sent" aax1 "$(commands)"
check "the mouse keeps the earlier key" "30 cd 00" \
    "$(bytes_at "$("$ctl" sim memory mouse keys)" $((forward * 3)) 3)"
check "the profile keeps the new one" 0x30b700 "$(stored 3)"
check "the program still runs" yes "$(app_running)"

# Back in reach: the commit sends the key table again.
"$ctl" sim fault mouse clear >/dev/null
ui click key_butt_prosave
check "back in reach, the commit writes the key" "30 b7 00" \
    "$(bytes_at "$("$ctl" sim memory mouse keys)" $((forward * 3)) 3)"

finish
