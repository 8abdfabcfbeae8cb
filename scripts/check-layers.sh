#!/usr/bin/env bash
# Fails when a folder under src/ includes a header of a folder above it. The layers, bottom up:
#
#   platform <- render <- shading <- scene <- loaders <- flight <- app <- main.cpp
#
# Every #include line counts, with quotes or angle brackets, and wherever its path leads: a path
# is resolved as the compiler would (next to the including file first, then from src/), so
# "../app/Game.h", or "Game.h" in the wrong folder, is caught as well as "app/Game.h". A folder
# that is not in the list fails too, so a new folder has to be given its place here first.
#
# Usage: scripts/check-layers.sh [SRC_DIR]   (default: the src/ folder next to this script)
set -euo pipefail

layers=(platform render shading scene loaders flight app)

src=$(realpath "${1:-$(dirname "$0")/../src}")

# rank FILE: sets REPLY to the layer index of a file below $src; main.cpp and other top-level
# files rank above every folder. REPLY is empty for a folder that has no place in the order.
# (Functions answer through REPLY: a command substitution per include would fork hundreds of times.)
rank() {
    local relative=${1#"$src"/}
    REPLY=""
    if [[ $relative != */* ]]; then
        REPLY=${#layers[@]}
        return
    fi
    local folder=${relative%%/*} i
    for i in "${!layers[@]}"; do
        [[ ${layers[$i]} == "$folder" ]] && REPLY=$i
    done
    return 0
}

# normalise PATH: sets REPLY to the absolute PATH without "." and ".." parts.
normalise() {
    local part parts=()
    local IFS=/
    for part in $1; do
        case $part in
        "" | .) ;;
        ..) [[ ${#parts[@]} -gt 0 ]] && unset 'parts[${#parts[@]}-1]' ;;
        *) parts+=("$part") ;;
        esac
    done
    REPLY="/${parts[*]}"
}

# resolve FILE INCLUDED QUOTED: sets REPLY to the file an include names when it lies below $src,
# otherwise to "" (system and library headers).
resolve() {
    local file=$1 included=$2 quoted=$3 candidate
    local candidates=()
    [[ $quoted == yes ]] && candidates+=("${file%/*}/$included")
    candidates+=("$src/$included")
    for candidate in "${candidates[@]}"; do
        normalise "$candidate"
        [[ -e $REPLY && $REPLY == "$src"/* ]] && return
    done
    REPLY=""
}

status=0

# Every folder must have its place, even one whose files include nothing of ours.
while IFS= read -r -d '' file; do
    rank "$file"
    if [[ -z $REPLY ]]; then
        echo "${file#"$src"/}: its folder has no place in the layer order of scripts/check-layers.sh"
        status=1
    fi
done < <(find "$src" -type f -print0)

pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^">]+)[">]'
while IFS= read -r match; do
    file=${match%%:*}
    rest=${match#*:}
    line=${rest%%:*}
    text=${rest#*:}
    [[ $text =~ $pattern ]] || continue
    included=${BASH_REMATCH[2]}
    quoted=no
    [[ ${BASH_REMATCH[1]} == '"' ]] && quoted=yes
    rank "$file"
    own=$REPLY
    [[ -n $own ]] || continue
    resolve "$file" "$included" "$quoted"
    target=$REPLY
    [[ -n $target ]] || continue
    rank "$target"
    if [[ -z $REPLY || $REPLY -gt $own ]]; then
        echo "${file#"$src"/}:$line: includes ${target#"$src"/}, a layer above it"
        status=1
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' "$src" | sort)

if [[ $status -ne 0 ]]; then
    echo "Layers point down: platform <- render <- shading <- scene <- loaders <- flight <- app <- main." >&2
    echo "Pass what a lower layer needs from above (a path, a callback) instead of including it." >&2
fi
exit "$status"
