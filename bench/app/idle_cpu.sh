#!/usr/bin/env bash
# Idle CPU of the whole program, as `top` would show it: the program runs on a
# virtual display with a tray (so closing the window hides it, as on a
# desktop) and the simulated devices, and is left alone for a while. Prints
# three figures, each in percent of one core over the measured time:
#   hidden, four devices   the window closed to the tray, all four devices attached
#   shown, four devices    the window on screen, all four devices attached
#   shown, no device       the window on screen, nothing attached
#   hidden, four in step   hidden again, all four breathing in one synchronised
#                          group (chosen on the mousepad, "deng_same_mode")
#   hidden, four alone     the same four breathing, each on its own (each left
#                          the group by setting the brightness it already had)
# and, for each, the threads that spent the most.
#
# Usage: bench/app/idle_cpu.sh [--seconds N] [--windows N] [--build DIR]
#   --seconds N   length of each measurement (default 20)
#   --windows N   windows the time is cut into; the median is printed (default 5)
#   --build DIR   build folder holding bin/veldmark and bin/veldmarkctl
#                 (default build/plain)
# Needs Xvfb (xvfb-run); trayer for the tray (without it the window cannot be
# hidden and that figure is skipped); xdotool only for builds whose
# veldmarkctl has no `ui` command.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=20
windows=5
build="$root/build/plain"
inner=0
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds=$2; shift 2 ;;
        --windows) windows=$2; shift 2 ;;
        --build) build=$(cd "$2" && pwd); shift 2 ;;
        --inner) inner=1; shift ;;
        *) echo "usage: $0 [--seconds N] [--windows N] [--build DIR]" >&2; exit 2 ;;
    esac
done

if [ "$inner" -eq 0 ]; then
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" --inner --seconds "$seconds" \
        --windows "$windows" --build "$build"
fi

app="$build/bin/veldmark"
ctl="$build/bin/veldmarkctl"
[ -x "$app" ] && [ -x "$ctl" ] || { echo "no veldmark and veldmarkctl in $build/bin" >&2; exit 1; }

work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/share" XDG_CONFIG_HOME="$work/config"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export VELDMARK_INSTANCE="veldmark_idle_$$"
unset VELDMARK_TRACE QT_QPA_PLATFORM
tray=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
    [ -n "$tray" ] && kill "$tray" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

if command -v trayer >/dev/null; then
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    tray=$!
    sleep 1
fi

ticks=$(getconf CLK_TCK)

# utime + stime of a /proc stat file (fields 14 and 15; the name in field 2
# may hold spaces, so fields are counted after its closing parenthesis).
cpu_ticks() {
    local stat
    stat=$(cat "$1" 2>/dev/null) || { echo 0; return; }
    stat=${stat##*) }
    set -- $stat
    echo $(( ${12} + ${13} ))
}

. "$root/bench/cpu_windows.sh"

snapshot() {  # thread id, name and ticks of every thread of the program
    local task
    for task in /proc/"$app_pid"/task/*; do
        printf '%s\t%s\t%s\n' "${task##*/}" "$(cat "$task/comm" 2>/dev/null)" "$(cpu_ticks "$task/stat")"
    done
}

measure() {  # label
    kill -0 "$app_pid" 2>/dev/null || { echo "the program is gone:"; tail -20 "$work/app.log"; }
    # The time is cut into windows and the median window is printed: a burst
    # of work from elsewhere on a shared machine moves one window, not the
    # figure. The threads are counted over the whole time.
    local before after m low high w
    before=$(snapshot)
    read -r m low high w < <(cpu_windows "$app_pid" "$seconds" "$windows")
    after=$(snapshot)
    printf "%-24s %6.2f %% of one core (median of %d windows of %s s, %.2f-%.2f)\n" \
        "$1:" "$m" "$windows" "$w" "$low" "$high"
    # The busiest threads, so that a figure can be traced to its spender.
    join -t $'\t' <(sort <<<"$before") <(sort <<<"$after") |
        awk -F'\t' -v t="$ticks" -v s="$seconds" \
            '{ d = $5 - $3; if (d > 0) printf "    %-16s %6.2f %%\n", $2, 100 * d / t / s }' |
        sort -k2 -nr | head -${VELDMARK_TOP_THREADS:-5}
}

start_app() {  # hid kinds
    VELDMARK_HID="$1" "$app" >"$work/app.log" 2>&1 &
    app_pid=$!
    local i
    for i in $(seq 1 100); do
        # Any answer but "does not run" means the window is up; with devices,
        # their page can be selected once they arrived.
        if reply=$("$ctl" sim select "$2" 2>&1) || { [ "$1" = sim:none ] &&
            ! grep -q "does not run" <<<"$reply"; }; then
            break
        fi
        sleep 0.2
    done
    # Every device connects 500 ms after it arrives; the figures start after that.
    sleep 3
}

stop_app() {
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
}

hide_window() {
    if "$ctl" ui click closebtn >/dev/null 2>&1; then
        return 0
    fi
    # Builds without `ui`: the window is unmapped on the display instead.
    command -v xdotool >/dev/null || return 1
    local w
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        xdotool windowunmap "$w"
    done
}

echo "idle CPU, ${seconds} s each, $(basename "$app") from $build"
start_app sim mousepad
if [ -n "$tray" ] && hide_window; then
    sleep 1
    measure "hidden, four devices"
    # A second copy asks the first to come to the front, as from a launcher.
    VELDMARK_HID=sim "$app" >/dev/null 2>&1 || true
    sleep 1
else
    echo "hidden, four devices:    skipped (no tray to hide the window to)"
fi
measure "shown, four devices"
if [ -n "$tray" ] && hide_window; then
    sleep 1
    "$ctl" ui set --page mousepad light_combo_modeSelect cursel 2 >/dev/null
    level=$("$ctl" ui get --page mousepad deng_light_slider value)
    "$ctl" ui click --page mousepad deng_same_mode >/dev/null
    sleep 1
    marks=""
    for kind in keyboard mouse mousepad headset; do
        marks="$marks $("$ctl" ui get --page "$kind" synchro_device_select selected)"
    done
    echo "synchronised marks (keyboard mouse mousepad headset):$marks"
    measure "hidden, four in step"
    for kind in mousepad keyboard mouse headset; do
        "$ctl" ui set --page "$kind" deng_light_slider value "$level" >/dev/null
    done
    sleep 1
    measure "hidden, four alone"
fi
stop_app

start_app sim:none mousepad
measure "shown, no device"
stop_app
