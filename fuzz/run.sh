#!/usr/bin/env bash
# fuzz/run.sh FORMAT SECONDS [BUILD_DIR]: runs the fuzz target bin/fuzz-FORMAT of BUILD_DIR (default
# build-fuzz, made with -DAEROVANT_FUZZ=ON) for SECONDS on the committed seeds in fuzz/corpus/FORMAT/.
# New inputs it finds go to a scratch corpus that is removed afterwards; a finding (crash, leak,
# timeout, memory limit) is kept in BUILD_DIR/fuzz-findings/FORMAT/ and the script exits 1.
# Targets that need a GL context get a virtual screen when no DISPLAY is set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
format=${1:?usage: fuzz/run.sh FORMAT SECONDS [BUILD_DIR]}
seconds=${2:?usage: fuzz/run.sh FORMAT SECONDS [BUILD_DIR]}
build=${3:-$root/build-fuzz}
target="$build/bin/fuzz-$format"
if [ ! -x "$target" ]; then
    echo "fuzz/run.sh: no target $target (configure with CC=clang CXX=clang++ -DAEROVANT_FUZZ=ON)" >&2
    exit 2
fi
seeds="$root/fuzz/corpus/$format"
findings="$build/fuzz-findings/$format"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
rm -rf "$findings"
mkdir -p "$findings"
corpora=("$scratch")
[ -d "$seeds" ] && corpora+=("$seeds")

# A unit taking a minute is a hang. Under AddressSanitizer a "billion laughs" document takes 10-25 s
# before Xerces' expansion limit stops it (well under a second in a Release build): every one of its
# 10000 expansions makes and drops a reader with large buffers.
command=("$target" -max_total_time="$seconds" -timeout=60 -report_slow_units=60 -rss_limit_mb=2048 -close_fd_mask=3
    -print_final_stats=1 -artifact_prefix="$findings/" "${corpora[@]}")
# As in the test suite: Mesa's helper threads stay out, and the sanitizer's guess at dynamic TLS
# blocks, which can make the leak check read a bogus range, is off (tests/CMakeLists.txt).
export LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0:intercept_tls_get_addr=0"
export UBSAN_OPTIONS=print_stacktrace=1
if [ "$format" = scene ] && [ -z "${DISPLAY:-}" ]; then
    command=(xvfb-run -a -s "-screen 0 640x480x24" "${command[@]}")
fi
echo "== fuzz $format for $seconds s"
status=0
"${command[@]}" >"$scratch/log" 2>&1 || status=$?
grep -E '^#[0-9]+.*(DONE|pulse)|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|cov:' "$scratch/log" |
    tail -4 || true
if [ $status -ne 0 ] || ls "$findings" | grep -q .; then
    cat "$scratch/log" | grep -v '^#[0-9]' | tail -60 >&2
    echo "== fuzz $format: a finding, kept in $findings" >&2
    exit 1
fi
