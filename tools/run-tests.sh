#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, the
# browser build with its test in headless Chromium, a short run of each fuzz
# target, then the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# The game in a web page, built from Debian's emscripten and sources (its
# libraries cached in ~/.cache/kaziro-web), tested in headless Chromium.
./tools/test-web.sh

# Fuzzing smoke run: each libFuzzer target for a short while.
./tools/fuzz.sh "${KAZIRO_FUZZ_SECONDS:-15}"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKAZIRO_SANITIZE=ON -DKAZIRO_BENCHMARKS=OFF
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -LE x11
