#!/usr/bin/env bash
# Sets up, builds and starts the program on a generated demo recording. The program runs in
# demo/ (its configuration "Vistrel.cfg", log "Debug.txt" and temporary results land there).
# Without a display it renders the demo plot into demo/demo.png instead; run the window under
# a virtual display with:  xvfb-run -a -s "-screen 0 1600x1000x24" bash scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
mkdir -p demo
[ -f demo/demo.kvf ] || ./build/bin/vistrel-cli demo demo/demo.kvf
cp -f resources/LogoADC.bmp demo/LogoADC.bmp
./build/bin/vistrel-cli info demo/demo.kvf
cd demo
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ../build/bin/vistrel demo.kvf
fi
echo "No display: rendering the demo plot into demo/demo.png (see README for Xvfb)."
../build/bin/vistrel --png demo.png --size 1280x800 demo.kvf
echo "Wrote demo/demo.png"
