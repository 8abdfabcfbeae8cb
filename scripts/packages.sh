# Debian packages the game needs, and a function that installs the missing ones.
# Sourced by run.sh and test.sh.

AEROVANT_BUILD_PACKAGES="cmake g++ make pkg-config libgl-dev libglu1-mesa-dev freeglut3-dev libglew-dev
libstb-dev libxerces-c-dev libassimp-dev libfreetype-dev fonts-dejavu-core libx11-dev libxrandr-dev"
AEROVANT_TEST_PACKAGES="libgtest-dev libgmock-dev libbenchmark-dev libxtst-dev xvfb xauth x11-utils x11-apps xdotool
imagemagick desktop-file-utils appstream dpkg-dev util-linux mesa-utils"
# The fuzz targets: clang with libFuzzer and the sanitizer run-times.
AEROVANT_FUZZ_PACKAGES="clang libclang-rt-14-dev"

# ensure_packages PACKAGE...: installs what dpkg does not list as installed, with sudo when not root.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Please install as root: apt-get install ${missing[*]}" >&2
            return 1
        fi
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
