#!/usr/bin/env bash
# The headset page end to end, as a person meets it: the program on the
# simulated headset and audio library under Xvfb, driven only through
# veldmarkctl ui and read back through veldmarkctl sim and the profile file.
#
# Usage: tests/e2e/headset_e2e.sh BIN_DIR [SCREENSHOT.png]
set -euo pipefail

bin=$(cd "${1:?usage: $0 BIN_DIR [SCREENSHOT.png]}" && pwd)
shot=${2:-}
if [ "${VELDMARK_E2E_INNER:-}" != 1 ]; then
    command -v xvfb-run >/dev/null || { echo "skipped: xvfb-run is not installed (scripts/setup.sh)"; exit 0; }
    work=$(mktemp -d /tmp/veldmark-e2e-XXXXXX)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/data" "$work/config" "$work/home" "$work/run"
    chmod 700 "$work/run"
    env VELDMARK_E2E_INNER=1 HOME="$work/home" XDG_DATA_HOME="$work/data" \
        XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" VELDMARK_HID=sim:headset \
        VELDMARK_INSTANCE=veldmark-e2e-headset \
        xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$bin" "$shot"
    exit $?
fi

ctl="$bin/veldmarkctl"
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
# Polls a command until it prints `want` (5 s at most); prints what it saw last.
wait_for() {  # wait_for WANT COMMAND...
    local want=$1 seen=""
    shift
    for _ in $(seq 50); do
        seen=$("$@" 2>/dev/null || true)
        [ "$seen" = "$want" ] && break
        sleep 0.1
    done
    printf '%s' "$seen"
}

"$bin/veldmark" >"$XDG_RUNTIME_DIR/app.log" 2>&1 &
app=$!
stop_app() {
    kill -TERM "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
}
trap stop_app EXIT
ready=$(wait_for true "$ctl" ui get --page headset 6533_eq_option_2 enabled)
if [ "$ready" != true ]; then
    echo "the program did not show the headset page with its audio"
    cat "$XDG_RUNTIME_DIR/app.log"
    exit 1
fi
folder=$(find "$XDG_DATA_HOME" -maxdepth 2 -type d -name HD | head -1)

# The sound tab, then equaliser preset 2.
"$ctl" ui set --page headset 6533_voice_Op_tab selected 1
"$ctl" ui set --page headset 6533_eq_option_2 selected 1
profile=$(find "$folder" -maxdepth 1 -name '*.Json' | head -1)
stored=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["Device"][0]["SystemSetStages"]["EqType"])' "$profile")
check "the profile's EqType" 2 "$stored"
bands=$("$ctl" sim audio headset | awk '$1 == "playback" && $2 ~ /^EQ_Slider/ {sub("EQ_Slider", "", $2); print $2, $3}' |
    sort -n | awk '{printf "%s%s", sep, $2; sep=","}')
check "the library's ten EQ_Slider values" "7,11,6,-3,-11,-1,6,13,6,13" "$bands"
check "band 5 slider shows the preset" -11 "$("$ctl" ui get --page headset 6533_eq_hz_slider_4 value)"

# The microphone slider reaches the library as a level 0-1.
"$ctl" ui set --page headset 6533_MicIn_slider value 35
level=$("$ctl" sim audio headset | awk '$1 == "recording" && $2 == "VolumeScalarControl" {printf "%.2f", $3}')
check "microphone level in the library" 0.35 "$level"

# The default lighting is mode 1 (spectrum): every frame is twelve reports in order.
frame_count() { "$ctl" sim frames headset | sed -n 's/^frames: //p'; }
for _ in $(seq 50); do
    [ "$(frame_count)" -gt 1 ] 2>/dev/null && break
    sleep 0.1
done
frames=$("$ctl" sim frames headset)
order=$(printf '%s\n' "$frames" | sed -n 's/^order: //p')
check "the last frame's reports in order" "22aa 22ad 44aa 44ad 22ab 22ae 44ab 44ae 22ac 22af 44ac 44af" "$order"
count=$(printf '%s\n' "$frames" | sed -n 's/^frames: //p')
reports=$(printf '%s\n' "$frames" | sed -n 's/^reports: //p')
check "twelve reports a frame" "$((count * 12))" "$reports"
[ "$count" -gt 1 ] && check "frames keep coming" yes yes || check "frames keep coming" "more than 1" "$count"

if [ -n "$shot" ]; then
    "$ctl" ui screenshot "$shot" || true
fi
stop_app
trap - EXIT
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
