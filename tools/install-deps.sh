#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kaziro need.
# Idempotent: packages already installed are skipped. As root it runs apt-get;
# otherwise it prints the exact command to run and exits non-zero.
set -euo pipefail

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
  # the router's port mapping (UPnP IGD and NAT-PMP), and the network tests: namespaces,
  # a real miniupnpd with its nftables rules
  libminiupnpc-dev libnatpmp-dev iproute2 nftables miniupnpd-nftables
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

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
