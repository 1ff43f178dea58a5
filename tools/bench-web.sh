#!/usr/bin/env bash
# The browser game's figures (bench/web/bench_page.js): a first visit's
# gzipped bytes, the time to the first frame of the board, and steps per
# second over a minute's replay the desktop records here (the computer plays
# for 62 seconds under SDL's dummy drivers). Builds the page first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
./tools/build-web.sh
desktop=build/kaziro
if [ ! -x "$desktop" ]; then
  nice -n 10 cmake --build build-web/native -j"$(nproc)" --target kaziro kaziro_translations
  desktop=build-web/native/kaziro
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$(dirname "$desktop")" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software \
   XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
   timeout -s TERM 62 "$root/$desktop" --autopilot 11 --record "$work/minute.kzr") || true
[ -s "$work/minute.kzr" ] || { echo "kaziro: web bench: no replay was recorded" >&2; exit 1; }
if [ ! -d tests/web/node_modules/puppeteer-core ]; then
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
fi
node bench/web/bench_page.js build-web "$work/minute.kzr" "${1:-3}"
