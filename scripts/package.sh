#!/usr/bin/env bash
# Builds the Debian package vistrel_<version>_amd64.deb (Release build in build-pkg/) and runs
# lintian on it. Usage: scripts/package.sh   -> prints the path of the package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVISTREL_BUILD_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
TARGETS=(vistrel vistrel-cli vistrel_languages vistrel_manpages vistrel_changelog)
# The Python module, when pybind11 and the Python headers were found.
grep -q 'build vistrel_python:' build-pkg/build.ninja && TARGETS+=(vistrel_python)
cmake --build build-pkg -j"$(nproc)" --target "${TARGETS[@]}"
(cd build-pkg && cpack -G DEB >/dev/null)
DEB=$(ls build-pkg/vistrel_*_amd64.deb)
echo "== lintian =="
# Errors fail the script; warnings are printed.
lintian --fail-on error "$DEB" || { echo "lintian reported errors" >&2; exit 1; }
echo "$PWD/$DEB"
