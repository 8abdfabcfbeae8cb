#!/usr/bin/env bash
# bench/frame-rates.sh [--fps N] [--levels "meadow alpine ..."] [--paths "plain cartoon"] [BUILD_DIR]
#
# Frame rates of the race view measured against glxgears in one virtual screen. For every bundled
# level with a finishing script in tools/fly/scripts and for each drawing path it flies the race
# with `aerovant-fly --render` (N frames per simulated second, default 20, so a level takes well
# under a minute), and runs `glxgears -geometry 800x600` for ten seconds before and after the game.
# Software rendering makes absolute times meaningless across machines: the figure to compare is the
# ratio of the game's frames per second (1000 / median frame time) to glxgears' mean frames per
# second around it. Build first: cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build
#
# Output: one line per level and path,
#   LEVEL PATH frames F median_ms M p99_ms P p99/median R gears_fps G ratio Q
# and at the end the worst level of each path with the targets (cartoon >= 0.15, plain >= 0.30,
# p99 <= 2.5 x median). Needs xvfb-run (xvfb) unless DISPLAY is set, and glxgears (mesa-utils).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
fps=20
levels=""
paths="plain cartoon"
build="$here/build"
while [ $# -gt 0 ]; do
    case $1 in
    --fps) fps=$2; shift 2 ;;
    --levels) levels=$2; shift 2 ;;
    --paths) paths=$2; shift 2 ;;
    -h | --help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) build=$1; shift ;;
    esac
done

fly="$build/bin/aerovant-fly"
if [ ! -x "$fly" ]; then
    echo "frame-rates: $fly not found; build first (cmake --build $build --target aerovant-fly)" >&2
    exit 2
fi
if ! command -v glxgears >/dev/null; then
    echo "frame-rates: glxgears not found; install mesa-utils" >&2
    exit 2
fi
if [ -z "$levels" ]; then
    # The bundled levels, in catalogue order, that have a finishing script.
    for level in $(sed -n 's/.*path="levels\\\([a-z0-9_]*\)".*/\1/p' "$build/bin/levels/config.xml"); do
        [ -f "$here/tools/fly/scripts/$level.txt" ] && levels="$levels $level"
    done
fi

# Everything below runs in one virtual screen, so the game and glxgears share its conditions.
if [ -z "${DISPLAY:-}" ] && [ -z "${FRAME_RATES_INNER:-}" ]; then
    exec env FRAME_RATES_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$0" --fps "$fps" --levels "$levels" --paths "$paths" "$build"
fi

# Mean frames per second of glxgears over ten seconds (it prints one line every five).
gears() {
    { vblank_mode=0 timeout 11 glxgears -geometry 800x600 2>/dev/null || true; } |
        awk '/frames in/ { sum += $(NF-1); n++ } END { if (n) printf "%.1f", sum / n; else print 0 }'
}

worst_report=""
for path in $paths; do
    worst_ratio=""
    worst_spread=0
    for level in $levels; do
        before=$(gears)
        line=$("$fly" --fps "$fps" --render "--$path" "levels\\$level" \
            "$here/tools/fly/scripts/$level.txt" 2>/dev/null | grep '^frames' || true)
        after=$(gears)
        if [ -z "$line" ]; then
            echo "$level $path: aerovant-fly reported no frame times"
            continue
        fi
        echo "$level $path $line $before $after" | awk '{
            frames = $4; median = $6; p99 = $10; gears = ($11 + $12) / 2
            ratio = gears > 0 && median > 0 ? (1000 / median) / gears : 0
            spread = median > 0 ? p99 / median : 0
            printf "%-8s %-7s frames %5d median_ms %7.2f p99_ms %7.2f p99/median %4.2f gears_fps %7.1f (%s/%s) ratio %.3f\n",
                $1, $2, frames, median, p99, spread, gears, $11, $12, ratio
        }' | tee /tmp/frame-rates.$$
        ratio=$(awk '{ print $NF }' /tmp/frame-rates.$$)
        spread=$(awk '{ print $10 }' /tmp/frame-rates.$$)
        rm -f /tmp/frame-rates.$$
        if [ -z "$worst_ratio" ] || awk "BEGIN { exit !($ratio < $worst_ratio) }"; then
            worst_ratio=$ratio
        fi
        if awk "BEGIN { exit !($spread > $worst_spread) }"; then
            worst_spread=$spread
        fi
    done
    target=0.30
    [ "$path" = cartoon ] && target=0.15
    verdict=$(awk "BEGIN { print (${worst_ratio:-0} >= $target && $worst_spread <= 2.5) ? \"met\" : \"NOT met\" }")
    worst_report="$worst_report$(printf '%-7s worst ratio %s (target >= %s), worst p99/median %s (target <= 2.5): %s' \
        "$path" "${worst_ratio:-none}" "$target" "$worst_spread" "$verdict")\n"
done
printf "%b" "$worst_report"
