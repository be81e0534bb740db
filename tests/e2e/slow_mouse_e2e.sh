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

bin=$(cd "${1:?usage: $0 BIN_DIR}" && pwd)
if [ "${VELDMARK_E2E_INNER:-}" != 1 ]; then
    for tool in xvfb-run python3; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/setup.sh)"; exit 0; }
    done
    work=$(mktemp -d /tmp/veldmark-e2e-XXXXXX)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/data" "$work/config/VARNE VK-R20 Mechanical Keyboard" "$work/home" "$work/run"
    chmod 700 "$work/run"
    printf 'vendor 0x1234\nproduct 0x5678\nlink slow\n' \
        >"$work/config/VARNE VK-R20 Mechanical Keyboard/mouse-ids.conf"
    env VELDMARK_E2E_INNER=1 HOME="$work/home" \
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
# The key position that carries the forward button in the mouse's own table.
position_of() {  # position_of DUMP "KIND P1 P2"
    for position in $(seq 0 20); do
        [ "$(bytes_at "$1" $((position * 3)) 3)" = "$2" ] && { echo "$position"; return; }
    done
    echo -1
}

"$bin/veldmark" >"$XDG_RUNTIME_DIR/app.log" 2>&1 &
app=$!
stop_app() {
    kill -TERM "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
}
trap stop_app EXIT
check "veldmarkctl list names the slow link" "slow mouse" \
    "$("$ctl" list | grep -o 'slow mouse' | head -1)"
if [ "$(wait_for 320 ui get DPI_slider_0 max)" != 320 ]; then
    echo "the program did not connect the mouse"
    cat "$XDG_RUNTIME_DIR/app.log"
    exit 1
fi
check "connected: the page took the mouse's information" 320 "$(ui get DPI_slider_0 max)"
folder=$(find "$XDG_DATA_HOME" -maxdepth 2 -type d -name mouse | head -1)
profile=$(find "$folder" -maxdepth 1 -name '*.Json' | head -1)
stored() {
    python3 -c 'import json,sys; print(hex(json.load(open(sys.argv[1]))["Device"][0]["KeyList"][int(sys.argv[2])]["Assignment"]))' \
        "$profile" "$1"
}
forward=$(position_of "$("$ctl" sim memory mouse keys)" "10 10 00")
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
check "the program still runs" yes "$(kill -0 "$app" 2>/dev/null && echo yes || echo no)"

# Back in reach: the commit sends the key table again.
"$ctl" sim fault mouse clear >/dev/null
ui click key_butt_prosave
check "back in reach, the commit writes the key" "30 b7 00" \
    "$(bytes_at "$("$ctl" sim memory mouse keys)" $((forward * 3)) 3)"

stop_app
trap - EXIT
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
