#!/usr/bin/env bash
# Builds the libFuzzer target of the recording parser with clang (ASan + UBSan) and runs it
# for a bounded time on a copy of the corpus in fuzz/corpus/. Any finding fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN="${1:-60}"
JOBS=$(nproc)
CXX_FLAGS="-g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$CXX_FLAGS" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DVISTREL_FUZZ=ON -DVISTREL_BUILD_APP=OFF -DVISTREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$JOBS" --target fuzz_open
rm -rf fuzz-corpus-work
mkdir -p fuzz-corpus-work
cp fuzz/corpus/* fuzz-corpus-work/
ARTIFACTS=build-fuzz/artifacts/
mkdir -p "$ARTIFACTS"
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ./build-fuzz/bin/fuzz_open fuzz-corpus-work -max_total_time="$SECONDS_TO_RUN" -max_len=16384 \
  -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 -artifact_prefix="$ARTIFACTS" -print_final_stats=1
echo "Fuzzing finished without findings."
