#!/usr/bin/env bash
# Cross-builds the Qt-free core, vistrel-cli.exe and core_tests.exe for 64-bit Windows with
# mingw-w64, runs core_tests.exe under Wine and compares vistrel-cli.exe's results with the
# Linux build's (build/bin/vistrel-cli, built first by scripts/test.sh or scripts/build.sh).
#
# FFTW and GoogleTest are built for Windows once into a cache folder outside the clone:
# ${VISTREL_WIN_CACHE:-$HOME/.cache/vistrel-win}. Delete it to rebuild them.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
CACHE=${VISTREL_WIN_CACHE:-$HOME/.cache/vistrel-win}
PREFIX="$CACHE/prefix"
JOBS=${JOBS:-2}
BUILD=${VISTREL_WIN_BUILD:-build-win}
START=$(date +%s)

# --- Packages: the cross compiler, Wine, dpkg-dev (apt-get source) and GoogleTest's sources.
PACKAGES=(g++-mingw-w64-x86-64 wine64 dpkg-dev googletest cmake ninja-build pkg-config locales)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# A Russian locale gives Wine the ANSI code page 1251, as on a Russian Windows.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  $SUDO localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
WINE=$(command -v wine64 || true)
[ -n "$WINE" ] || WINE=/usr/lib/wine/wine64
CXX=x86_64-w64-mingw32-g++-posix
CC=x86_64-w64-mingw32-gcc-posix
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT}

# --- FFTW (double precision, SSE2 + AVX, static) from Debian's source package.
if [ ! -f "$PREFIX/lib/libfftw3.a" ]; then
  echo "== FFTW for Windows (once, into $CACHE) =="
  if ! ls "$CACHE"/src/fftw3-*/configure >/dev/null 2>&1; then
    if ! apt-get source --print-uris fftw3 >/dev/null 2>&1 || \
       ! apt-get source --print-uris fftw3 2>/dev/null | grep -q "orig.tar"; then
      # Source entries for the archive and suites the machine already installs from.
      src=/etc/apt/sources.list.d/vistrel-deb-src.sources
      sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources | \
        sed 's/^Types: deb$/Types: deb-src/' | $SUDO tee "$src" >/dev/null
      $SUDO apt-get update -qq
    fi
    rm -rf "$CACHE/src"
    mkdir -p "$CACHE/src"
    (cd "$CACHE/src" && apt-get source -qq fftw3 >/dev/null 2>&1)
  fi
  FFTW_SRC=$(ls -d "$CACHE"/src/fftw3-*/ | head -n1)
  rm -rf "$CACHE/fftw-build"
  mkdir -p "$CACHE/fftw-build"
  # GCC cannot keep the Windows stack 32-byte aligned for spilled AVX registers: let the
  # assembler turn aligned vector moves into unaligned ones.
  (cd "$CACHE/fftw-build" && "$FFTW_SRC/configure" --host=x86_64-w64-mingw32 --prefix="$PREFIX" \
      --enable-static --disable-shared --enable-sse2 --enable-avx --with-our-malloc \
      --disable-fortran --disable-doc F77=no CC="$CC" \
      CFLAGS="-O2 -Wa,-muse-unaligned-vector-move" >/dev/null &&
    make -j"$JOBS" >/dev/null && make install >/dev/null)
fi

# --- GoogleTest from /usr/src/googletest with the same toolchain.
if [ ! -f "$PREFIX/lib/libgtest.a" ]; then
  echo "== GoogleTest for Windows (once, into $CACHE) =="
  rm -rf "$CACHE/gtest-build"
  cmake -S /usr/src/googletest -B "$CACHE/gtest-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$CACHE/gtest-build" -j"$JOBS" >/dev/null
  cmake --install "$CACHE/gtest-build" >/dev/null
fi

# --- The core, the CLI and the core tests.
echo "== Windows build =="
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DVISTREL_WIN_PREFIX="$PREFIX" \
  -DVISTREL_BUILD_APP=OFF -DVISTREL_BUILD_BENCH=OFF "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target vistrel-cli core_tests
BUILT=$(date +%s)

# --- Wine: a throwaway prefix, no Mono or Gecko prompts, no debug noise.
export WINEPREFIX
WINEPREFIX=$(mktemp -d)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
cleanup() {
  WINEPREFIX="$WINEPREFIX" "$(dirname "$WINE")/wineserver${WINE##*wine}" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
# A zone with an awkward bias (UTC+5:45: -345 minutes), so the time-zone tests see a real value,
# and Russian settings (ANSI code page 1251).
export TZ=Asia/Kathmandu VISTREL_TEST_TZ_BIAS=-345 LC_ALL=ru_RU.UTF-8
"$WINE" wineboot -i >/dev/null 2>&1 || true

# Runs core_tests.exe once under the locale given; a second locale needs a fresh wineserver.
core_tests_under() {
  local locale=$1 log="$BUILD/core_tests-wine-$1.log"
  WINEPREFIX="$WINEPREFIX" "$(dirname "$WINE")/wineserver${WINE##*wine}" -k >/dev/null 2>&1 || true
  echo "== core tests under Wine (TZ=$TZ, LC_ALL=$locale) =="
  (cd "$BUILD" && LC_ALL=$locale "$WINE" bin/core_tests.exe ${GTEST_FILTER:+--gtest_filter="$GTEST_FILTER"}) 2>&1 | \
    tr -d '\r' | tee "$log" | grep -E '^\[  (FAILED|PASSED|SKIPPED) |^\[==========\]|Failure|error' || true
  grep -q '^\[  PASSED  \]' "$log" && ! grep -q '^\[  FAILED  \]' "$log" || {
    echo "core_tests.exe failed under Wine with LC_ALL=$locale (log: $log)"; exit 1; }
}
core_tests_under ru_RU.UTF-8
# An English system (code page 1252): every test must hold in any locale.
core_tests_under C.UTF-8

echo "== vistrel-cli.exe against the Linux vistrel-cli =="
LINUX_CLI=${VISTREL_LINUX_CLI:-$ROOT/build/bin/vistrel-cli}
if [ ! -x "$LINUX_CLI" ]; then
  echo "No Linux build at $LINUX_CLI: build it first (scripts/build.sh)"; exit 1
fi
WIN_CLI="$ROOT/$BUILD/bin/vistrel-cli.exe"
SMOKE=$(mktemp -d)
mkdir -p "$SMOKE/linux" "$SMOKE/windows"
# Runs one command with both programs, each in its own folder; "@" stands for that folder.
both() {
  local out=$1; shift
  local args_l=() args_w=() a
  for a in "$@"; do args_l+=("${a//@/$SMOKE/linux}"); args_w+=("${a//@/$SMOKE/windows}"); done
  (cd "$SMOKE/linux" && "$LINUX_CLI" "${args_l[@]}" >"$out" 2>"$out.err") || { echo "Linux: $* failed"; cat "$SMOKE/linux/$out.err"; exit 1; }
  # The Windows program gets Windows paths (Z: is the drive Wine gives to /).
  local w=() x
  for x in "${args_w[@]}"; do
    if [[ "$x" == /* ]]; then w+=("Z:${x//\//\\}"); else w+=("$x"); fi
  done
  (cd "$SMOKE/windows" && "$WINE" "$WIN_CLI" "${w[@]}" >"$out" 2>"$out.err") || { echo "Windows: $* failed"; cat "$SMOKE/windows/$out.err"; exit 1; }
}
same() {
  if cmp -s "$SMOKE/linux/$1" "$SMOKE/windows/$1"; then echo "  same: $1"; return; fi
  echo "  DIFFERENT: $1"
  diff <(head -c 3000 "$SMOKE/linux/$1") <(head -c 3000 "$SMOKE/windows/$1") | head -10 || true
  FAILED=1
}
# Numbers of two dumps within 1e-12 of the largest magnitude: the two FFTW builds may pick other
# SIMD kernels, and MinGW's sin/cos (x87) differ from glibc's in the last bits near zero.
close() {
  python3 - "$SMOKE/linux/$1" "$SMOKE/windows/$1" <<'PY' || FAILED=1
import sys
a, b = ([[float(v) for v in l.split()] for l in open(p)] for p in sys.argv[1:3])
if len(a) != len(b) or any(len(x) != len(y) for x, y in zip(a, b)):
    print("  DIFFERENT: the shape of", sys.argv[1]); sys.exit(1)
top = max((abs(v) for r in a for v in r), default=0.0)
worst = max((abs(x - y) for r, s in zip(a, b) for x, y in zip(r, s)), default=0.0)
rows = sum(r != s for r, s in zip(a, b))
print(f"  close: {sys.argv[1].split('/')[-1]}: {rows} of {len(a)} rows differ, by at most {worst:.3g} "
      f"(largest magnitude {top:.6g})")
sys.exit(0 if worst <= 1e-12 * top else 1)
PY
}
FAILED=0
# Each program writes its own demo recording (stamped with the time of the run).
both demo.txt demo @/demo.kvf --channels 8 --devices 2 --rate 44100 --seconds 2
both demo-info.txt info @/demo.kvf
both demo-dump.txt dump @/demo.kvf --from 44000 --count 2000
same demo.txt
sed -i 's/"start_utc":[0-9]*,"start_local":[0-9]*,//' "$SMOKE/linux/demo-info.txt" "$SMOKE/windows/demo-info.txt"
same demo-info.txt
close demo-dump.txt
# The rest works on one and the same recording: the Linux program's.
# -p: the start time of a float recording is its file time.
cp -p "$SMOKE/linux/demo.kvf" "$SMOKE/windows/demo.kvf"
both info.txt info demo.kvf
both dump.txt dump demo.kvf --from 1000 --count 500
both movavg.txt movavg demo.kvf --factor 7 --from 100 --to 60000 --hide 3 --out m.kvf
both movavg-dump.txt dump m.kvf
both spectrum.txt spectrum demo.kvf --channel 1 --channel 4 --fft --from 0 --to 44100 --window 3 --out f.kvf
both spectrum-dump.txt dump f.kvf
both fragment.txt save-fragment demo.kvf --from 500 --to 540 --out fragment-out.txt --time-style 1
for f in info.txt dump.txt movavg.txt m.kvf movavg-dump.txt spectrum.txt fragment.txt fragment-out.txt; do same "$f"; done
close spectrum-dump.txt
rm -rf "$SMOKE"
if [ "$FAILED" -ne 0 ]; then echo "vistrel-cli.exe and vistrel-cli disagree"; exit 1; fi

END=$(date +%s)
echo "Windows step: build $((BUILT - START)) s, tests $((END - BUILT)) s, total $((END - START)) s."
