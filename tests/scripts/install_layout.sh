#!/usr/bin/env bash
# Installs into a temporary prefix, checks the layout and the desktop
# integration (desktop entry, AppStream metainfo and manual page through their
# validators), and starts the installed launcher from another folder headless:
# the game must find its art (no image message on standard error) and end with
# status 0 on SIGTERM. Then the installed program itself, without the launcher,
# with a picture taken away and an English locale: it finds the installed data
# and the installed English catalogue relative to itself.
set -euo pipefail
build=$(pwd)
tmp=$(mktemp -d)
game=""
cleanup() {
  [ -n "$game" ] && kill -KILL "$game" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
# Move the installed tree: the launcher must not depend on the install path.
mv "$tmp/prefix" "$tmp/moved"
root="$tmp/moved"

for f in bin/kaziro libexec/kaziro/kaziro share/applications/kaziro.desktop \
         share/locale/en/LC_MESSAGES/kaziro.mo \
         share/icons/hicolor/64x64/apps/kaziro.png share/icons/hicolor/256x256/apps/kaziro.png \
         share/kaziro/Graphic/Panel.png share/kaziro/Graphic/Bar.png \
         share/kaziro/Sound/Set.wav share/kaziro/Sound/Pad5.wav; do
  [ -e "$root/$f" ] || { echo "missing: $f"; exit 1; }
done
for n in 1 2 3 4 5 6; do [ -e "$root/share/kaziro/Graphic/die$n.png" ] || { echo "missing die$n"; exit 1; }; done
[ -x "$root/bin/kaziro" ] || { echo "launcher not executable"; exit 1; }
# Desktop integration: the entry, the AppStream metainfo and the manual page
# must pass their validators (tools/install-deps.sh installs them).
for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run tools/install-deps.sh"; exit 1; }
done
desktop="$root/share/applications/kaziro.desktop"
desktop-file-validate "$desktop"
grep -qx "StartupWMClass=Kaziro" "$desktop" || { echo "desktop entry lacks StartupWMClass=Kaziro"; exit 1; }
metainfo=("$root"/share/metainfo/*.metainfo.xml)
[ ${#metainfo[@]} -eq 1 ] && [ -f "${metainfo[0]}" ] || { echo "expected one metainfo file"; exit 1; }
if ! report=$(appstreamcli validate --no-net "${metainfo[0]}" 2>&1); then
  echo "$report"; exit 1
fi
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "${metainfo[0]}")
[ "$launchable" = kaziro.desktop ] || { echo "metainfo launches '$launchable', not kaziro.desktop"; exit 1; }
page="$root/share/man/man6/kaziro.6.gz"
manual=$(MANWIDTH=80 man --warnings -l "$page" 2>"$tmp/man-warnings")
if [ -s "$tmp/man-warnings" ]; then
  echo "manual page warnings:"; cat "$tmp/man-warnings"; exit 1
fi
for section in NAME SYNOPSIS DESCRIPTION OPTIONS CONTROLS FILES "EXIT STATUS"; do
  grep -qx "$section" <<<"$manual" || { echo "manual page lacks section $section"; exit 1; }
done
# Every option is an entry of its own in the list of options.
for opt in --players --keyboard-pad --music --fullscreen --scale --host --join --delay --help --version; do
  grep -qE -- "^ {7}$opt( |\$)" <<<"$manual" || { echo "manual page does not describe $opt"; exit 1; }
done
file "$root/share/icons/hicolor/256x256/apps/kaziro.png" | grep -q "256 x 256"

# The meeting server: the program, its manual page with every option, its unit.
for f in bin/kaziro-meet share/man/man8/kaziro-meet.8.gz lib/systemd/system/kaziro-meet.service; do
  [ -e "$root/$f" ] || { echo "missing: $f"; exit 1; }
done
"$root/bin/kaziro-meet" --version | grep -q "^kaziro-meet "
manual=$(MANWIDTH=80 man --warnings -l "$root/share/man/man8/kaziro-meet.8.gz" 2>"$tmp/man-warnings")
[ -s "$tmp/man-warnings" ] && { echo "kaziro-meet manual page warnings:"; cat "$tmp/man-warnings"; exit 1; }
for opt in $("$root/bin/kaziro-meet" --help | grep -oE '^  --[a-z-]+'); do
  grep -qE -- "^ {7}$opt( |\$)" <<<"$manual" || { echo "kaziro-meet(8) does not describe $opt"; exit 1; }
done
grep -qx "DynamicUser=yes" "$root/lib/systemd/system/kaziro-meet.service"
grep -qx "ExecStart=kaziro-meet \$KAZIRO_MEET_OPTIONS" "$root/lib/systemd/system/kaziro-meet.service"

"$root/bin/kaziro" --version | grep -q "^kaziro "
# What the launcher hands the program: --menu when given nothing, else the
# caller's arguments, with a music file named from the caller's folder.
cp -a "$root" "$tmp/echo"
printf '#!/bin/sh\necho "$@"\n' >"$tmp/echo/libexec/kaziro/kaziro"
[ "$("$tmp/echo/bin/kaziro")" = "--menu" ] || { echo "the launcher alone does not open the menu"; exit 1; }
passed=$(cd "$tmp" && "$tmp/echo/bin/kaziro" --players 2 --music tune.ogg)
[ "$passed" = "--players 2 --music $tmp/tune.ogg" ] || { echo "the launcher passed: $passed"; exit 1; }

mkdir -p "$tmp/elsewhere"
cd "$tmp/elsewhere"
# Starts the command "$@" headless, waits until the game has installed its
# SIGTERM handler (it then quits cleanly on SIGTERM, after it has finished
# starting and loading the board's art), ends it and checks the status.
run_installed() {
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$@" 2>"$tmp/stderr" &
  game=$!
  for _ in $(seq 1 200); do
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$game/status" 2>/dev/null || echo 0)
    if [ $(( 0x${mask:-0} & 0x4000 )) -ne 0 ]; then break; fi
    sleep 0.05
  done
  kill -TERM "$game"
  status=0
  wait "$game" || status=$?
  game=""
  [ "$status" -eq 0 ] || { echo "exit status $status"; cat "$tmp/stderr"; exit 1; }
}
run_installed "$root/bin/kaziro"
if [ -s "$tmp/stderr" ]; then
  echo "unexpected output on standard error:"; cat "$tmp/stderr"; exit 1
fi

rm "$root/share/kaziro/Graphic/Panel.png"
run_installed env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=en_US.UTF-8 "$root/libexec/kaziro/kaziro"
grep -qxF "kaziro: Graphic/Panel.png: The image data could not be read" "$tmp/stderr" ||
  { echo "no English message for the missing picture:"; cat "$tmp/stderr"; exit 1; }
if grep -v "Graphic/Panel.png" "$tmp/stderr"; then echo "other pictures were not found"; exit 1; fi
echo "installed layout and launcher: ok"
