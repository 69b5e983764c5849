#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for its share of a
# bounded time on a copy of its seed corpus. Any finding fails the script and leaves the
# input in build-fuzz/artifacts/.
#   scripts/fuzz.sh [TOTAL_SECONDS] [TARGET...]     default 150 s over every target
set -euo pipefail
cd "$(dirname "$0")/.."
TOTAL_SECONDS="${1:-150}"
shift || true
# target:corpus folder:largest input
ALL_TARGETS=(
  "fuzz_open:fuzz/corpus:16384"
  "fuzz_sd_ring:fuzz/corpus-sd-ring:4096"
  "fuzz_config:fuzz/corpus-config:8192"
  "fuzz_param_files:fuzz/corpus-param-files:8192"
  "fuzz_cli_args:fuzz/corpus-cli-args:1024"
)
TARGETS=()
if [ "$#" -gt 0 ]; then
  for want in "$@"; do
    for t in "${ALL_TARGETS[@]}"; do [ "${t%%:*}" = "$want" ] && TARGETS+=("$t"); done
  done
else
  TARGETS=("${ALL_TARGETS[@]}")
fi
PER_TARGET=$(( TOTAL_SECONDS / ${#TARGETS[@]} ))
[ "$PER_TARGET" -ge 1 ] || PER_TARGET=1
JOBS=$(nproc)
CXX_FLAGS="-g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$CXX_FLAGS" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DVISTREL_FUZZ=ON -DVISTREL_BUILD_APP=OFF -DVISTREL_BUILD_BENCH=OFF >/dev/null
NAMES=()
for t in "${TARGETS[@]}"; do NAMES+=("${t%%:*}"); done
cmake --build build-fuzz -j"$JOBS" --target "${NAMES[@]}"
ARTIFACTS=build-fuzz/artifacts/
mkdir -p "$ARTIFACTS"
rm -rf fuzz-corpus-work
for t in "${TARGETS[@]}"; do
  IFS=: read -r name corpus maxlen <<<"$t"
  work="fuzz-corpus-work/$name"
  mkdir -p "$work"
  cp "$corpus"/* "$work"/ 2>/dev/null || true
  echo "== $name: ${PER_TARGET}s =="
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "./build-fuzz/bin/$name" "$work" -max_total_time="$PER_TARGET" -max_len="$maxlen" \
    -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 -artifact_prefix="$ARTIFACTS$name-" \
    -print_final_stats=1
done
echo "Fuzzing finished without findings."
