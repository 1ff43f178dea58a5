#!/usr/bin/env bash
# Starts the game headless in folders with its data missing, truncated or
# garbage: the image messages appear on standard error, nothing crashes, the
# game keeps running and quits with status 0 on SIGTERM. The game runs as a
# copy of the program in each folder, so that it cannot fall back on the data
# beside the program in the build folder; its texts are the game's own (the C
# locale). Then the built program itself from other folders: with no data
# there it finds its own beside it and says nothing; where the working
# folder's picture is broken, that one is read, and said in English.
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
export LC_ALL=C XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data"
unset LANGUAGE

# Runs program $2 in folder $1 until its stderr shows $3 (or, for "", until
# it has started), checks that it is still running a little later, and ends
# it with SIGTERM.
run_case() {
  local dir=$1 program=$2 expect=$3
  (cd "$dir" && exec "$program") 2>"$dir/stderr" &
  game=$!
  for _ in $(seq 1 200); do
    if [ -n "$expect" ]; then
      grep -q "$expect" "$dir/stderr" 2>/dev/null && break
    else
      mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$game/status" 2>/dev/null || echo 0)
      [ $(( 0x${mask:-0} & 0x4000 )) -ne 0 ] && break
    fi
    kill -0 "$game" 2>/dev/null || break
    sleep 0.05
  done
  [ -z "$expect" ] || grep -q "$expect" "$dir/stderr" || { echo "$dir: no message '$expect'"; cat "$dir/stderr"; exit 1; }
  # Let it run a few dozen steps with the data missing.
  sleep 0.5
  kill -0 "$game" 2>/dev/null || { echo "$dir: the game ended by itself"; cat "$dir/stderr"; exit 1; }
  kill -TERM "$game"
  local status=0
  wait "$game" || status=$?
  game=""
  [ "$status" -eq 0 ] || { echo "$dir: exit status $status"; cat "$dir/stderr"; exit 1; }
  if grep -qiE "sanitizer|runtime error|segmentation|abort" "$dir/stderr"; then
    echo "$dir: error report"; cat "$dir/stderr"; exit 1
  fi
}

# No data at all: each texture request fails with the image message.
mkdir -p "$tmp/empty"
cp "$build/kaziro" "$tmp/empty/kaziro"
run_case "$tmp/empty" ./kaziro "Graphic/Panel.png: 画像データの読み込みに失敗"

# Truncated and garbage files in both folders.
mkdir -p "$tmp/broken/Graphic" "$tmp/broken/Sound"
head -c 40 "$build/Graphic/Panel.png" > "$tmp/broken/Graphic/Panel.png"
head -c 3000 /dev/urandom > "$tmp/broken/Graphic/Bar.png"
for n in 1 2 3 4 5 6; do printf 'not a picture' > "$tmp/broken/Graphic/die$n.png"; done
for f in Set Save Miss Bound Pad0 Pad1 Pad2 Pad3 Pad4 Pad5; do
  head -c 30 "$build/Sound/Set.wav" > "$tmp/broken/Sound/$f.wav"
done
cp "$build/kaziro" "$tmp/broken/kaziro"
run_case "$tmp/broken" ./kaziro "Graphic/Bar.png: 画像データの読み込みに失敗"

# The built program from a folder without data: it finds its own, silently.
mkdir -p "$tmp/elsewhere"
run_case "$tmp/elsewhere" "$build/kaziro" ""
[ ! -s "$tmp/elsewhere/stderr" ] || { echo "unexpected:"; cat "$tmp/elsewhere/stderr"; exit 1; }

# The working folder's broken panel wins over the build's, in English even
# where only C.UTF-8 is generated: one box (a line, headless) and one more line.
mkdir -p "$tmp/english/Graphic"
printf 'not a picture' > "$tmp/english/Graphic/Panel.png"
line="kaziro: Graphic/Panel.png: The image data could not be read"
LC_ALL= LANG=en_US.UTF-8 run_case "$tmp/english" "$build/kaziro" "$line"
[ "$(grep -cxF "$line" "$tmp/english/stderr")" -eq 2 ] && [ "$(wc -l <"$tmp/english/stderr")" -eq 2 ] ||
  { echo "expected the English line twice:"; cat "$tmp/english/stderr"; exit 1; }
echo "missing and broken data, data from elsewhere: ok"
