#!/usr/bin/env bash
# The headset page end to end, as a person meets it: the program on the
# simulated headset and audio library under Xvfb, driven only through
# veldmarkctl ui and read back through veldmarkctl sim and the profile file.
#
# Usage: tests/e2e/headset_e2e.sh BIN_DIR [SCREENSHOT.png]
set -euo pipefail

shot=${2:-}
. "$(dirname "$0")/e2e_lib.sh"
e2e_session --usage "BIN_DIR [SCREENSHOT.png]" --screen 1400x900x24 VELDMARK_HID=sim:headset -- "$@"

start_app true "show the headset page with its audio" \
    "$ctl" ui get --page headset 6533_eq_option_2 enabled
folder=$(device_folder HD)

# The sound tab, then equaliser preset 2.
"$ctl" ui set --page headset 6533_voice_Op_tab selected 1
"$ctl" ui set --page headset 6533_eq_option_2 selected 1
stored=$(json_at "$(profile_in "$folder")" Device 0 SystemSetStages EqType)
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
finish
