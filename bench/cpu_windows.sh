# Sourced by the whole-process CPU scripts: the share of one core a running
# process spends, measured in windows so that a burst of work from elsewhere
# on a shared machine moves one window, not the figure.

# Nanoseconds each thread of process $1 spent on a processor ("tid ns"; the
# scheduler's own accounting: ticks are too coarse for windows of a few
# seconds).
thread_ns() {  # pid
    local task
    for task in /proc/"$1"/task/*; do
        printf '%s %s\n' "${task##*/}" "$(cut -d' ' -f1 "$task/schedstat" 2>/dev/null || echo 0)"
    done
}

# What the threads spent between two thread_ns lists: a thread that came
# meanwhile counts from nothing, one that ended is left out.
spent_ns() {  # before after
    awk 'NR == FNR { before[$1] = $2; next } { s += $2 - ($1 in before ? before[$1] : 0) }
         END { printf "%d", s }' <(printf '%s\n' "$1") <(printf '%s\n' "$2")
}

# Cuts SECONDS into WINDOWS windows and prints "median low high window-seconds",
# each share in percent of one core.
cpu_windows() {  # pid seconds windows
    local i w t0 t1
    local -a shares=()
    w=$(awk -v s="$2" -v n="$3" 'BEGIN { printf "%.3f", s / n }')
    for i in $(seq 1 "$3"); do
        t0=$(thread_ns "$1")
        sleep "$w"
        t1=$(thread_ns "$1")
        shares+=("$(awk -v d="$(spent_ns "$t0" "$t1")" -v s="$w" 'BEGIN { printf "%.2f", d / 1e7 / s }')")
    done
    printf '%s\n' "${shares[@]}" | sort -n | awk -v n="$3" -v w="$w" '
        { v[NR] = $1 }
        END {
            m = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
            printf "%.2f %.2f %.2f %s\n", m, v[1], v[n], w
        }'
}
