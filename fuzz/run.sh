#!/usr/bin/env bash
# fuzz/run.sh FORMAT SECONDS [BUILD_DIR]: runs the fuzz target of FORMAT for SECONDS on its corpus
# (fuzz/corpus/FORMAT/, never written to: new inputs go to a scratch directory). Builds the target
# first in BUILD_DIR (default build-fuzz) with clang. Exits non-zero on a finding, which libFuzzer
# writes as crash-*, leak-*, timeout-* or oom-* into the working directory.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$1
seconds=$2
build=${3:-build-fuzz}
case $format in
collada-wire) target=collada_wire_fuzzer ;;
*) target=${format}_fuzzer ;;
esac
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DAEROVANT_FUZZ=ON -DAEROVANT_TESTS=OFF -DAEROVANT_BENCHMARKS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target "$target" >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 "$scratch" "fuzz/corpus/$format"
