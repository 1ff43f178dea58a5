#!/usr/bin/env bash
# Builds the Debian package and lists it (files and dependencies) without
# installing it.
set -euo pipefail
build=$(pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
deb=$(ls "$out"/kaziro_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kaziro ./usr/libexec/kaziro/kaziro ./usr/share/kaziro/Graphic/die6.png \
         ./usr/share/kaziro/Sound/Save.wav ./usr/share/applications/kaziro.desktop \
         ./usr/share/icons/hicolor/64x64/apps/kaziro.png; do
  grep -q " $f\$" <<<"$contents" || { echo "package lacks $f"; exit 1; }
done
info=$(dpkg-deb -I "$deb")
for dep in libsdl2-2.0-0 libsdl2-image-2.0-0 libsdl2-ttf-2.0-0 libsdl2-mixer-2.0-0 \
           libfontconfig1 fonts-ipafont-gothic; do
  grep -q "Depends:.*$dep" <<<"$info" || { echo "package does not depend on $dep"; exit 1; }
done
grep -q "^ Package: kaziro$" <<<"$info"
echo "package $(basename "$deb"): ok"
