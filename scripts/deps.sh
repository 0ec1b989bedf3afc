#!/bin/sh
# Installs the Debian packages that building, running and testing Varnel need; quick when all are there.
# With --deb-check, also those that make deb-check needs to test the package on a bare Debian root.
# Usage: scripts/deps.sh [--deb-check]
set -eu

packages="
build-essential cmake pkg-config
clang libclang-rt-14-dev
libsdl2-dev
libjpeg62-turbo-dev
libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0 libegl-mesa0 libgles-dev
libmpg123-dev mpg123
libfreetype-dev libfontconfig-dev fonts-liberation
libpng-dev
libmp3lame-dev lame
nlohmann-json3-dev libcli11-dev
googletest libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth xdotool x11-utils x11-xserver-utils libx11-dev xfonts-base imagemagick assimp-utils
ffmpeg
apitrace
help2man dpkg-dev file lintian man-db
emscripten chromium nodejs python3
"
if [ "${1:-}" = --deb-check ]; then
    packages="$packages debootstrap piuparts"
fi

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $p" ;;
    esac
done

# The web page's test drives chromium with an npm package; a Node.js that is not Debian's may bring
# its own npm.
command -v npm >/dev/null 2>&1 || missing="$missing npm"

[ -z "$missing" ] && exit 0

echo "deps: installing$missing"
if [ "$(id -u)" -eq 0 ]; then
    run=""
else
    run="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$run apt-get update -qq
# shellcheck disable=SC2086
$run apt-get install -y -qq --no-install-recommends $missing
