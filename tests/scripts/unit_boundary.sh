#!/usr/bin/env bash
# Only platform/ includes SDL, its satellite libraries and fontconfig: no
# source of the game's other folders names one of their headers, in any form.
set -euo pipefail
cd "$KAZIRO_SOURCE_DIR"
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](SDL|SDL2/|fontconfig/)'
found=$(grep -rnE "$pattern" app scene game graphics input audio net meet || true)
if [ -n "$found" ]; then
  echo "SDL or fontconfig included outside platform/:"
  echo "$found"
  exit 1
fi
# The check itself finds what it looks for.
grep -qrE "$pattern" platform
echo "platform boundary: ok"
