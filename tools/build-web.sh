#!/usr/bin/env bash
# Builds the browser game into build-web/: index.html, its script, kaziro.js,
# kaziro.wasm and kaziro.data, a folder any static web server serves
# (cd build-web && python3 -m http.server 8000, then http://localhost:8000/).
#
# Everything comes from Debian's packages: emscripten, and SDL2, SDL2_image,
# SDL2_mixer, SDL2_ttf and freetype built from their source packages
# (tools/web/build-libs.sh) into a cache that later builds reuse:
# $KAZIRO_WEB_CACHE, by default ~/.cache/kaziro-web. The art and sounds come
# from the native generator, built with the host's compiler in build-web/native.
#
#   tools/build-web.sh [--tests]    --tests also builds the tests that run under node
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tests=OFF
[ "${1:-}" = "--tests" ] && tests=ON

./tools/install-deps.sh --web
# Debian's emscripten finds its JavaScript modules (acorn) where Debian's node
# looks; another node is told.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
cache=${KAZIRO_WEB_CACHE:-$HOME/.cache/kaziro-web}
mkdir -p "$cache"
# Emscripten's own libraries come prebuilt with Debian's package, in a cache
# it may not write to; anything it has to build goes to a writable cache of
# ours, whose files are links to the package's.
export EM_CACHE="$cache/emscripten-$(emcc -dumpversion)"
if [ ! -f "$EM_CACHE/.seeded" ]; then
  rm -rf "$EM_CACHE" && mkdir -p "$EM_CACHE"
  cp -as /usr/share/emscripten/cache/. "$EM_CACHE/"
  rm -f "$EM_CACHE/cache.lock" && touch "$EM_CACHE/.seeded"
fi
export EM_FROZEN_CACHE=0

jobs=$(nproc)
libs=$(nice -n 10 ./tools/web/build-libs.sh "$cache")

# The native generator of the art and sounds.
nice -n 10 cmake -S . -B build-web/native -DCMAKE_BUILD_TYPE=Release -DKAZIRO_TESTS=OFF \
  -DKAZIRO_BENCHMARKS=OFF >/dev/null
nice -n 10 cmake --build build-web/native -j"$jobs" --target game_assets

nice -n 10 emcmake cmake -S . -B build-web/cmake -DCMAKE_BUILD_TYPE=Release \
  -DKAZIRO_TESTS=OFF -DKAZIRO_BENCHMARKS=OFF -DKAZIRO_WEB_TESTS=$tests \
  -DKAZIRO_WEB_LIBS="$libs" -DKAZIRO_NATIVE_ASSETS="$root/build-web/native" \
  -DKAZIRO_WEB_OUTPUT="$root/build-web" >/dev/null
targets=(kaziro)
[ $tests = ON ] && targets+=(web_test_math_agreement web_test_float_rules web_test_game_round)
nice -n 10 cmake --build build-web/cmake -j"$jobs" --target "${targets[@]}"
echo "kaziro: web: the page is in build-web/ (cd build-web && python3 -m http.server 8000)"
