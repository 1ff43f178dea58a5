#!/usr/bin/env bash
# Builds the Debian package and checks it as a packager would: its files, its
# changelog's version, dependencies read off the program (every library the
# program needs is a dependency), and then the real thing: the package goes
# into a clean Debian 12 system made with mmdebstrap from this machine's apt
# sources, where `apt-get install` pulls only what the package declares
# (no recommended packages); the game starts there headless, plays a few
# seconds and ends with status 0, plays its recording back; then the package
# is purged and none of its files may be left.
#
# The clean system is made once a day and kept as a tarball in
# ${XDG_CACHE_HOME:-~/.cache}/kaziro (with the packages apt downloaded into
# it); each run unpacks a fresh copy into install-root/ of the build folder.
# The install needs root (chroot); without it the test is skipped (status 77).
set -euo pipefail
build=$(pwd)
out=$(mktemp -d)
root="$build/install-root"
cleanup() {
  rm -rf "$out"
  # Nothing is mounted outside the test's own mount namespace; the copy goes.
  rm -rf "$root"
}
trap cleanup EXIT

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
grep -q "^ Package: kaziro$" <<<"$info"
grep -q "kaziro-meet, the meeting server" <<<"$info" || { echo "the description does not mention kaziro-meet"; exit 1; }
# The packaged changelog parses, and its newest entry is the package's version.
dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/kaziro/changelog.gz | gzip -dc >"$out/changelog"
version=$(dpkg-parsechangelog -l "$out/changelog" -S Version)
[ "$version" = "$(dpkg-deb -f "$deb" Version)" ] || { echo "changelog version $version is not the package's"; exit 1; }

# Every library the packaged program needs comes from a package it depends on
# (as this machine's packages provide them), and a Japanese face is asked for.
depends=$(dpkg-deb -f "$deb" Depends)
# The package names in Depends, one a line (alternatives each on their own).
declared=$(sed -e 's/([^)]*)//g' -e 's/[,|]/\n/g' <<<"$depends" | awk 'NF {print $1}')
dpkg-deb -x "$deb" "$out/tree"
needed=$(objdump -p "$out/tree/usr/libexec/kaziro/kaziro" | awk '$1 == "NEEDED" {print $2}')
[ -n "$needed" ] || { echo "no libraries found in the program"; exit 1; }
# Where this machine has each library, under either name of a merged /usr.
libraries=$(ldconfig -p | awk '$(NF - 1) == "=>" {print $1, $NF}')
paths=()
for soname in $needed; do
  path=$(awk -v so="$soname" '$1 == so && !found {print $2; found = 1}' <<<"$libraries")
  [ -n "$path" ] || { echo "$soname: not found on this machine"; exit 1; }
  real=$(readlink -f "$path")
  paths+=("$path" "$real" "/usr${path#/usr}" "/usr${real#/usr}" "${path#/usr}" "${real#/usr}")
done
owners=$(dpkg -S "${paths[@]}" 2>/dev/null || true)
for soname in $needed; do
  owner=$(awk -v so="$soname" -F': ' '{n = split($2, part, "/")} part[n] == so && !found {print $1; found = 1}' <<<"$owners")
  if [ -z "$owner" ]; then  # registered under the library file's own name
    real=$(readlink -f "$(awk -v so="$soname" '$1 == so && !found {print $2; found = 1}' <<<"$libraries")")
    owner=$(awk -v file="$real" -F': ' '("/usr" $2 == file || $2 == file) && !found {print $1; found = 1}' <<<"$owners")
  fi
  owner=${owner%%:*}
  [ -n "$owner" ] || { echo "$soname: no package of this machine holds it"; exit 1; }
  grep -qxF "$owner" <<<"$declared" || { echo "the program needs $soname ($owner) but the package depends on: $depends"; exit 1; }
done
grep -qxF fonts-ipafont-gothic <<<"$declared" || { echo "no Japanese face among: $depends"; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  echo "package $(basename "$deb"): contents ok; the clean install needs root: skipped"
  exit 77
fi
# The sanitizer build's package is nobody's to install: its program checks itself.
if grep -q "^KAZIRO_SANITIZE:BOOL=ON" "$build/CMakeCache.txt" 2>/dev/null; then
  echo "package $(basename "$deb"): contents ok; a sanitizer build is not installed: skipped"
  exit 77
fi
for tool in mmdebstrap unshare chroot; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run tools/install-deps.sh"; exit 1; }
done

# The clean system of today for these apt sources, made once and kept.
cache="${XDG_CACHE_HOME:-$HOME/.cache}/kaziro"
mkdir -p "$cache/archives"
# This machine's binary package sources (its source-package entries left out).
mkdir -p "$out/sources"
existing=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -s "$f" ] || continue
  kept="$out/sources/$(basename "$f")"
  case "$f" in
    *.sources) awk 'BEGIN { RS = ""; ORS = "\n\n" }
                    { keep = 0; n = split($0, line, "\n")
                      for (i = 1; i <= n; i++) if (line[i] ~ /^Types:/) {
                        m = split(line[i], type, /[ \t]+/)
                        for (j = 2; j <= m; j++) if (type[j] == "deb") keep = 1 }
                      if (keep) print }' "$f" >"$kept" ;;
    *) grep -E '^[[:space:]]*deb[[:space:]]' "$f" >"$kept" || true ;;
  esac
  if [ -s "$kept" ]; then existing+=("$kept"); fi
done
[ ${#existing[@]} -gt 0 ] || { echo "this machine has no apt sources"; exit 1; }
key=$(date -u +%Y%m%d)-$(cat "${existing[@]}" | sha256sum | cut -c1-12)
base="$cache/bookworm-$key.tar"
exec 9>"$cache/lock"
flock 9
if [ ! -s "$base" ]; then
  rm -rf "$cache"/bookworm-*.tar "$cache"/bookworm-*.part
  # The apt variant: the essential packages and apt, nothing else. The
  # package lists stay, so the copies can install without an update.
  if ! mmdebstrap --quiet --variant=apt --format=tar --skip=cleanup/apt/lists bookworm "$base.part" \
       "${existing[@]}"; then
    rm -f "$base.part"
    echo "mmdebstrap could not make a clean system from:"; cat "${existing[@]}"; exit 1
  fi
  mv "$base.part" "$base"
fi
rm -rf "$root"
mkdir -p "$root"
tar -xf "$base" -C "$root"
flock -u 9
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
cp "$deb" "$root/tmp/"
cp -l "$cache"/archives/*.deb "$root/var/cache/apt/archives/" 2>/dev/null ||
  cp "$cache"/archives/*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true

# Runs a command in the clean system, with its own /proc in a mount namespace
# of its own (nothing to unmount afterwards).
in_root() {
  unshare --mount --pid --fork --mount-proc="$root/proc" \
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

# Nothing of the game's is there before.
if in_root dpkg-query -W -f='${Package}\n' 'libsdl2-2.0-0' 'libminiupnpc17' 'fonts-ipafont-gothic' 2>/dev/null | grep -q .; then
  echo "the clean system already holds the game's libraries"; exit 1
fi
if ! in_root apt-get install -y -q --no-install-recommends -o Dpkg::Options::=--force-unsafe-io "/tmp/$(basename "$deb")" >"$out/apt.log" 2>&1; then
  cat "$out/apt.log"; echo "apt-get could not install the package in the clean system"; exit 1
fi
cp -n "$root"/var/cache/apt/archives/*.deb "$cache/archives/" 2>/dev/null || true

# The installed game: its version, then a few seconds of play with the
# computer at the controls, ended as a desktop ends it (SIGTERM once its
# handler is in place), recorded; then the recording played back to its end.
# Standard error says only that: the data, the face and the sound are found.
[ "$(in_root kaziro --version)" = "kaziro $version" ] || { echo "kaziro --version is not 'kaziro $version'"; exit 1; }
status=0
in_root bash -c '
  export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME=/tmp/home XDG_DATA_HOME=/tmp/home
  kaziro --autopilot 7 --record /tmp/round.kzr 2>/tmp/play.err &
  game=$!
  for _ in $(seq 1 200); do
    mask=$(sed -n "s/^SigCgt:\s*//p" /proc/$game/status 2>/dev/null)
    [ $(( 0x${mask:-0} & 0x4000 )) -ne 0 ] && break
    sleep 0.05
  done
  sleep 3
  kill -TERM $game
  wait $game || exit $?
  kaziro --replay /tmp/round.kzr 2>>/tmp/play.err
' || status=$?
said=$(cat "$root/tmp/play.err" 2>/dev/null || true)
[ "$status" -eq 0 ] || { echo "the installed game ended with status $status:"; echo "$said"; exit 1; }
grep -q "^kaziro: replay: played all [0-9]* steps; every checksum matched" <<<"$said" ||
  { echo "the recording did not play back whole:"; echo "$said"; exit 1; }
if grep -v -e "^kaziro: record: " -e "^kaziro: replay: " <<<"$said"; then
  echo "(more than the recording's and the replay's lines on standard error)"; exit 1
fi

# Purged, nothing of the package is left: no file, and no folder that no
# other package holds.
in_root apt-get purge -y -q kaziro >"$out/apt.log" 2>&1 || { cat "$out/apt.log"; exit 1; }
# dpkg-deb lists "mode owner size date time ./path"; folders end in "/".
awk '{print substr($1, 1, 1), substr($6, 2)}' <<<"$contents" >"$root/tmp/package-files"
left=$(in_root bash -c '
  while read -r kind path; do
    [ "$path" = / ] && continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    if [ "$kind" = d ] && dpkg-query -S "${path%/}" >/dev/null 2>&1; then continue; fi
    echo "$path"
  done </tmp/package-files')
[ -z "$left" ] || { echo "left after the purge:"; echo "$left"; exit 1; }
echo "package $(basename "$deb"): installs, plays and goes again in a clean Debian 12 (depends: $depends)"
