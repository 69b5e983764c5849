#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the Windows build under Wine, an
# ASan/UBSan build of the core, a ThreadSanitizer build of the core's threaded paths, and a
# bounded fuzzing run of every parser.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
JOBS=$(nproc)

echo "== build and test =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$JOBS"
ctest --test-dir build --output-on-failure -j"$JOBS"

echo "== install into a temporary prefix =="
bash scripts/install-check.sh build

echo "== Windows: cross build, core tests under Wine, CLI against the Linux build =="
JOBS="$JOBS" bash scripts/windows.sh

echo "== sanitizers (ASan + UBSan) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVISTREL_SANITIZE=ON \
  -DVISTREL_BUILD_APP=OFF -DVISTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$JOBS"

echo "== ThreadSanitizer (threaded job and reader paths) =="
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVISTREL_TSAN=ON \
  -DVISTREL_BUILD_APP=OFF -DVISTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$JOBS" --target core_tests
# The whole core suite takes seconds; ProcessingThreads runs a job beside a reading thread.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ./build-tsan/bin/core_tests

if [ -d fuzz ] && ls fuzz/*.cpp >/dev/null 2>&1; then
  echo "== fuzzing =="
  bash scripts/fuzz.sh "${FUZZ_SECONDS:-150}"
fi
echo "All tests passed."
