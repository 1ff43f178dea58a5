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
log="$cache/src/build.log"
fail() { tail -40 "$log" >&2; echo "kaziro: web: $1 failed (log: $log)" >&2; exit 1; }

# Compiles sources with emcc, a few at a time, into an archive: NAME FLAGS -- FILES.
archive() {
  local name=$1 flags=() objects="$cache/src/obj-$1"
  shift
  while [ "$1" != "--" ]; do flags+=("$1"); shift; done
  shift
  echo "kaziro: web: $name ($# files)" >&2
  mkdir -p "$objects"
  printf '%s\n' "$@" | xargs -P "$jobs" -I{} sh -c \
    'o="$0/$(echo "{}" | tr / _).o"; emcc -c -O2 -w "$@" "{}" -o "$o" || { echo "emcc failed: {}"; exit 255; }' \
    "$objects" "${flags[@]}" >>"$log" 2>&1 || fail "$name"
  emar rcs "$prefix/lib/lib$name.a" "$objects"/*.o >>"$log" 2>&1 || fail "$name"
}
src() { ls -d "$cache"/src/$1 | head -1; }
mkdir -p "$prefix/include/SDL2" "$prefix/lib"

# SDL2, as emscripten's own port builds it: its ready-made configuration for
# the browser (include/SDL_config_emscripten.h), no threads, and the sources
# of the drivers that configuration names. (Its CMake configure, hundreds of
# checks that each run the whole emcc, takes many times longer.)
sdl=$(src 'libsdl2-[0-9]*/')
cp "$sdl"/include/*.h "$prefix/include/SDL2/"
sdl_files=()
for d in . atomic audio audio/emscripten audio/disk audio/dummy cpuinfo dynapi events file haptic \
         haptic/dummy hidapi joystick joystick/emscripten joystick/virtual joystick/hidapi libm \
         loadso/dlopen locale locale/emscripten misc misc/emscripten power power/emscripten \
         filesystem/emscripten render render/software render/opengles2 sensor sensor/dummy stdlib \
         thread thread/generic timer timer/unix video video/emscripten video/yuv2rgb; do
  for f in "$sdl/src/$d"/*.c; do [ -f "$f" ] && sdl_files+=("$f"); done
done
archive SDL2 -I"$sdl/include" -- "${sdl_files[@]}"

# freetype through its own CMake: a few checks only.
ft=$(src 'freetype-[0-9]*/')
echo "kaziro: web: freetype" >&2
emcmake cmake -S "$ft" -B "$cache/src/build-freetype" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_C_FLAGS=-O2 \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON >>"$log" 2>&1 &&
  cmake --build "$cache/src/build-freetype" -j"$jobs" >>"$log" 2>&1 &&
  cmake --install "$cache/src/build-freetype" >>"$log" 2>&1 || fail freetype

# SDL2_image: PNG only, decoded by its bundled stb_image.
img=$(src 'libsdl2-image-[0-9]*/')
cp "$img/SDL_image.h" "$prefix/include/SDL2/"
archive SDL2_image -I"$prefix/include/SDL2" -DLOAD_PNG -DUSE_STBIMAGE -- \
  $(ls "$img"/IMG*.c | grep -v IMG_WIC.c)

# SDL2_mixer: WAV only (the game reads its own sounds; music as WAV).
mix=$(src 'libsdl2-mixer-[0-9]*/')
cp "$mix/include/SDL_mixer.h" "$prefix/include/SDL2/"
archive SDL2_mixer -I"$prefix/include/SDL2" -I"$mix/include" -I"$mix/src" -I"$mix/src/codecs" -DMUSIC_WAV -- \
  "$mix"/src/*.c "$mix"/src/codecs/*.c

# SDL2_ttf on freetype, without harfbuzz.
ttf=$(src 'libsdl2-ttf-[0-9]*/')
cp "$ttf/SDL_ttf.h" "$prefix/include/SDL2/"
archive SDL2_ttf -I"$prefix/include/SDL2" -I"$prefix/include/freetype2" -DTTF_USE_HARFBUZZ=0 -- "$ttf/SDL_ttf.c"

rm -rf "$cache/src"
touch "$prefix/.complete"
echo "$prefix"
