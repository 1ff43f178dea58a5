#!/usr/bin/env bash
# Builds the benchmarks and runs every one of them headless, from the build
# folder (where the generated art and sounds are).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAZIRO_BENCHMARKS=ON >/dev/null
cmake --build build -j"$(nproc)"
cd build
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software
for b in bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
