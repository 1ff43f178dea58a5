# What the browser test and the browser benchmark share; sourced from the
# repository's root by tools/test-web.sh and tools/bench-web.sh.

# Records a replay in file $3 with the desktop game: the computer plays
# (autopilot seed $2) for $1 seconds under SDL's dummy drivers, and SIGTERM
# ends the game with the recording whole. Builds the desktop program when
# build/ has none. Its status is the game's (124 when the time ended it).
record_desktop_replay() {
  local seconds=$1 seed=$2 out=$3 desktop=build/kaziro status=0
  if [ ! -x "$desktop" ]; then
    nice -n 10 cmake --build build-web/native -j"$(nproc)" --target kaziro kaziro_translations
    desktop=build-web/native/kaziro
  fi
  local root home
  root=$(pwd)
  home=$(dirname "$out")
  (cd "$(dirname "$desktop")" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software \
     XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
     timeout -s TERM "$seconds" "$root/$desktop" --autopilot "$seed" --record "$out") || status=$?
  return "$status"
}

# puppeteer-core from npm, at the version the lock file names.
need_puppeteer() {
  if [ ! -d tests/web/node_modules/puppeteer-core ]; then
    (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
  fi
}
