#!/usr/bin/env bash
# Builds Release and prints each measured figure beside its reference, measured in one run:
# the program's time, the reference's time, their ratio, and the spread of 3 repetitions.
# Usage: bash scripts/bench.sh [REGEX]   (REGEX narrows the pairs by the program's benchmark name
# and the command-line figures by their text, e.g. 'export|movavg'; VISTREL_BENCH_TOOLS=0 leaves
# those out)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The app and its paint benchmark too: pictures of the min-max view and deep-zoom paints.
cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DVISTREL_BUILD_BENCH=ON \
  -DVISTREL_BUILD_APP=ON >/dev/null
cmake --build build-rel -j"$(nproc)" --target vistrel_bench vistrel-cli vistrel vistrel_bench_plot >/dev/null

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
  "PlotFloat/SummaryBuild:PlotFloat/CatWarm:2 GiB float summaries build / warm cat (goal 1.5)"
  "PlotFloat/StatisticsSummaries:PlotFloat/StatisticsScan:2 GiB float statistics of every channel: summaries / scan"
  "PlotSd/StatisticsSummaries:PlotSd/StatisticsScan:1 GiB SD statistics of every channel: summaries / scan"
  "PlotSd/MinMaxSummariesZoom0:PlotSd/MinMaxZoom0:1 GiB SD min-max pass, whole view: summaries / scan"
  "PlotSd/MinMaxSummariesMidZoom:PlotSd/RawScanMidZoom:1 GiB SD min-max pass, middle zoom / raw scan"
  "PlotSd/MinMaxMidZoom:PlotSd/RawScanMidZoom:1 GiB SD min-max pass without summaries / raw scan"
  "PlotSd/SummaryBuild:PlotSd/MinMaxZoom0:1 GiB SD summaries build / one min-max pass"
  "PlotSd/SummaryBuild:PlotSd/CatWarm:1 GiB SD summaries build / warm cat"
  "BM_MovingAverage100:BM_MovingAverage100Old:moving average N=100 / former code"
  "BM_TableFunction:BM_TableFunctionOld:table function / former code"
  "BM_TableLookupPrepared:BM_TableLookupPlainBinarySearch:table lookups / plain binary search"
  "BM_DirectSumsFftw:BM_DirectSumsFormer:direct Fourier sums / former sums"
  "BM_FftFftw:BM_FftFormer:FFT of N points / former transform"
  "BM_FilterButterworth4:BM_SaveFragment8:Butterworth order-4 low-pass, 2 GiB 8 channels / save-fragment"
  "BM_SpectrogramWholeView:BM_SpectrogramInMemory:spectrogram of a whole 2 GiB 8-channel recording, FFT 4096, warm (goal < 100 ms) / the same FFTs in memory"
)
filter=""
for p in "${PAIRS[@]}"; do
  IFS=: read -r prog ref _ <<<"$p"
  [[ -n "${1:-}" && ! "$prog" =~ $1 ]] && continue
  filter+="${filter:+|}^${prog}(/|\$)|^${ref}(/|\$)"
done
out=$(mktemp)
err=$(mktemp)
# A REGEX that names no benchmark pair leaves only the command-line figures below.
if [[ -n "$filter" ]] && ! ./build-rel/bin/vistrel_bench --benchmark_filter="(${filter})" --benchmark_repetitions=3 \
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

# --- vistrel-cli beside the tools users compare it with: numpy and cp ---
# Each pair runs in turn (program, reference, program, ...) 5 times on the same warm input; the
# table shows the minimum of each, their ratio and the program's spread. `cp --reflink=never`
# copies every byte (Debian's cp otherwise clones the file or skips its holes).
[[ "${VISTREL_BENCH_TOOLS:-1}" == 1 ]] || exit 0
CLI=$PWD/build-rel/bin/vistrel-cli
PY=/usr/bin/python3
work=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# Milliseconds of one run of a shell command (its output discarded).
ms() {
  local t0 t1
  t0=$(date +%s%N)
  bash -c "$1" >/dev/null 2>"$work/err" || { echo "failed: $1" >&2; cat "$work/err" >&2; return 1; }
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}
# pair WHAT PROGRAM REFERENCE [REPETITIONS]: both commands write out.* files, removed after each run.
pair() {
  local what=$1 prog=$2 ref=$3 reps=${4:-5} a b pmin="" pmax="" rmin=""
  [[ -n "${FILTER:-}" && ! "$what" =~ $FILTER ]] && return 0
  for ((i = 0; i < reps; i++)); do
    a=$(ms "$prog"); rm -f out.* out2.*
    b=$(ms "$ref"); rm -f out.* out2.*
    [[ -z "$pmin" || $a -lt $pmin ]] && pmin=$a
    [[ -z "$pmax" || $a -gt $pmax ]] && pmax=$a
    [[ -z "$rmin" || $b -lt $rmin ]] && rmin=$b
  done
  awk -v w="$what" -v a="$pmin" -v b="$rmin" -v hi="$pmax" 'BEGIN {
    printf "| %-58s | %12.0f | %12.0f | %7.2f | %8.1f%% |\n", w, a, b, a / b, (hi - a) / a * 100 }'
}
FILTER=${1:-}

# Inputs: 8 channels x 2^23 rows (256 MiB of floats), 4 channels x 2^20 rows for the text
# formats, and the rows of each as bare bytes (what cp copies for the formats that hold them).
"$CLI" demo rec.kvf --channels 8 --seconds 839 >/dev/null
"$CLI" demo small.kvf --channels 4 --seconds 105 >/dev/null
hdr=$("$CLI" info rec.kvf | sed -E 's/.*"header_length":([0-9]+).*/\1/')
rows=$("$CLI" info rec.kvf | sed -E 's/.*"samples":([0-9]+).*/\1/')
small_hdr=$("$CLI" info small.kvf | sed -E 's/.*"header_length":([0-9]+).*/\1/')
small_rows=$("$CLI" info small.kvf | sed -E 's/.*"samples":([0-9]+).*/\1/')
tail -c +$((hdr + 1)) rec.kvf >rec.raw
head -c $((rows * 4 * 4)) rec.raw >half.raw
memmap="np.memmap('rec.kvf', '<f4', 'r', offset=$hdr, shape=($rows, 8))"
small_memmap="np.memmap('small.kvf', '<f4', 'r', offset=$small_hdr, shape=($small_rows, 4))"

echo
echo "vistrel-cli beside numpy and cp ($rows rows x 8 channels; text formats $small_rows rows x 4 channels):"
printf '| %-58s | %12s | %12s | %7s | %9s |\n' "figure" "program ms" "reference ms" "ratio" "spread"
printf '|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..60})" "--------------" "--------------" "---------" "-----------"
pair "export .csv / numpy.savetxt, same format" \
  "'$CLI' export small.kvf --out out.csv --time none" \
  "$PY -c \"import numpy as np; np.savetxt('out2.csv', $small_memmap, fmt='%.9g', delimiter=',', header='ch1,ch2,ch3,ch4', comments='')\""
pair "export .npy / cp --reflink=never of the rows" \
  "'$CLI' export rec.kvf --out out.npy" "cp --reflink=never rec.raw out2.raw"
pair "export .h5 uncompressed / cp --reflink=never of the rows" \
  "'$CLI' export rec.kvf --out out.h5 --h5-compression none" "cp --reflink=never rec.raw out2.raw"
pair "export .h5 deflate / cp --reflink=never of the rows" \
  "'$CLI' export rec.kvf --out out.h5" "cp --reflink=never rec.raw out2.raw" 1
pair "save-fragment, all channels / cp --reflink=never" \
  "'$CLI' save-fragment rec.kvf --out out.kvf" "cp --reflink=never rec.kvf out2.kvf"
pair "save-channels, all 8 / cp --reflink=never" \
  "'$CLI' save-channels rec.kvf --out out.kvf $(printf -- '--channel %d ' 1 2 3 4 5 6 7 8)" \
  "cp --reflink=never rec.kvf out2.kvf"
pair "save-channels, 4 of 8 / cp --reflink=never of as many bytes" \
  "'$CLI' save-channels rec.kvf --out out.kvf --channel 1 --channel 3 --channel 5 --channel 7" \
  "cp --reflink=never half.raw out2.raw"
for n in 10 100 1000 100000; do
  pair "movavg N=$n / numpy float64 cumsum moving average" \
    "'$CLI' movavg rec.kvf --factor $n --out out.kvf" \
    "$PY -c \"import numpy as np; c = np.cumsum($memmap, axis=0, dtype=np.float64); c[$n:] = c[$n:] - c[:-$n]; (c / $n).astype(np.float32).tofile('out2.raw')\""
done
# Filters, spectrogram, Welch and statistics beside scipy/numpy doing the same work on the same
# memmap (timing only; the tests compare the values).
pair "Butterworth order-4 low-pass, 8 channels / scipy.signal.sosfilt" \
  "'$CLI' filter rec.kvf --kind butterworth --band lowpass --order 4 --cutoff 100 --out out.kvf" \
  "$PY -c \"import numpy as np, scipy.signal as s; sos = s.butter(4, 100, fs=10000, output='sos'); s.sosfilt(sos, $memmap, axis=0).astype(np.float32).tofile('out2.raw')\""
pair "spectrogram of channel 1, N=4096, 50% / scipy.signal.spectrogram" \
  "'$CLI' spectrogram rec.kvf --channel 1 --size 4096 --overlap 50 --out out.npy" \
  "$PY -c \"import numpy as np, scipy.signal as s; f, t, m = s.spectrogram($memmap[:, 0], 10000, window='hann', nperseg=4096, noverlap=2048, detrend=False, mode='magnitude'); m = m.T; np.save('out2.npy', 20 * np.log10(m / m.max()))\""
pair "Welch spectrum, 64 segments, 8 channels / scipy.signal.welch" \
  "'$CLI' spectrum rec.kvf $(printf -- '--channel %d ' 1 2 3 4 5 6 7 8)--fft --average 64 --window 3 --out out.kvf" \
  "$PY -c \"import numpy as np, scipy.signal as s; m = $memmap; L = 2 * len(m) // 65; f, p = s.welch(m, 10000, window='hann', nperseg=L, noverlap=L // 2, detrend=False, scaling='spectrum', axis=0); d = 10 * np.log10(p); (d - d.max(axis=0)).astype(np.float32).tofile('out2.raw')\""
pair "statistics of 8 channels (summaries cached) / numpy min, max, mean, std" \
  "'$CLI' stats rec.kvf" \
  "$PY -c \"import numpy as np; m = $memmap; [(c.min(), c.max(), c.mean(dtype=np.float64), c.std(dtype=np.float64)) for c in (m[:, i] for i in range(8))]\""
# The FFT spectrum of all 8 channels over the largest power-of-two span of rec.kvf (Hann window,
# the whole band) beside the numpy pipeline doing the same work one channel at a time: memmap
# slice, window multiply in float64, rfft, 20 log10(|X| 2/N) minus the maximum, the band written
# as float32. Time as above; then the peak resident memory of one run of each (mapped pages of
# the recording included for both), from getrusage of the finished child.
fftn=1 fftlog=0
while ((fftn * 2 <= rows)); do fftn=$((fftn * 2)) fftlog=$((fftlog + 1)); done
fft_prog="'$CLI' spectrum rec.kvf $(printf -- '--channel %d ' 1 2 3 4 5 6 7 8)--fft --window 3 --from 0 --to $fftn --out out.kvf"
fft_ref="$PY -c \"import numpy as np; m = $memmap[:$fftn]; n = $fftn; w = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(n) / n); out = np.empty((n // 2 + 1, 8), np.float32)
for i in range(8):
    d = 20 * np.log10(np.abs(np.fft.rfft(m[:, i] * w)) * 2 / n); out[:, i] = d - d.max()
out.tofile('out2.raw')\""
pair "FFT spectrum 2^$fftlog x 8 channels / numpy rfft per channel" "$fft_prog" "$fft_ref"
# Peak resident kB of one run of a shell command.
peak_kb() {
  $PY -c "import resource, subprocess, sys; subprocess.run(sys.argv[1], shell=True, check=True, stdout=subprocess.DEVNULL); print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)" "$1"
}
if [[ -z "$FILTER" || "FFT spectrum peak memory" =~ $FILTER ]]; then
  a=$(peak_kb "$fft_prog"); rm -f out.* out2.*
  b=$(peak_kb "$fft_ref"); rm -f out.* out2.*
  awk -v a="$a" -v b="$b" 'BEGIN { printf "| %-58s | %10.0f MB | %10.0f MB | %7.2f | %9s |\n", "FFT spectrum peak memory / numpy rfft per channel", a / 1024, b / 1024, a / b, "1 run" }'
fi
# A WAV over 4 GiB (RF64) from a sparse recording of 2^27 + 2^20 rows x 8 channels, once; the
# reference copies as many bytes with its holes written.
if [[ -z "$FILTER" || "wav" =~ $FILTER ]]; then
  "$CLI" demo big.kvf --channels 8 --seconds 1 >/dev/null
  truncate -s $((hdr + ((1 << 27) + (1 << 20)) * 32)) big.kvf
  t=$(ms "'$CLI' export big.kvf --out out.wav && $PY -c \"import soundfile as sf, sys; f = sf.info('out.wav'); sys.exit(f.format != 'RF64' or f.frames != (1 << 27) + (1 << 20))\" && rm -f out.wav")
  c=$(ms "cp --reflink=never --sparse=never big.kvf out2.kvf && rm -f out2.kvf")
  awk -v a="$t" -v b="$c" 'BEGIN { printf "| %-58s | %12.0f | %12.0f | %7.2f | %9s |\n", "export 4.03 GiB RF64 .wav (checked) / cp --sparse=never", a, b, a / b, "1 run" }'
  rm -f big.kvf
fi
# A picture of the whole min-max view of a 2 GiB 8-channel recording whose summaries are cached
# (a first run fills the cache) beside the plain picture of the same file.
if [[ -z "$FILTER" || "png minmax, 2 GiB" =~ $FILTER ]]; then
  APP="$(dirname "$CLI")/vistrel"
  export QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  "$CLI" demo big2g.kvf --channels 8 --seconds 6711 >/dev/null
  "$APP" --png out.png --minmax big2g.kvf
  pair "png minmax, 2 GiB, cached summaries / plain png (goal 1.3)" \
    "'$APP' --png out.png --minmax big2g.kvf" "'$APP' --png out2.png big2g.kvf"
  rm -f big2g.kvf
fi
echo "(times: minimum of 5 runs in turn, warm page cache; spread: slowest over fastest run of the program)"

# Paints of a 1920 x 1000 plot with 8 channels at deep zoom (1, 4 and 64 samples per column),
# each computed afresh and after a scroll by one division, on float recordings of 20 MiB, 2 GiB
# and 16 GiB (sparse). Goal: every paint under 10 ms.
if [[ -z "$FILTER" || "paint deep zoom" =~ $FILTER ]]; then
  echo
  echo "Plot paints at deep zoom (vistrel_bench_plot, offscreen; goal: every paint under 10 ms):"
  printf '| %-58s | %12s | %12s |\n' "figure" "paint ms" "goal ms"
  printf '|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..60})" "--------------" "--------------"
  VISTREL_BENCH_DIR="$work" QT_QPA_PLATFORM=offscreen "$(dirname "$CLI")/vistrel_bench_plot" \
    --benchmark_filter='^PaintDeepZoom/' --benchmark_min_time=0.2 --benchmark_format=console \
    --benchmark_color=false 2>/dev/null | awk '$1 ~ /^PaintDeepZoom\// {
      printf "| %-58s | %12.2f | %12d |\n", $1, $2, 10 }'
  rm -f "$work"/plot-float-*.kvf
fi
