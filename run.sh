#!/usr/bin/env bash
# Installs what is missing, builds the game in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

# shellcheck disable=SC2086
ensure_packages $AEROVANT_BUILD_PACKAGES

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DAEROVANT_TESTS=OFF -DAEROVANT_BENCHMARKS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target aerovant

if [ -z "${DISPLAY:-}" ]; then
    echo "There is no display to open the game window on (DISPLAY is not set)."
    echo "On a machine without a screen, run it inside a virtual one:"
    echo "    xvfb-run -a -s '-screen 0 1280x1024x24' build/bin/aerovant"
    exit 1
fi
exec build/bin/aerovant
