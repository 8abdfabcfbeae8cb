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

# run_suite BUILD_DIR "CTEST OPTIONS" CMAKE_OPTIONS...
run_suite() {
    local dir=$1
    local ctest_options=$2
    shift 2
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    # shellcheck disable=SC2086
    (cd "$dir" && with_display ctest -j"$jobs" --output-on-failure --timeout 600 $ctest_options)
}

echo "== Release build"
# A test process that fails gets one more run: now and then the first client of a fresh virtual
# screen cannot open it. A real fault fails both runs.
run_suite build "--repeat until-pass:2" -DCMAKE_BUILD_TYPE=Release

echo "== AddressSanitizer and UBSan build"
# LeakSanitizer stops every thread to scan the heap at exit; Mesa's shader disk-cache thread made its
# tracer crash ("Tracer caught signal 11") after GL tests had passed. The sanitizer run keeps Mesa's
# helper threads out (no disk cache, rendering on the calling thread).
LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true run_suite build-sanitize "--repeat until-pass:2" \
    -DCMAKE_BUILD_TYPE=Debug -DAEROVANT_SANITIZE=ON -DAEROVANT_BENCHMARKS=OFF
