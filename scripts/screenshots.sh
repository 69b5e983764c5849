#!/usr/bin/env bash
# Takes the README's pictures of the program window under a virtual X server: the demo
# recording at its default view, then the same with the min-max envelope and the legend on, the
# demo in lanes, and a 64-channel recording in lanes (the toolbar shown in all of them).
# Needs a build (scripts/build.sh) and the packages xvfb, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
./build/bin/vistrel-cli demo "$work/demo.kvf" >/dev/null
./build/bin/vistrel-cli demo "$work/m64.kvf" --channels 64 --seconds 10 >/dev/null
cp resources/LogoADC.bmp "$work/"
cat >"$work/shoot.sh" <<'INNER'
set -euo pipefail
cd "$1"
# start FILE: the program on FILE, its window at 1280x800 and its plot window maximised.
start() {
  VISTREL_LANG_ID=1033 "$2/build/bin/vistrel" "$1" &
  pid=$!
  win=""
  for _ in $(seq 50); do
    win=$(xdotool search --pid "$pid" --onlyvisible 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.2
  done
  [ -n "$win" ] || { echo "the window did not appear" >&2; kill "$pid"; exit 1; }
  xdotool windowsize "$win" 1280 800 windowmove "$win" 0 0
  sleep 2
  # The plot window fills the main window (a double click on its title bar maximises it).
  xdotool mousemove 300 70 click --repeat 2 --delay 80 1
  sleep 1
  xdotool windowfocus --sync "$win"
}
shoot() { import -window root -crop 1280x800+0+0 "$root/docs/$1"; }
root=$2
start demo.kvf "$root"
shoot window-default.png
xdotool key --clearmodifiers alt+v l
sleep 0.5
xdotool key --clearmodifiers alt+p m
sleep 3
shoot window-envelope-legend.png
kill "$pid"
wait "$pid" 2>/dev/null || true
# View > Lanes (the menu's mnemonic n) on the demo and on 64 channels.
for pair in demo.kvf:window-lanes-toolbar.png m64.kvf:window-lanes-64.png; do
  start "${pair%%:*}" "$root"
  xdotool key --clearmodifiers alt+v n
  sleep 3
  shoot "${pair#*:}"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done
INNER
XDG_RUNTIME_DIR="$work" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/shoot.sh" "$work" "$root"
# Fewer colours keep the pictures small.
for f in window-default window-envelope-legend window-lanes-toolbar window-lanes-64; do
  /usr/bin/convert "docs/$f.png" -colors 128 "PNG8:docs/$f.png"
done
echo "Wrote docs/window-default.png, window-envelope-legend.png, window-lanes-toolbar.png and window-lanes-64.png"
