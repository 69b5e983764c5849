#!/usr/bin/env bash
# Takes the README's pictures of the program window under a virtual X server: the demo
# recording at its default view, then the same with the min-max envelope and the legend on.
# Needs a build (scripts/build.sh) and the packages xvfb, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
./build/bin/vistrel-cli demo "$work/demo.kvf" >/dev/null
cp resources/LogoADC.bmp "$work/"
cat >"$work/shoot.sh" <<'INNER'
set -euo pipefail
cd "$1"
VISTREL_LANG_ID=1033 "$2/build/bin/vistrel" demo.kvf &
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
xdotool mousemove 300 30 click --repeat 2 --delay 80 1
sleep 1
import -window root -crop 1280x800+0+0 "$2/docs/window-default.png"
xdotool windowfocus --sync "$win"
xdotool key --clearmodifiers alt+v l
sleep 0.5
xdotool key --clearmodifiers alt+p m
sleep 3
import -window root -crop 1280x800+0+0 "$2/docs/window-envelope-legend.png"
kill "$pid"
INNER
XDG_RUNTIME_DIR="$work" XDG_CACHE_HOME="$work/cache" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/shoot.sh" "$work" "$root"
echo "Wrote docs/window-default.png and docs/window-envelope-legend.png"
