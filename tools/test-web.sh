#!/usr/bin/env bash
# Builds the browser game (tools/build-web.sh, reusing its library cache) and
# tests it: the rules' arithmetic, the float rules and the golden round built
# for the browser and run under node, then the page in Debian's chromium,
# headless, driven by puppeteer-core (tests/web/test_browser.js) with a replay
# the desktop build records here. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/web-common.sh

./tools/build-web.sh --tests
ctest --test-dir build-web/cmake/web --output-on-failure -L web

# A replay from the desktop game, six seconds of the computer's play.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
record_desktop_replay 6 7 "$work/desktop.kzr" || status=$?
if [ ! -s "$work/desktop.kzr" ]; then
  echo "kaziro: web test: the desktop game recorded no replay (status $status)" >&2
  exit 1
fi

need_puppeteer
node tests/web/test_browser.js build-web "$work/desktop.kzr"
