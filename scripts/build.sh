#!/usr/bin/env bash
# Configures and builds one configuration: plain (default), asan, tsan or fuzz.
# Usage: scripts/build.sh [config] [ninja targets...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
config=${1:-plain}
shift || true

dir="$root/build/$config"
args=(-S "$root" -B "$dir" -DVELDMARK_SANITIZE="$config")
if command -v ninja >/dev/null; then
    args+=(-G Ninja)
fi
# A compiler cache, when one is installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null; then
    args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
case "$config" in
    plain) ;;
    asan|tsan)
        # The sanitizer runs cover the device stack; the window is exercised by the plain run.
        args+=(-DVELDMARK_WITH_QT=OFF -DVELDMARK_WITH_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
    fuzz)
        args+=(-DVELDMARK_WITH_QT=OFF -DVELDMARK_WITH_BENCH=OFF -DVELDMARK_WITH_TESTS=OFF
               -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
    *) echo "unknown configuration: $config" >&2; exit 2 ;;
esac

if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake "${args[@]}" >/dev/null
else
    cmake "$dir" >/dev/null
fi
cmake --build "$dir" --parallel "$(nproc)" ${1:+--target "$@"}
