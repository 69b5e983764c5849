#!/usr/bin/env bash
# Builds Release and prints each measured figure beside its reference, measured in one run:
# the program's time, the reference's time, their ratio, and the spread of 3 repetitions.
# Usage: bash scripts/bench.sh [REGEX]   (REGEX narrows the pairs by the program's benchmark name)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DVISTREL_BUILD_BENCH=ON \
  -DVISTREL_BUILD_APP=OFF >/dev/null
cmake --build build-rel -j"$(nproc)" --target vistrel_bench >/dev/null

# program benchmark : reference benchmark : what the figure is
PAIRS=(
  "BM_FloatSampleValue:BM_FloatRawScan:SampleValue scan of a 1 GiB float recording / raw scan"
  "BM_SdSampleValue:BM_SdRawScan:SampleValue scan of a 1 GiB SD image / raw scan"
  "BM_SdSampleValue:BM_SdSampleValueByFormula:SD SampleValue by tables / by the formula"
  "BM_SaveFragmentKvf:BM_RawCopyReadWrite:save-fragment to .kvf / read-write copy"
  "BM_SaveChannels:BM_RawCopyReadWrite:save-channels / read-write copy"
  "BM_SaveFragmentKvfSd:BM_SaveFragmentKvf:save-fragment of an SD image / of a float recording"
  "BM_SaveFragmentKvfSd:BM_SaveFragmentKvfSdOld:save-fragment of an SD image / value by value"
  "PlotFloat/MinMaxSummariesZoom0:PlotFloat/MinMaxZoom0:2 GiB float min-max pass, whole view: summaries / scan"
  "PlotFloat/MinMaxSummariesMidZoom:PlotFloat/RawScanMidZoom:2 GiB float min-max pass, middle zoom / raw scan"
  "PlotFloat/SummaryBuild:PlotFloat/MinMaxZoom0:2 GiB float summaries build / one min-max pass"
  "PlotFloat/StatisticsSummaries:PlotFloat/StatisticsScan:2 GiB float statistics of every channel: summaries / scan"
  "PlotSd/StatisticsSummaries:PlotSd/StatisticsScan:1 GiB SD statistics of every channel: summaries / scan"
  "PlotSd/MinMaxSummariesZoom0:PlotSd/MinMaxZoom0:1 GiB SD min-max pass, whole view: summaries / scan"
  "PlotSd/MinMaxSummariesMidZoom:PlotSd/RawScanMidZoom:1 GiB SD min-max pass, middle zoom / raw scan"
  "PlotSd/MinMaxMidZoom:PlotSd/RawScanMidZoom:1 GiB SD min-max pass without summaries / raw scan"
  "PlotSd/SummaryBuild:PlotSd/MinMaxZoom0:1 GiB SD summaries build / one min-max pass"
  "BM_MovingAverage100:BM_MovingAverage100Old:moving average N=100 / former code"
  "BM_TableFunction:BM_TableFunctionOld:table function / former code"
  "BM_TableLookupPrepared:BM_TableLookupPlainBinarySearch:table lookups / plain binary search"
  "BM_DirectSumsFftw:BM_DirectSumsFormer:direct Fourier sums / former sums"
  "BM_FftFftw:BM_FftFormer:FFT of N points / former transform"
  "BM_FilterButterworth4:BM_SaveFragment8:Butterworth order-4 low-pass, 2 GiB 8 channels / save-fragment"
)
filter=""
for p in "${PAIRS[@]}"; do
  IFS=: read -r prog ref _ <<<"$p"
  [[ -n "${1:-}" && ! "$prog" =~ $1 ]] && continue
  filter+="${filter:+|}^${prog}(/|\$)|^${ref}(/|\$)"
done
out=$(mktemp)
err=$(mktemp)
if ! ./build-rel/bin/vistrel_bench --benchmark_filter="(${filter})" --benchmark_repetitions=3 \
  --benchmark_format=console --benchmark_color=false 2>"$err" >"$out"; then
  cat "$err" >&2
  exit 1
fi
rm -f "$err"

# Real time of each repetition in ms, by benchmark name (console lines: name time unit cpu unit iterations ...).
declare -A min max
while read -r name real unit _; do
  [[ ( "$name" == BM_* || "$name" == Plot* ) && "$name" != *_mean && "$name" != *_median && "$name" != *_stddev && "$name" != *_cv ]] || continue
  # Keep the arguments ("/8"), drop the run settings ("/iterations:3", "/real_time").
  name=$(sed -E 's#/(iterations|min_time|repeats|real_time|threads)[^/]*##g' <<<"$name")
  case "$unit" in
    ns) real=$(awk -v t="$real" 'BEGIN{print t / 1e6}') ;;
    us) real=$(awk -v t="$real" 'BEGIN{print t / 1e3}') ;;
    s) real=$(awk -v t="$real" 'BEGIN{print t * 1e3}') ;;
  esac
  if [[ -z "${min[$name]:-}" ]] || awk "BEGIN{exit !($real < ${min[$name]})}"; then min[$name]=$real; fi
  if [[ -z "${max[$name]:-}" ]] || awk "BEGIN{exit !($real > ${max[$name]})}"; then max[$name]=$real; fi
done <"$out"
rm -f "$out"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), load $(cut -d' ' -f1 /proc/loadavg)"
printf '| %-58s | %12s | %12s | %7s | %9s |\n' "figure" "program ms" "reference ms" "ratio" "spread"
printf '|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..60})" "--------------" "--------------" "---------" "-----------"
for p in "${PAIRS[@]}"; do
  IFS=: read -r prog ref what <<<"$p"
  # Benchmarks with arguments ("/8") pair with the reference of the same arguments.
  for key in $(printf '%s\n' "${!min[@]}" | sort -V); do
    [[ "$key" == "$prog" || "$key" == "$prog"/* ]] || continue
    args=${key#"$prog"}
    [[ -n "${min[$ref$args]:-}" ]] || continue
    awk -v w="$what${args:+ ($args)}" -v a="${min[$key]}" -v b="${min[$ref$args]}" -v hi="${max[$key]}" 'BEGIN {
      printf "| %-58s | %12.2f | %12.2f | %7.2f | %8.1f%% |\n", w, a, b, a / b, (hi - a) / a * 100 }'
  done
done
echo "(times: minimum of 3 repetitions; spread: slowest over fastest repetition of the program)"
