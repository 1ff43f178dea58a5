#!/usr/bin/env bash
# The browser game's figures (bench/web/bench_page.js): a first visit's
# gzipped bytes, the time to the first frame of the board, and steps per
# second over a minute's replay the desktop records here (the computer plays
# for 62 seconds under SDL's dummy drivers). Builds the page first.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/web-common.sh
./tools/build-web.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
record_desktop_replay 62 11 "$work/minute.kzr" || true
[ -s "$work/minute.kzr" ] || { echo "kaziro: web bench: no replay was recorded" >&2; exit 1; }
need_puppeteer
node bench/web/bench_page.js build-web "$work/minute.kzr" "${1:-3}"
