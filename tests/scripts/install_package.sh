#!/usr/bin/env bash
# Builds the Debian package and lists it (files, dependencies and the
# changelog's version) without installing it.
set -euo pipefail
build=$(pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
deb=$(ls "$out"/kaziro_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kaziro ./usr/libexec/kaziro/kaziro ./usr/share/kaziro/Graphic/die6.png \
         ./usr/share/kaziro/Sound/Save.wav ./usr/share/applications/kaziro.desktop \
         ./usr/share/icons/hicolor/64x64/apps/kaziro.png ./usr/share/man/man6/kaziro.6.gz \
         ./usr/share/metainfo/example.kaziro.Kaziro.metainfo.xml \
         ./usr/share/doc/kaziro/copyright ./usr/share/doc/kaziro/changelog.gz \
         ./usr/bin/kaziro-meet ./usr/share/man/man8/kaziro-meet.8.gz \
         ./usr/lib/systemd/system/kaziro-meet.service; do
  grep -q " $f\$" <<<"$contents" || { echo "package lacks $f"; exit 1; }
done
info=$(dpkg-deb -I "$deb")
for dep in libsdl2-2.0-0 libsdl2-image-2.0-0 libsdl2-ttf-2.0-0 libsdl2-mixer-2.0-0 \
           libfontconfig1 fonts-ipafont-gothic; do
  grep -q "Depends:.*$dep" <<<"$info" || { echo "package does not depend on $dep"; exit 1; }
done
grep -q "^ Package: kaziro$" <<<"$info"
grep -q "kaziro-meet, the meeting server" <<<"$info" || { echo "the description does not mention kaziro-meet"; exit 1; }
# The packaged changelog parses, and its newest entry is the package's version.
dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/kaziro/changelog.gz | gzip -dc >"$out/changelog"
version=$(dpkg-parsechangelog -l "$out/changelog" -S Version)
[ "$version" = "$(dpkg-deb -f "$deb" Version)" ] || { echo "changelog version $version is not the package's"; exit 1; }
echo "package $(basename "$deb"): ok"
