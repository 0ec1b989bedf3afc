#!/bin/sh
# Builds the libraries the web page links with emcc, from the Debian source packages of the very
# versions the native build links, so that the page decodes the same samples and pixels:
# mpg123, libjpeg-turbo and SDL2, into build-web/prefix. Quick when they are there.
# apt-get source reads a sources list of this build's own under build-web/apt; the system's apt
# configuration is left as it is.
# Usage: scripts/web_libs.sh [BUILD_DIR]
set -eu

out=$(realpath -m "${1:-build-web}")
prefix="$out/prefix"
[ -f "$prefix/lib/libmpg123.a" ] && [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/lib/libSDL2.a" ] && exit 0

export NODE_PATH=/usr/share/nodejs
# Debian's cache is frozen; the libraries emcc builds for itself go to a copy of it.
export EM_CACHE="$out/emcache"
if [ ! -d "$EM_CACHE/sysroot" ]; then
    mkdir -p "$EM_CACHE"
    cp -r /usr/share/emscripten/cache/. "$EM_CACHE/"
fi

apt_dir="$out/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d" "$out/src"
cat > "$apt_dir/sources.list.d/debian-source.sources" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
apt() {
    "$@" -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources.list.d" \
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o APT::Sandbox::User=root
}

# The source package and version behind an installed development package.
source_of() {
    dpkg-query -W -f='${source:Package}=${source:Version}' "$1"
}

# Unpacks a source package into build-web/src; prints its directory.
fetch() {
    package=${1%%=*}
    version=${1#*=}
    upstream=${version#*:}
    upstream=${upstream%-*}
    dir="$out/src/$package-$upstream"
    if [ ! -d "$dir" ]; then
        echo "web-libs: fetching $1" >&2
        [ -f "$apt_dir/lists/lock" ] || step fetch apt apt-get update -qq
        # A mirror may lack an upstream signature (.asc) that the .dsc lists: apt-get then reports a
        # failure although every file it found was checked against the signed index.
        (cd "$out/src" && apt apt-get source --download-only -qq "$1" >>"$out/logs/fetch.log" 2>&1) || true
        dsc=$(ls "$out/src/${package}_"*.dsc | head -n 1)
        (cd "$out/src" && dpkg-source --no-check -x "$dsc" "$dir" >/dev/null)
    fi
    echo "$dir"
}

jobs=$(nproc)
mkdir -p "$out/logs"
# Runs a build step with its output in build-web/logs/NAME.log, shown in part when it fails.
step() {
    log="$out/logs/$1.log"
    shift
    if ! "$@" >>"$log" 2>&1; then
        tail -n 30 "$log" >&2
        echo "web-libs: failed; the whole output is in $log" >&2
        exit 1
    fi
}

if [ ! -f "$prefix/lib/libmpg123.a" ]; then
    src=$(fetch "$(source_of libmpg123-dev)")
    echo "web-libs: mpg123" >&2
    # The generic floating-point synthesis: the decoder native builds fall back to.
    (cd "$src" && step mpg123 emconfigure ./configure --host=wasm32-unknown-linux --prefix="$prefix" --disable-shared \
        --enable-static --with-cpu=generic_fpu --disable-modules --with-default-audio=dummy --with-audio=dummy \
        --disable-network --disable-largefile && step mpg123 emmake make -j"$jobs" src/libmpg123/libmpg123.la)
    mkdir -p "$prefix/lib" "$prefix/include"
    cp "$src/src/libmpg123/mpg123.h" "$src/src/libmpg123/fmt123.h" "$prefix/include/"
    cp "$src/src/libmpg123/.libs/libmpg123.a" "$prefix/lib/"
fi

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
    src=$(fetch "$(source_of libjpeg62-turbo-dev)")
    echo "web-libs: libjpeg-turbo" >&2
    # CMake's type-size probe reads emcc's output wrongly: the sizes are wasm32's.
    step jpeg emcmake cmake -S "$src" -B "$out/libs/jpeg" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 -DSIZE_T=4 -DHAVE_SIZE_T=TRUE -DUNSIGNED_LONG=4 \
        -DHAVE_UNSIGNED_LONG=TRUE
    step jpeg cmake --build "$out/libs/jpeg" -j"$jobs" --target jpeg-static
    mkdir -p "$prefix/lib" "$prefix/include"
    cp "$out/libs/jpeg/libjpeg.a" "$out/libs/jpeg/jconfig.h" "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" \
        "$prefix/include/"
    mv "$prefix/include/libjpeg.a" "$prefix/lib/"
fi

if [ ! -f "$prefix/lib/libSDL2.a" ]; then
    src=$(fetch "$(source_of libsdl2-dev)")
    echo "web-libs: SDL2" >&2
    step sdl2 emcmake cmake -S "$src" -B "$out/libs/sdl2" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_THREADS=OFF
    step sdl2 cmake --build "$out/libs/sdl2" -j"$jobs"
    step sdl2 cmake --install "$out/libs/sdl2"
fi
echo "web-libs: mpg123, libjpeg-turbo and SDL2 in $prefix" >&2
