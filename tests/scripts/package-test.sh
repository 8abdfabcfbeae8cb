#!/usr/bin/env bash
# package-test.sh BUILD_DIR: makes the Debian package from the build with CPack into a scratch folder
# and checks what dpkg-deb says about it: dependencies computed from the programs' libraries (the
# run-time libraries, no development packages), and the installed layout.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work") >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
debs=("$work"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package: $(ls "$work")"
deb=${debs[0]}

dpkg-deb --info "$deb" >"$work/info" || fail "dpkg-deb --info cannot read the package"
depends=$(dpkg-deb --field "$deb" Depends)
# One run-time library package for each library the game links.
packages=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
for library in libc6 libstdc++6 libopengl0 libglu1-mesa libglut3.12 libglew2.2 libxerces-c3.2 \
    libassimp5 libx11-6 libxrandr2; do
    grep -qxF "$library" <<<"$packages" || fail "Depends lacks $library: $depends"
done
# Images are decoded by code compiled into the game; the old image library is gone.
if grep -Eq -- '-dev$|gtest|benchmark|cmake|freetype|devil' <<<"$packages"; then
    fail "Depends names build-only packages: $depends"
fi
[ "$(dpkg-deb --field "$deb" Package)" = aerovant ] || fail "the package is not called aerovant"
[ "$(dpkg-deb --field "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong architecture"

dpkg-deb --contents "$deb" | awk '{print $NF}' >"$work/contents"
for file in ./usr/bin/aerovant ./usr/bin/aerovant-fly ./usr/bin/aerovant-preview ./usr/bin/aerovant-import \
    ./usr/share/aerovant/levels/config.xml ./usr/share/aerovant/shader/fp_cartoon.glsl \
    ./usr/share/applications/org.aerovant.Aerovant.desktop \
    ./usr/share/metainfo/org.aerovant.Aerovant.metainfo.xml \
    ./usr/share/icons/hicolor/128x128/apps/org.aerovant.Aerovant.png ./usr/share/man/man6/aerovant.6.gz; do
    grep -qxF "$file" "$work/contents" || fail "the package lacks $file"
done
if grep -Eq '^\./usr/(local|bin/aerovant-(content|autopilot)|share/aerovant/icons)' "$work/contents"; then
    fail "the package holds files it should not: $(grep -E '^\./usr/(local|bin/aerovant-(content|autopilot)|share/aerovant/icons)' "$work/contents")"
fi
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes; Depends: $depends"
