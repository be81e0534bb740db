#!/usr/bin/env bash
# Runs every built fuzz target for the given number of seconds (default 20),
# starting from its seed corpus under fuzz/corpus/<target>/ when there is one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
dir="$root/build/fuzz/fuzz"
[ -d "$dir" ] || { echo "no fuzz targets built"; exit 0; }
shopt -s nullglob
for target in "$dir"/*; do
    [ -f "$target" ] && [ -x "$target" ] || continue  # skip the build tree's own folders
    name=$(basename "$target")
    work=$(mktemp -d)
    seeds=()
    [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
    echo "-- $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -print_final_stats=0 "$work" "${seeds[@]}" 2>"$work.log" || {
        tail -50 "$work.log"; echo "fuzz target $name failed"; exit 1; }
    grep -E '^(#[0-9]+ *DONE|Done)' "$work.log" | tail -1 || true
    rm -rf "$work" "$work.log"
done
