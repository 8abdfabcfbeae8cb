#!/usr/bin/env bash
# install-test.sh BUILD_DIR SOURCE_DIR: installs the built game into a scratch prefix, makes the
# installed files read-only, and runs the installed programs from another working directory as a
# player would: aerovant-fly finishes a level from the installed data, and the game started with the
# desktop entry's command opens its window and loads its data without a message (a screenshot of the
# window is kept in $AEROVANT_SNAPSHOT_DIR when set). The
# desktop entry and the AppStream file must pass their validators. Needs an X display. Every
# process it starts is stopped on every way out.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
id=org.aerovant.Aerovant

work=$(mktemp -d)
started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# run_limited SECONDS OUT ERR COMMAND...: runs COMMAND in the background (so a signal to this script
# is handled at once) with its output in OUT and ERR, waits at most SECONDS; sets `status`.
run_limited() {
    local seconds=$1 out=$2 err=$3
    shift 3
    "$@" >"$out" 2>"$err" &
    local pid=$!
    started+=("$pid")
    local waited=0
    while kill -0 "$pid" 2>/dev/null && [ $waited -lt $((seconds * 10)) ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        fail "$* did not end within $seconds s"
    fi
    status=0
    wait "$pid" || status=$?
}

[ -n "${DISPLAY:-}" ] || fail "no X display (run the suite through test.sh or xvfb-run)"

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install failed: $(cat "$work/install.log")"

# The layout.
for file in bin/aerovant bin/aerovant-fly bin/aerovant-preview bin/aerovant-import \
    share/aerovant/levels/config.xml share/aerovant/models/airplane.dae share/aerovant/shader/vp_cartoon.glsl \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/256x256/apps/$id.png \
    share/man/man6/aerovant.6.gz share/man/man1/aerovant-fly.1.gz share/man/man1/aerovant-preview.1.gz; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ ! -e "$prefix/share/aerovant/icons" ] || fail "the icons are installed into the data directory too"
[ ! -e "$prefix/bin/levels" ] || fail "data is installed next to the programs"
find "$prefix/share/aerovant" -name '*.highscore' | grep -q . && fail "highscore files are installed"
size=$(identify -format '%wx%h' "$prefix/share/icons/hicolor/48x48/apps/$id.png")
[ "$size" = 48x48 ] || fail "the 48x48 icon is $size"

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"

# As installed for everybody: the player may change nothing there. The programs run in a user
# namespace of their own: there root's files are not theirs to change (root may write anywhere
# else), and a host name of their own marks the game's window apart from the windows of other
# tests on the same display (freeglut sets no process id on it).
chmod -R a-w "$prefix"
machine="aerovant-install-test-$$"
player=(unshare -U -u sh -c 'echo "$0" >/proc/sys/kernel/hostname && exec "$@"' "$machine")
"${player[@]}" true || fail "cannot start a program in a user namespace (unshare -U -u)"
# The display's cookie, for any host name.
cookie=$(xauth list "$DISPLAY" 2>/dev/null | awk '{print $NF; exit}')
[ -n "$cookie" ] || cookie=$(xauth nlist 2>/dev/null | awk '$1 == "ffff" {print $NF; exit}')
if [ -n "$cookie" ]; then
    export XAUTHORITY=$work/Xauthority
    : >"$XAUTHORITY"
    echo "ffff 0000  0000  0012 4d49542d4d414749432d434f4f4b49452d31 0010 $cookie" | xauth nmerge -
fi
if "${player[@]}" touch "$prefix/share/aerovant/probe" 2>/dev/null; then
    fail "the installed data is still writable"
fi
mkdir -p "$work/elsewhere" "$work/home"
cd "$work/elsewhere"
export HOME=$work/home XDG_DATA_HOME=$work/home/data

# A race flown from the installed data.
run_limited 300 "$work/fly.out" "$work/fly.err" "${player[@]}" "$prefix/bin/aerovant-fly" 'levels\meadow' \
    "$source/tools/fly/scripts/meadow.txt"
[ "$status" -eq 0 ] || fail "aerovant-fly ended with $status: $(cat "$work/fly.out" "$work/fly.err")"
grep -qE '^finished [0-9]+$' "$work/fly.out" || fail "aerovant-fly did not finish: $(cat "$work/fly.out")"
[ ! -s "$work/fly.err" ] || fail "aerovant-fly reported: $(cat "$work/fly.err")"

# The game started as the desktop entry starts it, with the installed programs on the PATH.
command=$(sed -n 's/^Exec=//p' "$prefix/share/applications/$id.desktop")
[ "$command" = aerovant ] || fail "unexpected Exec line: $command"
PATH="$prefix/bin:$PATH" "${player[@]}" "$command" >"$work/game.out" 2>"$work/game.err" &
game=$!
started+=("$game")
window=""
for _ in $(seq 300); do
    kill -0 "$game" 2>/dev/null || fail "the game ended at once: $(cat "$work/game.out" "$work/game.err")"
    for candidate in $(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "Aerovant".*/\1/p'); do
        if xprop -id "$candidate" WM_CLIENT_MACHINE | grep -qF "\"$machine\""; then
            window=$candidate
        fi
    done
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window of the game appeared"
# The menu is drawn over its background picture: wait until the window shows far more colours than
# a blank or half-drawn window would.
colours=0
for _ in $(seq 150); do
    kill -0 "$game" 2>/dev/null || fail "the game ended: $(cat "$work/game.out" "$work/game.err")"
    xwd -id "$window" -silent | convert xwd:- "$work/menu.png" || fail "no screenshot of the game"
    colours=$(identify -format '%k' "$work/menu.png")
    [ "$colours" -gt 1000 ] && break
    sleep 0.2
done
[ "$colours" -gt 1000 ] || fail "the game's window shows no menu ($colours colours)"
if [ -n "${AEROVANT_SNAPSHOT_DIR:-}" ]; then
    mkdir -p "$AEROVANT_SNAPSHOT_DIR"
    cp "$work/menu.png" "$AEROVANT_SNAPSHOT_DIR/installed-menu.png"
fi
kill -TERM "$game" 2>/dev/null || true
wait "$game" 2>/dev/null || true
# Without its data the game names every file it could not read (the level catalogue, the airplane).
[ ! -s "$work/game.err" ] || fail "the game reported: $(cat "$work/game.err")"
echo "installed into $prefix; aerovant-fly: $(cat "$work/fly.out"); the game ran without a message"
