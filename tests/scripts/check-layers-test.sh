#!/usr/bin/env bash
# The layer check on small source trees: it passes a tree whose includes all point down and fails
# each way an include can point up.
set -euo pipefail

check=$(realpath "$(dirname "$0")/../../scripts/check-layers.sh")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0

# tree FILE TEXT: a fresh tree with a few real headers and FILE (relative to src/) holding TEXT.
tree() {
    rm -rf "${scratch:?}/src"
    mkdir -p "$scratch/src/platform" "$scratch/src/render" "$scratch/src/scene" "$scratch/src/app"
    echo '#pragma once' >"$scratch/src/platform/Clock.h"
    echo '#include "platform/Clock.h"' >"$scratch/src/render/Globals.h"
    echo '#include "render/Globals.h"' >"$scratch/src/scene/Mesh.h"
    echo '#include "scene/Mesh.h"' >"$scratch/src/app/Game.h"
    echo '#include "app/Game.h"' >"$scratch/src/main.cpp"
    mkdir -p "$(dirname "$scratch/src/$1")"
    printf '%s\n' "$2" >>"$scratch/src/$1"
}

# expect passes|fails CASE [LINE]: the check's verdict, and LINE among what it printed.
expect() {
    local result=passes
    "$check" "$scratch/src" >"$scratch/out" 2>&1 || result=fails
    if [[ $result != "$1" ]] || { [[ -n ${3:-} ]] && ! grep -qxF "$3" "$scratch/out"; }; then
        echo "FAILED: $2: the check $result, expected it to $1${3:+ saying \"$3\"}"
        cat "$scratch/out"
        failures=$((failures + 1))
    fi
}

tree scene/Mesh.cpp $'#include "scene/Mesh.h"\n#include <GL/glew.h>\n#include "Mesh.h"\n// #include "app/Game.h" in a comment'
expect passes "includes that point down, a system header, a sibling by bare name, a comment"

tree render/Globals.cpp '#include "scene/Mesh.h"'
expect fails "a quoted include of a higher layer" \
    "render/Globals.cpp:1: includes scene/Mesh.h, a layer above it"

tree platform/Clock.cpp '#include <app/Game.h>'
expect fails "an angle-bracket include of a higher layer"

tree scene/Mesh.cpp '#  include "../app/Game.h"'
expect fails "a relative path up and across to a higher layer"

tree app/Menu.cpp '#include "../main.cpp"'
expect fails "a layer including main.cpp"

tree extra/Thing.h '#pragma once'
expect fails "a folder without a place in the order"

exit $((failures > 0))
