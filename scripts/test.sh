#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite once,
# the device tests under AddressSanitizer + UndefinedBehaviorSanitizer and under
# ThreadSanitizer, a short run of every fuzz target and the kernel test bed;
# first of all, that the sources are formatted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

jobs=$(nproc)
run_ctest() {
    local dir=$1; shift
    (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@")
}

echo "== formatting"
folders=()
for d in platform device sim profile editors keyboard mouse mousepad headset update shell tools tests bench fuzz; do
    [ -d "$root/$d" ] && folders+=("$d")
done
(cd "$root" && find "${folders[@]}" \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run --Werror)

echo "== plain build: every test"
"$root/scripts/build.sh" plain
run_ctest "$root/build/plain"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: device tests"
"$root/scripts/build.sh" asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest "$root/build/asan" -L device

echo "== ThreadSanitizer: device tests"
"$root/scripts/build.sh" tsan
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest "$root/build/tsan" -L device

echo "== fuzz targets (short runs)"
"$root/scripts/build.sh" fuzz
"$root/scripts/fuzz.sh" "${VELDMARK_FUZZ_SECONDS:-20}"

if [ -x "$root/tests/vm/run_vm_test.sh" ]; then
    echo "== kernel test bed"
    "$root/tests/vm/run_vm_test.sh"
fi
