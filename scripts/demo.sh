#!/usr/bin/env bash
# Sets up, builds and shows the program on a generated demo recording.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
mkdir -p demo
./build/bin/vistrel-cli demo demo/demo.kvf
./build/bin/vistrel-cli info demo/demo.kvf
./build/bin/vistrel-cli dump demo/demo.kvf --count 5
