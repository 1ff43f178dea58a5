#!/usr/bin/env bash
# Starts the built game headless from a folder that holds none of its data:
# it finds its art and sounds beside the program (no message on standard
# error) and quits with status 0 on SIGTERM.
set -euo pipefail
build=$(pwd)
tmp=$(mktemp -d)
game=""
cleanup() {
  [ -n "$game" ] && kill -KILL "$game" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data"
unset LANGUAGE LC_ALL LC_MESSAGES

# Runs the game in folder $1 with LANG=$2 until it has started (its SIGTERM
# handler is in place), ends it with SIGTERM and checks the status.
run_in() {
  local dir=$1
  (cd "$dir" && LANG=$2 exec "$build/kaziro") 2>"$dir/stderr" &
  game=$!
  for _ in $(seq 1 200); do
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$game/status" 2>/dev/null || echo 0)
    if [ $(( 0x${mask:-0} & 0x4000 )) -ne 0 ]; then break; fi
    sleep 0.05
  done
  sleep 0.3  # a few steps with the board's pictures
  kill -TERM "$game"
  local status=0
  wait "$game" || status=$?
  game=""
  [ "$status" -eq 0 ] || { echo "$dir: exit status $status"; cat "$dir/stderr"; exit 1; }
}

mkdir -p "$tmp/empty"
run_in "$tmp/empty" C.UTF-8
if [ -s "$tmp/empty/stderr" ]; then
  echo "unexpected output on standard error:"; cat "$tmp/empty/stderr"; exit 1
fi

echo "data from another folder: ok"
