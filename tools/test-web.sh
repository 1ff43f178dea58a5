#!/usr/bin/env bash
# Builds the browser game (tools/build-web.sh, reusing its library cache) and
# tests it: the rules' arithmetic, the float rules and the golden round built
# for the browser and run under node, then the page in Debian's chromium,
# headless, driven by puppeteer-core (tests/web/test_browser.js) with a replay
# the desktop build records here. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./tools/build-web.sh --tests
ctest --test-dir build-web/cmake/web --output-on-failure -L web

# A replay from the desktop game: the computer plays for six seconds under
# SDL's dummy drivers, and SIGTERM ends the game with the recording whole.
desktop=build/kaziro
if [ ! -x "$desktop" ]; then
  nice -n 10 cmake --build build-web/native -j"$(nproc)" --target kaziro kaziro_translations
  desktop=build-web/native/kaziro
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
(cd "$(dirname "$desktop")" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software \
   XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
   timeout -s TERM 6 "$root/$desktop" --autopilot 7 --record "$work/desktop.kzr") || status=$?
if [ ! -s "$work/desktop.kzr" ]; then
  echo "kaziro: web test: the desktop game recorded no replay (status $status)" >&2
  exit 1
fi

# puppeteer-core from npm, at the version the lock file names.
if [ ! -d tests/web/node_modules/puppeteer-core ]; then
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
fi
node tests/web/test_browser.js build-web "$work/desktop.kzr"
