#!/usr/bin/env bash
# Installs every build and test dependency from Debian's packages when missing.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev
  libsndfile1-dev libhdf5-dev libmatio-dev
  python3-numpy python3-scipy python3-pandas python3-h5py python3-soundfile python3-pytest
  python3-dev pybind11-dev python3-dask python3-distributed
  clang libclang-rt-14-dev
  xvfb xauth x11-utils imagemagick xdotool fonts-dejavu-core
  qt6-translations-l10n desktop-file-utils appstream shared-mime-info libxml2-utils dpkg-dev lintian
  qt6-svg-dev poppler-utils
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
