#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number
# of seconds (default 60), starting from small seed corpora made here.
# Crashes are kept in fuzz-out/<target>/ as crash-* files.
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAZIRO_FUZZ=ON \
  -DKAZIRO_TESTS=OFF -DKAZIRO_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_wave fuzz_receive fuzz_replay fuzz_datagram fuzz_greeting fuzz_meet

corpus=build-fuzz/corpus
targets="fuzz_wave fuzz_receive fuzz_replay fuzz_datagram fuzz_greeting fuzz_meet"
for target in $targets; do mkdir -p "fuzz-out/$target"; done
mkdir -p "$corpus/wave" "$corpus/receive" "$corpus/replay" "$corpus/datagram" "$corpus/greeting" "$corpus/meet"
# WAV seeds: a minimal mono file, a stereo file with an extra chunk, and a truncated one.
wav() {  # channels rate bits frames [extra chunk]
  local ch=$1 rate=$2 bits=$3 frames=$4 extra=${5:-}
  local align=$(( ch * bits / 8 )) data=$(( frames * ch * bits / 8 ))
  local extraLen=0
  [ -n "$extra" ] && extraLen=$(( 8 + ${#extra} ))
  python3 - "$ch" "$rate" "$bits" "$align" "$data" "$extra" <<'PY'
import struct, sys
ch, rate, bits, align, data = map(int, sys.argv[1:6]); extra = sys.argv[6].encode()
body = b"WAVE" + b"fmt " + struct.pack("<IHHIIHH", 16, 1, ch, rate, rate * align, align, bits)
if extra:
    body += b"LIST" + struct.pack("<I", len(extra)) + extra
body += b"data" + struct.pack("<I", data) + bytes((i * 37) & 0xFF for i in range(data))
sys.stdout.buffer.write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY
}
wav 1 22050 16 8 > "$corpus/wave/mono16.wav"
wav 2 44100 16 4 info > "$corpus/wave/stereo_list.wav"
wav 1 8000 8 16 | head -c 40 > "$corpus/wave/truncated.wav"
# Stream seeds: two pad messages, a pad message then a quit notice, a split message.
python3 - "$corpus/receive" <<'PY'
import os, sys
d = sys.argv[1]
pad = bytes([0]) + bytes(range(1, 29))
open(os.path.join(d, "two"), "wb").write(pad + pad)
open(os.path.join(d, "quit"), "wb").write(pad + bytes([1]))
open(os.path.join(d, "short"), "wb").write(pad[:10])
PY

# Replay seeds: a two-player game of 130 steps (two checksums), and one cut short.
python3 - "$corpus/replay" <<'PY'
import os, struct, sys
d = sys.argv[1]
head = b"KZREPLAY" + struct.pack("<HBBI", 1, 2, 0, 77) + b"1.0.0".ljust(16, b"\0")
rec = struct.pack("<ffB", 100.0, 300.0, 5) + (1 << 12).to_bytes(3, "little")
body = b"".join(rec * 2 + (struct.pack("<I", s) if (s + 1) % 60 == 0 else b"") for s in range(130))
whole = head + body + b"KZEN" + struct.pack("<II", 130, 0xABCD)
open(os.path.join(d, "two"), "wb").write(whole)
open(os.path.join(d, "cut"), "wb").write(whole[:200])
PY

# Datagram seeds: real packets of a game (an INPUT with records, a QUIT), and
# the greeting's HELLO, WELCOME, PING and READY.
python3 - "$corpus" <<'PY'
import os, struct, sys
d = sys.argv[1]
def head(kind): return b"KR" + kind + bytes([2])
token = struct.pack("<Q", 0x1122334455667788)
rec = struct.pack("<ffB", 410.0, 330.0, 1) + (0).to_bytes(3, "little")
tail = struct.pack("<IIIIIH", 120, 118, 0xDEADBEEF, 5000, 4990, 3)
body = struct.pack("<IIB", 117, 118, 3) + rec * 3 + tail
open(os.path.join(d, "datagram", "input"), "wb").write(head(b"I") + token + body)
open(os.path.join(d, "datagram", "quit"), "wb").write(head(b"Q") + token + bytes([2]) + struct.pack("<I", 200) + body)
hello = head(b"H") + struct.pack("<Q", 7) + b"1.0.0".ljust(16, b"\0") + bytes([0xFF])
open(os.path.join(d, "greeting", "hello"), "wb").write(hello.ljust(64, b"\0"))
open(os.path.join(d, "greeting", "welcome"), "wb").write(head(b"W") + struct.pack("<QQIB", 7, 9, 1234, 0) + b"1.0.0".ljust(16, b"\0"))
open(os.path.join(d, "greeting", "ping"), "wb").write(head(b"P") + token + bytes([1]) + struct.pack("<I", 77))
open(os.path.join(d, "greeting", "ready"), "wb").write(head(b"R") + token)
PY

# Meeting server seeds: runs of (operation, argument) pairs, operation =
# kind * 5 + source (kinds: 0 a datagram of the next `argument` bytes, 1 OPEN,
# 2 JOIN the last code given, 3 KEEP/RELAY/SEEN/DONE, 4 a game datagram,
# 5 time passes): a room met and relayed both ways, a room left to expire,
# and a whole OPEN as bytes.
python3 - "$corpus/meet" <<'PY'
import os, struct, sys
d = sys.argv[1]
op = lambda kind, source, arg: bytes([kind * 5 + source, arg])
relay = op(1, 0, 1) + op(2, 1, 0) + op(3, 0, 6) + op(3, 1, 1) + op(5, 0, 20)
relay += (op(4, 0, 80) + op(4, 1, 80) + op(5, 0, 16)) * 20 + op(5, 0, 255) * 10
open(os.path.join(d, "relay"), "wb").write(relay)
open(os.path.join(d, "expire"), "wb").write(op(1, 2, 0) + (op(5, 0, 250) + op(3, 2, 0)) * 40 + op(2, 1, 0))
req = b"KMO" + bytes([1]) + struct.pack("<Q", 1) + bytes([4]) + struct.pack("<H", 47800) + bytes([192, 168, 1, 2]) + bytes(12)
open(os.path.join(d, "open"), "wb").write(op(0, 0, 128) + req.ljust(128, b"\0") + op(2, 1, 0))
PY

for target in $targets; do
  case $target in
    fuzz_wave) seeds=$corpus/wave ;;
    fuzz_replay) seeds=$corpus/replay ;;
    fuzz_datagram) seeds=$corpus/datagram ;;
    fuzz_greeting) seeds=$corpus/greeting ;;
    fuzz_meet) seeds=$corpus/meet ;;
    *) seeds=$corpus/receive ;;
  esac
  echo "== $target for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=1 "build-fuzz/fuzz/$target" -max_total_time="$seconds" \
    -artifact_prefix="fuzz-out/$target/" -print_final_stats=1 "$seeds" 2>&1 | tail -n 12
done
