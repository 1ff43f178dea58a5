#!/usr/bin/env bash
# Builds the libraries the browser build links, with emscripten, from Debian's
# own source packages: SDL2, SDL2_image (PNG through its bundled stb_image),
# SDL2_mixer (WAV only), freetype and SDL2_ttf (without harfbuzz). Emscripten's
# ports are not used: they download from elsewhere.
#
#   tools/web/build-libs.sh CACHE_DIR
#
# Installs into CACHE_DIR/libs-KEY/ (include/, lib/*.a, lib/cmake/) and prints
# that folder. KEY names emscripten's version, each source package's version
# and this script's own hash, so a change to any of them builds afresh and an
# unchanged set is reused as it is.
set -euo pipefail
cache=${1:?usage: build-libs.sh CACHE_DIR}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)

sources=(libsdl2 libsdl2-image libsdl2-mixer libsdl2-ttf freetype)
key="em$(emcc -dumpversion 2>/dev/null)"
for s in "${sources[@]}"; do
  v=$(apt-cache showsrc "$s" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -1)
  [ -n "$v" ] || { echo "kaziro: web: no source package $s (is a deb-src line enabled?)" >&2; exit 1; }
  key+="_${s}-${v}"
done
key+="_$(sha256sum "$0" | cut -c1-12)"
key=$(printf '%s' "$key" | tr -c 'A-Za-z0-9._+-' '_')
prefix="$cache/libs-$(printf '%s' "$key" | sha256sum | cut -c1-16)"
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

echo "kaziro: web: building the libraries into $prefix ($key)" >&2
rm -rf "$prefix" "$cache/src"
mkdir -p "$cache/src" "$prefix"
(cd "$cache/src" && apt-get source -qq "${sources[@]}" >/dev/null 2>"$cache/src/apt-source.log") || {
  cat "$cache/src/apt-source.log" >&2; exit 1; }

jobs=$(nproc)
flags="-O2"
common=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix"
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix"
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags")
build() {  # build NAME SOURCE-GLOB CMAKE-ARGS...
  local name=$1 src
  src=$(ls -d "$cache"/src/$2 | head -1)
  shift 2
  echo "kaziro: web: $name" >&2
  emcmake cmake -S "$src" -B "$cache/src/build-$name" "${common[@]}" "$@" >"$cache/src/$name.log" 2>&1 &&
    cmake --build "$cache/src/build-$name" -j"$jobs" >>"$cache/src/$name.log" 2>&1 &&
    cmake --install "$cache/src/build-$name" >>"$cache/src/$name.log" 2>&1 || {
      tail -40 "$cache/src/$name.log" >&2; echo "kaziro: web: $name failed (log: $cache/src/$name.log)" >&2; exit 1; }
}

build SDL2 'libsdl2-[0-9]*/' -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
  -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF
build freetype 'freetype-[0-9]*/' -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
build SDL2_image 'libsdl2-image-[0-9]*/' -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_DEPS_SHARED=OFF \
  -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=OFF \
  -DSDL2IMAGE_BMP=OFF -DSDL2IMAGE_GIF=OFF -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF \
  -DSDL2IMAGE_QOI=OFF -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF \
  -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_PNG_SAVE=OFF -DSDL2IMAGE_JPG_SAVE=OFF
build SDL2_mixer 'libsdl2-mixer-[0-9]*/' -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_DEPS_SHARED=OFF \
  -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF \
  -DSDL2MIXER_MP3=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_WAVE=ON
build SDL2_ttf 'libsdl2-ttf-[0-9]*/' -DSDL2TTF_SAMPLES=OFF -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF \
  -DFREETYPE_INCLUDE_DIRS="$prefix/include/freetype2" -DFREETYPE_LIBRARY="$prefix/lib/libfreetype.a"

rm -rf "$cache/src"
touch "$prefix/.complete"
echo "$prefix"
