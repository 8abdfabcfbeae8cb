#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test once in two builds: Release, and one with
# AddressSanitizer and UBSan. Then every fuzz target (a clang build of the targets only) runs for
# AEROVANT_FUZZ_SECONDS (30) on its committed corpus. All of it runs on a virtual screen of its own,
# started here and stopped at the end. Exits non-zero when anything fails or the fuzzing finds
# anything.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

# shellcheck disable=SC2086
ensure_packages $AEROVANT_BUILD_PACKAGES $AEROVANT_TEST_PACKAGES $AEROVANT_FUZZ_PACKAGES

jobs=$(nproc)

# configure_and_build BUILD_DIR CMAKE_OPTIONS...
configure_and_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
}

# start_screen: starts Xvfb on a display number nobody uses, readable only with a cookie of its own,
# and waits until it accepts clients. Sets DISPLAY and XAUTHORITY for everything after it.
screen_pid=""
screen_dir=""
start_screen() {
    screen_dir=$(mktemp -d)
    export XAUTHORITY="$screen_dir/Xauthority"
    # A cookie for any display number (family "wild", no number): the number is known only once
    # Xvfb has found a free one. The name is MIT-MAGIC-COOKIE-1 in hexadecimal.
    local cookie
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    : >"$XAUTHORITY"
    echo "ffff 0000  0000  0012 4d49542d4d414749432d434f4f4b49452d31 0010 $cookie" | xauth nmerge -
    # -displayfd: Xvfb takes the first free display number (no race with other virtual screens
    # started at the same moment) and writes it once it listens. -noreset: by default the server
    # resets whenever its last client leaves, and a client connecting in that moment is refused
    # ("failed to open display"): 6 to 9 of 400 connections in pairs, none with -noreset.
    mkfifo "$screen_dir/number"
    Xvfb -displayfd 3 -auth "$XAUTHORITY" -noreset -nolisten tcp -screen 0 1280x1024x24 \
        3>"$screen_dir/number" 2>"$screen_dir/xvfb.log" &
    screen_pid=$!
    local number=""
    read -r -t 30 number <"$screen_dir/number" || true
    if [ -z "$number" ]; then
        echo "The virtual screen did not start:" >&2
        cat "$screen_dir/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=":$number"
    local tries=0
    until xdpyinfo >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -ge 300 ] || ! kill -0 "$screen_pid" 2>/dev/null; then
            echo "The virtual screen $DISPLAY does not accept clients:" >&2
            cat "$screen_dir/xvfb.log" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "== Virtual screen $DISPLAY (Xvfb, process $screen_pid)"
}

stop_screen() {
    if [ -n "$screen_pid" ]; then
        kill "$screen_pid" 2>/dev/null || true
        wait "$screen_pid" 2>/dev/null || true
        screen_pid=""
    fi
    if [ -n "$screen_dir" ]; then
        rm -rf "$screen_dir"
        screen_dir=""
    fi
}
trap stop_screen EXIT

# run_tests BUILD_DIR: every test once; a test that fails is a fault to find, not to retry.
run_tests() {
    (cd "$1" && ctest -j"$jobs" --output-on-failure --timeout 600)
}

echo "== Release build"
configure_and_build build -DCMAKE_BUILD_TYPE=Release
echo "== AddressSanitizer and UBSan build"
configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DAEROVANT_SANITIZE=ON -DAEROVANT_BENCHMARKS=OFF
echo "== Fuzz targets (clang, libFuzzer)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAEROVANT_FUZZ=ON \
    -DAEROVANT_TESTS=OFF -DAEROVANT_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target aerovant_fuzz

start_screen
status=0
echo "== Release tests"
run_tests build || status=1
echo "== AddressSanitizer and UBSan tests"
# LeakSanitizer stops every thread to scan the heap at exit. Mesa's helper threads stay out of the
# sanitizer run (no disk cache, rendering on the calling thread), so there is only the test's own
# thread to stop; tests/CMakeLists.txt says why the sanitizer's TLS guess is off.
LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true run_tests build-sanitize || status=1
echo "== Fuzzing"
# Every target that was built, including those other parts of the game add to fuzz/CMakeLists.txt.
for target in build-fuzz/bin/fuzz-*; do
    fuzz/run.sh "${target##*/fuzz-}" "${AEROVANT_FUZZ_SECONDS:-30}" build-fuzz || status=1
done
stop_screen

if [ $status -ne 0 ]; then
    echo "== Some tests failed" >&2
else
    echo "== All tests passed"
fi
exit $status
