#!/usr/bin/python3
"""End to end against scipy.signal: `vistrel-cli spectrogram` (NPY with its sidecar, CSV) agrees
with scipy.signal.spectrogram of the samples `vistrel-cli dump` prints, to 1e-9 of the largest
magnitude, and `vistrel-cli spectrum --fft --average` with scipy.signal.welch to 1e-4 dB (the
result's float32 rounding) in every bin down to 200 dB below the largest.

Usage: spectra_check.py VISTREL_CLI WORK_DIR   (exit 77 when scipy is missing)
"""
import io
import json
import math
import os
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from scipy import signal as ss
except ImportError:
    print("numpy or scipy is not installed; skipped")
    sys.exit(77)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from spectro_reference import window  # noqa: E402

CLI = sys.argv[1]
WORK = tempfile.mkdtemp(dir=sys.argv[2] if len(sys.argv) > 2 else None)


def cli(*args):
    run = subprocess.run([CLI, *args], cwd=WORK, capture_output=True, text=True)
    if run.returncode != 0:
        raise AssertionError(f"vistrel-cli {' '.join(args)}: {run.stderr}")
    return run.stdout


def path(name):
    return os.path.join(WORK, name)


def load_matrix(name):
    if name.endswith(".npy"):
        m = np.load(path(name))
        side = json.load(open(path(name[:-4] + ".json")))
        return m, np.array(side["frame_centre_s"]), np.array(side["bin_frequency_hz"])
    lines = open(path(name)).read().split("\n")
    t = np.array([float(v) for v in lines[0].split(",")[1:]])
    f = np.array([float(v) for v in lines[1].split(",")[1:]])
    return np.loadtxt(path(name), delimiter=",", ndmin=2), t, f


def check_spectrogram(x, fs, channel, size, percent, win, lo, hi, out):
    cli("spectrogram", "rec.kvf", "--channel", str(channel + 1), "--size", str(size), "--overlap", str(percent),
        "--window", str(win), "--from", str(lo), "--to", str(hi), "--out", out)
    got, t, f = load_matrix(out)
    noverlap = int(math.floor(size * percent / 100.0 + 1e-9))
    wf, wt, s = ss.spectrogram(x[lo:hi, channel], fs, window=np.array(window(win, size)), nperseg=size,
                               noverlap=noverlap, detrend=False, mode="magnitude")
    want = (s / s.max()).T
    assert got.shape == want.shape, f"{out}: shape {got.shape}, expected {want.shape}"
    err = np.max(np.abs(10.0 ** (got / 20.0) - want))
    assert err < 1e-9, f"{out}: magnitudes differ from scipy by {err:.3g} of the largest"
    assert np.allclose(t, wt + lo / fs, rtol=1e-12, atol=0), f"{out}: frame times differ"
    assert np.allclose(f, wf, rtol=1e-12, atol=0), f"{out}: frequencies differ"
    return err


def check_welch(x, fs, channel, segments, win, scaling, lo, hi):
    cli("spectrum", "rec.kvf", "--channel", str(channel + 1), "--fft", "--average", str(segments), "--scaling",
        scaling, "--window", str(win), "--from", str(lo), "--to", str(hi), "--high-hz", str(fs / 2), "--out", "w.kvf")
    got = np.loadtxt(io.StringIO(cli("dump", "w.kvf")), dtype=np.float64, ndmin=2)[:, 0]
    n = hi - lo
    L = (2 * n) // (segments + 1)
    _, p = ss.welch(x[lo:hi, channel], fs, window=np.array(window(win, L)), nperseg=L, noverlap=L // 2,
                    detrend=False, scaling=scaling)
    want = 10 * np.log10(p if scaling == "density" else p / p.max())
    assert got.shape == want.shape, f"welch {segments}: {got.shape} rows, expected {want.shape}"
    # Bins more than 200 dB below the largest lie at the round-off floor of the transforms,
    # where any two FFT libraries differ; they are left out.
    above = want > want.max() - 200.0
    err = np.max(np.abs(got - want)[above])
    assert err < 1e-4, f"welch {segments} {scaling}: {err:.3g} dB from scipy"
    return err


def main():
    cli("demo", "rec.kvf", "--channels", "3", "--rate", "8000", "--seconds", "3")
    fs = float(json.loads(cli("info", "rec.kvf"))["rate"])
    x = np.loadtxt(io.StringIO(cli("dump", "rec.kvf")), dtype=np.float64, ndmin=2)
    worst = 0.0
    for case in [(0, 1024, 50.0, 3, 0, len(x), "a.npy"), (2, 256, 90.0, 4, 1000, 9000, "b.csv"),
                 (1, 300, 33.0, 2, 17, 20000, "c.npy"), (2, 4096, 0.0, 1, 0, len(x), "d.csv")]:
        worst = max(worst, check_spectrogram(x, fs, *case))
    print("spectrogram: largest difference from scipy %.3g of the largest magnitude" % worst)
    worst = 0.0
    for case in [(0, 8, 3, "spectrum", 0, len(x)), (1, 2, 0, "density", 333, 20000),
                 (2, 1024, 4, "density", 0, len(x)), (0, 31, 1, "spectrum", 5000, 5999)]:
        worst = max(worst, check_welch(x, fs, *case))
    print("welch: largest difference from scipy %.3g dB" % worst)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except AssertionError as e:
        print("FAILED:", e)
        sys.exit(1)
