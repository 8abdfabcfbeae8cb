#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in a Release build, and in a build
# with AddressSanitizer and UBSan. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

# shellcheck disable=SC2086
ensure_packages $AEROVANT_BUILD_PACKAGES $AEROVANT_TEST_PACKAGES

jobs=$(nproc)

# GL tests need a display: without one, everything below runs inside a virtual screen.
with_display() {
    if [ -n "${DISPLAY:-}" ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
    fi
}

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    (cd "$dir" && with_display ctest -j"$jobs" --output-on-failure --timeout 600)
}

echo "== Release build"
run_suite build -DCMAKE_BUILD_TYPE=Release

echo "== AddressSanitizer and UBSan build"
# LeakSanitizer stops every thread to scan the heap at exit, and now and then crashes while Mesa's
# rasteriser threads are shutting down; the sanitizer run renders on the calling thread.
LP_NUM_THREADS=0 run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DAEROVANT_SANITIZE=ON -DAEROVANT_BENCHMARKS=OFF
