# What the end-to-end scripts share: a private session for the program,
# starting and stopping it, and the checks and readers the scripts use.
# A script sources it after `set -euo pipefail` and enters its session first:
#
#   . "$(dirname "$0")/e2e_lib.sh"
#   e2e_session [--usage TEXT] [--needs "TOOL..."] [--screen WxHxD] [--dbus]
#               [--prepare FUNCTION] [NAME=VALUE...] -- "$@"
#
# The first time round (the outer stage) it checks the tools (a missing one
# skips the test), makes private folders for HOME, the XDG folders and the
# runtime folder, calls the prepare function with the work folder, and runs
# the script again under xvfb-run (and dbus-run-session with --dbus) with
# those folders, the NAME=VALUE variables and a single-instance name of the
# run's own; then it removes the folders and exits with the inner run's
# status. In the inner run it returns with `bin`, `ctl`, `run` and `app_log`
# set. From then on, whenever the script ends, the program is stopped, the
# processes handed to stop_at_exit are ended, and on failure the end of what
# the program printed is shown.

passed=0
failed=0
app=""
e2e_helpers=()
e2e_log_shown=""
# How often wait_for asks (every 0.1 s) before it gives up.
wait_tries=${wait_tries:-50}

e2e_session() {
    local usage="BIN_DIR" needs="" screen="" dbus="" prepare="" vars=()
    while [ $# -gt 0 ]; do
        case $1 in
        --usage) usage=$2; shift 2 ;;
        --needs) needs=$2; shift 2 ;;
        --screen) screen=$2; shift 2 ;;
        --dbus) dbus=1; shift ;;
        --prepare) prepare=$2; shift 2 ;;
        --) shift; break ;;
        *=*) vars+=("$1"); shift ;;
        *) echo "e2e_session: unknown option $1" >&2; exit 2 ;;
        esac
    done
    bin=$(cd "${1:?usage: $0 $usage}" && pwd)
    shift
    if [ "${VELDMARK_E2E_INNER:-}" = 1 ]; then
        ctl="$bin/veldmarkctl"
        run="$XDG_RUNTIME_DIR"
        app_log="$run/app.log"
        shot_dir=${VELDMARK_E2E_SHOTS:-}
        trap e2e_cleanup EXIT
        return 0
    fi

    local tool
    for tool in xvfb-run $needs ${dbus:+dbus-run-session}; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/setup.sh)"; exit 0; }
    done
    local name
    name=$(basename "$0" .sh)
    e2e_work=$(mktemp -d "/tmp/veldmark-$name-XXXXXX")
    trap 'rm -rf "$e2e_work"' EXIT
    mkdir -p "$e2e_work/data" "$e2e_work/config" "$e2e_work/home" "$e2e_work/run"
    chmod 700 "$e2e_work/run"
    [ -z "$prepare" ] || "$prepare" "$e2e_work"
    # The private folders go in front of everything the run starts, so that
    # nothing of the user's own settings or running program is touched.
    local command=(env VELDMARK_E2E_INNER=1 HOME="$e2e_work/home" XDG_DATA_HOME="$e2e_work/data"
        XDG_CONFIG_HOME="$e2e_work/config" XDG_RUNTIME_DIR="$e2e_work/run"
        VELDMARK_INSTANCE="veldmark-$name-$$" "${vars[@]}" xvfb-run -a)
    [ -z "$screen" ] || command+=(-s "-screen 0 $screen")
    [ -z "$dbus" ] || command+=(dbus-run-session --)
    local status=0 self
    self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
    "${command[@]}" "$self" "$bin" "$@" || status=$?
    exit "$status"
}

e2e_cleanup() {
    local status=$? pid
    set +e
    stop_app
    for pid in "${e2e_helpers[@]}"; do
        kill "$pid" 2>/dev/null
    done
    if [ "$status" -ne 0 ] && [ -z "$e2e_log_shown" ] && [ -s "$app_log" ]; then
        echo "--- what the program printed (last 40 lines)"
        tail -40 "$app_log"
    fi
    exit "$status"
}

stop_at_exit() {  # stop_at_exit PID: a helper process the script started
    e2e_helpers+=("$1")
}

# --- the program ------------------------------------------------------------------------------
launch_app() {
    "$bin/veldmark" >>"$app_log" 2>&1 &
    app=$!
}
# Waits until COMMAND prints WANT; otherwise says what the program did not do,
# shows all it printed and ends the script.
expect_ready() {  # expect_ready WANT WHAT COMMAND...
    local want=$1 what=$2
    shift 2
    if [ "$(wait_for "$want" "$@")" != "$want" ]; then
        echo "the program did not $what"
        cat "$app_log"
        e2e_log_shown=1
        exit 1
    fi
}
start_app() {  # start_app WANT WHAT COMMAND...: launch_app, then expect_ready
    launch_app
    expect_ready "$@"
}
stop_app() {
    [ -n "$app" ] || return 0
    kill -TERM "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    app=""
}
app_running() { kill -0 "$app" 2>/dev/null && echo yes || echo no; }

# Stops the program and prints the count; fails when a check failed.
finish() {
    stop_app
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# --- checks -----------------------------------------------------------------------------------
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
    for _ in $(seq "$wait_tries"); do
        seen=$("$@" 2>/dev/null || true)
        [ "$seen" = "$want" ] && break
        sleep 0.1
    done
    printf '%s' "$seen"
}
shot() {  # shot NAME: a screenshot for a person to look at, when a folder for them is given
    [ -n "${shot_dir:-}" ] && "$ctl" ui screenshot "$shot_dir/$1.png" || true
}

# --- readers ----------------------------------------------------------------------------------
# A `veldmarkctl sim memory` dump ("0010: 0a 00 …" lines) as a byte per address.
e2e_read_dump='
import sys
memory = {}
for line in sys.stdin:
    words = line.split()
    if words and words[0].endswith(":"):
        base = int(words[0][:-1], 16)
        for i, word in enumerate(words[1:]):
            memory[base + i] = word
'
# `count` bytes from `offset` of a dump, space separated ("??" where it has none).
bytes_at() {  # bytes_at DUMP OFFSET COUNT
    printf '%s\n' "$1" | python3 -c "$e2e_read_dump"'
start, count = int(sys.argv[1]), int(sys.argv[2])
print(" ".join(memory.get(i, "??") for i in range(start, start + count)))' "$2" "$3"
}
# The first of `positions` three-byte entries of a key table dump that holds
# `want`, or -1.
position_of() {  # position_of DUMP "KIND P1 P2" POSITIONS
    printf '%s\n' "$1" | python3 -c "$e2e_read_dump"'
want, positions = sys.argv[1], int(sys.argv[2])
entry = lambda p: " ".join(memory.get(i, "??") for i in range(3 * p, 3 * p + 3))
print(next((p for p in range(positions) if entry(p) == want), -1))' "$2" "$3"
}
# A value of a JSON file, by its keys and list indexes.
json_at() {  # json_at FILE KEY...
    python3 -c '
import json, sys
value = json.load(open(sys.argv[1]))
for key in sys.argv[2:]:
    value = value[int(key)] if isinstance(value, list) else value[key]
print(value)' "$@"
}
# The program's folder for a kind of device ("mouse", "keyboard", "HD", …) and
# the profile file in one.
device_folder() { find "$XDG_DATA_HOME" -maxdepth 2 -type d -name "$1" | head -1; }
profile_in() { find "$1" -maxdepth 1 -name '*.Json' | head -1; }
