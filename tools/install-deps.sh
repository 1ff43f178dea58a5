#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kaziro need.
# Idempotent: packages already installed are skipped. As root it runs apt-get;
# otherwise it prints the exact command to run and exits non-zero.
#
# --web installs what the browser build and its test need instead (large:
# emscripten with its clang, and chromium), and enables the source packages
# (deb-src) of the machine's Debian suites, from which the browser build makes
# SDL and its satellites; tools/build-web.sh runs it.
set -euo pipefail

if [ "${1:-}" = "--web" ]; then
  packages=(
    # the compiler, the source packages' tools, the face cut to the game's texts
    emscripten dpkg-dev python3-fonttools fonts-ipafont-gothic gettext cmake
    # the browser test: headless chromium driven by puppeteer-core (npm)
    chromium nodejs
  )
  # deb-src lines beside the machine's deb822 sources of the same suites.
  sources=/etc/apt/sources.list.d/kaziro-web-src.sources
  if [ ! -f "$sources" ] && ! grep -rqs "^Types:.*deb-src\|^deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "kaziro: the browser build needs Debian's source packages: add deb-src lines and run apt-get update" >&2
      exit 1
    fi
    for f in /etc/apt/sources.list.d/*.sources; do
      # Debian's own entries only, as deb-src.
      awk 'BEGIN{RS="";ORS="\n\n"} /URIs:[^\n]*debian/ && /Types:[^\n]*deb/ {sub(/Types:[^\n]*/,"Types: deb-src"); print}' "$f"
    done > "$sources.new"
    if [ -s "$sources.new" ]; then mv "$sources.new" "$sources"; else rm -f "$sources.new"; fi
    apt-get update -qq
  fi
  if ! apt-cache showsrc libsdl2 2>/dev/null | grep -q "^Package:"; then
    [ "$(id -u)" -eq 0 ] && apt-get update -qq
  fi
else
packages=(
  # build (gettext: msgfmt compiles the translations)
  build-essential cmake pkg-config gettext
  # the platform layer; DejaVu is the Latin face where no Japanese one is installed
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libsdl2-mixer-dev
  libfontconfig-dev libx11-dev fonts-ipafont-gothic fonts-dejavu-core
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # end-to-end tests in a real X server, fuzzing, leak checks, packaging
  xvfb xauth xdotool x11-utils imagemagick openbox clang libclang-rt-14-dev valgrind
  desktop-file-utils appstream man-db gzip dpkg-dev file python3 rsync
  # the package test: a clean Debian system to install the package into
  mmdebstrap
  # the router's port mapping (UPnP IGD and NAT-PMP), and the network tests: namespaces,
  # a real miniupnpd with its nftables rules
  libminiupnpc-dev libnatpmp-dev iproute2 nftables miniupnpd-nftables
)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# npm comes with some builds of nodejs, and as its own package with Debian's.
if [ "${1:-}" = "--web" ] && ! command -v npm >/dev/null; then
  missing+=(npm)
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "kaziro: missing packages; run:" >&2
  echo "sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
