#!/usr/bin/python3
"""Reference data of the filter designs, made with numpy and scipy.signal.

    /usr/bin/python3 scripts/filter_reference.py poles   > src/core/processing/filters/BesselPoles.inc
    /usr/bin/python3 scripts/filter_reference.py cases   > tests/data/filters/reference.txt
    /usr/bin/python3 scripts/filter_reference.py check tests/data/filters/reference.txt

`poles` tabulates the poles of the phase-normalised Bessel prototypes of orders 1 to 10.
`cases` writes the sections and sampled outputs of a table of designs applied to deterministic
test signals (the same generator as tests/core/FilterOracleTest.cpp). `check` recomputes every
case with the installed scipy and compares it with the stored file (exit 0: agree, 77: no scipy).
"""
import math
import sys

MASK = (1 << 64) - 1


def signal(kind, n, fs):
    """Deterministic test signal: 64-bit LCG noise and sines, identical in the C++ tests."""
    state = 0x853C49E6748FEA9B
    out = []
    for i in range(n):
        state = (state * 6364136223846793005 + 1442695040888963407) & MASK
        u = (state >> 11) * (1.0 / 9007199254740992.0) * 2.0 - 1.0
        if kind == "random":
            v = u + 0.25
        elif kind == "sine":
            v = (math.sin(2.0 * math.pi * 50.0 * i / fs) + 0.5 * math.sin(2.0 * math.pi * 1234.5 * i / fs)
                 + 0.2 * math.sin(2.0 * math.pi * (0.3 * fs) * i / fs) + 0.01 * u)
        else:  # "trend": offset, slope and noise
            v = 3.0 - 2.5e-3 * i + 0.1 * u
        out.append(v)
    return out


# op, design/params, signal, length, zero phase, stride of the stored outputs
CASES = [
    # kind, band, order, f1, f2, ripple, fs, signal, n, zero
    ("filter", ("butterworth", "lowpass", 1, 1000.0, 0.0, 0.0, 44100.0), "random", 1500, 0),
    ("filter", ("butterworth", "lowpass", 4, 1000.0, 0.0, 0.0, 44100.0), "random", 1500, 0),
    ("filter", ("butterworth", "lowpass", 8, 20.0, 0.0, 0.0, 44100.0), "sine", 3000, 0),
    ("filter", ("butterworth", "highpass", 5, 400.0, 0.0, 0.0, 48000.0), "sine", 1500, 0),
    ("filter", ("butterworth", "bandpass", 3, 300.0, 3000.0, 0.0, 48000.0), "random", 1500, 0),
    ("filter", ("butterworth", "bandstop", 4, 40.0, 60.0, 0.0, 48000.0), "sine", 3000, 0),
    ("filter", ("butterworth", "lowpass", 6, 17640.0, 0.0, 0.0, 44100.0), "random", 1500, 0),
    ("filter", ("chebyshev1", "lowpass", 8, 20.0, 0.0, 1.0, 44100.0), "sine", 3000, 0),
    ("filter", ("chebyshev1", "lowpass", 3, 5000.0, 0.0, 0.5, 48000.0), "random", 1500, 0),
    ("filter", ("chebyshev1", "highpass", 4, 2000.0, 0.0, 3.0, 44100.0), "random", 1500, 0),
    ("filter", ("chebyshev1", "bandpass", 2, 1000.0, 19200.0, 0.1, 48000.0), "random", 1500, 0),
    ("filter", ("chebyshev1", "bandstop", 5, 45.0, 55.0, 1.0, 44100.0), "sine", 3000, 0),
    ("filter", ("chebyshev1", "lowpass", 7, 100.0, 0.0, 2.0, 48000.0), "sine", 3000, 1),
    ("filter", ("bessel", "lowpass", 1, 200.0, 0.0, 0.0, 48000.0), "random", 1500, 0),
    ("filter", ("bessel", "lowpass", 5, 2000.0, 0.0, 0.0, 44100.0), "random", 1500, 0),
    ("filter", ("bessel", "lowpass", 10, 8000.0, 0.0, 0.0, 48000.0), "random", 1500, 0),
    ("filter", ("bessel", "highpass", 8, 20.0, 0.0, 0.0, 48000.0), "sine", 3000, 0),
    ("filter", ("bessel", "bandpass", 4, 500.0, 1500.0, 0.0, 44100.0), "sine", 1500, 0),
    ("filter", ("bessel", "bandstop", 3, 1000.0, 10000.0, 0.0, 48000.0), "random", 1500, 1),
    ("filter", ("butterworth", "lowpass", 4, 1000.0, 0.0, 0.0, 44100.0), "random", 1500, 1),
    ("filter", ("butterworth", "highpass", 3, 20.0, 0.0, 0.0, 44100.0), "trend", 1500, 1),
    ("filter", ("butterworth", "bandpass", 7, 100.0, 17640.0, 0.0, 44100.0), "random", 1500, 1),
    ("filter", ("chebyshev1", "bandstop", 2, 48.0, 52.0, 0.5, 48000.0), "sine", 1500, 1),
    ("filter", ("bessel", "lowpass", 6, 300.0, 0.0, 0.0, 44100.0), "sine", 1500, 1),
    # frequency, harmonics, Q, fs
    ("notch", (50.0, 1, 30.0, 48000.0), "sine", 3000, 0),
    ("notch", (60.0, 5, 30.0, 44100.0), "sine", 3000, 0),
    ("notch", (50.0, 10, 10.0, 48000.0), "random", 1500, 1),
    ("notch", (1234.5, 2, 50.0, 44100.0), "sine", 3000, 1),
    # mode, fs
    ("detrend", ("mean", 48000.0), "trend", 1500, 0),
    ("detrend", ("linear", 44100.0), "trend", 1500, 0),
    ("detrend", ("linear", 48000.0), "sine", 1000, 0),
]
STORED = 60  # outputs kept per case, evenly spread


def design(op, params):
    from scipy import signal as ss
    import numpy as np
    if op == "filter":
        kind, band, order, f1, f2, ripple, fs = params
        wn = [f1, f2] if band in ("bandpass", "bandstop") else f1
        if kind == "butterworth":
            return ss.butter(order, wn, btype=band, output="sos", fs=fs)
        if kind == "chebyshev1":
            return ss.cheby1(order, ripple, wn, btype=band, output="sos", fs=fs)
        return ss.bessel(order, wn, btype=band, norm="phase", output="sos", fs=fs)
    if op == "notch":
        f, harmonics, q, fs = params
        rows = []
        for h in range(1, harmonics + 1):
            b, a = ss.iirnotch(f * h, q, fs)
            rows.append(list(b) + list(a))
        return np.array(rows)
    return None


def compute(case):
    from scipy import signal as ss
    import numpy as np
    op, params, kind, n, zero = case
    fs = params[-1]
    x = np.array(signal(kind, n, fs))
    sos = design(op, params)
    if op == "detrend":
        y = ss.detrend(x, type="constant" if params[0] == "mean" else "linear")
    elif zero:
        y = ss.sosfiltfilt(sos, x)
    else:
        y = ss.sosfilt(sos, x)
    stride = max(1, n // STORED)
    return sos, [float(v) for v in y[::stride]], stride


def header(case):
    op, params, kind, n, zero = case
    return " ".join([op] + [repr(p) if isinstance(p, float) else str(p) for p in params] +
                    [kind, str(n), str(zero)])


def write_cases(out):
    out.write("# Generated by scripts/filter_reference.py (scipy.signal); one block per case:\n")
    out.write("# case line, 'sos COUNT' and COUNT rows b0 b1 b2 a0 a1 a2, 'y STRIDE COUNT' and the\n")
    out.write("# outputs at 0, STRIDE, 2 STRIDE, ...\n")
    for case in CASES:
        sos, ys, stride = compute(case)
        out.write(header(case) + "\n")
        rows = [] if sos is None else sos.tolist()
        out.write("sos %d\n" % len(rows))
        for r in rows:
            out.write(" ".join("%.17g" % v for v in r) + "\n")
        out.write("y %d %d\n" % (stride, len(ys)))
        for i in range(0, len(ys), 6):
            out.write(" ".join("%.12g" % v for v in ys[i:i + 6]) + "\n")


def check(path):
    try:
        import scipy  # noqa: F401
    except ImportError:
        print("scipy is not installed; skipped")
        return 77
    import io
    fresh = io.StringIO()
    write_cases(fresh)
    stored = open(path).read().split("\n")
    lines = fresh.getvalue().split("\n")
    if len(stored) != len(lines):
        print("case table changed: regenerate", path)
        return 1
    worst = 0.0
    for a, b in zip(stored, lines):
        ta, tb = a.split(), b.split()
        if len(ta) != len(tb):
            print("mismatch:", a, "|", b)
            return 1
        for u, v in zip(ta, tb):
            try:
                fu, fv = float(u), float(v)
            except ValueError:
                if u != v:
                    print("mismatch:", a, "|", b)
                    return 1
                continue
            worst = max(worst, abs(fu - fv) / max(1.0, abs(fv)))
    print("largest difference from live scipy: %.3g" % worst)
    return 0 if worst < 1e-9 else 1


def write_poles(out):
    from scipy import signal as ss
    out.write("// Generated by scripts/filter_reference.py: poles of the Bessel low-pass prototypes\n")
    out.write("// normalised for phase (asymptotic phase equal to a Butterworth's), orders 1 to 10,\n")
    out.write("// order N at offset N (N - 1) / 2, as {real, imaginary}.\n")
    for order in range(1, 11):
        _, p, _ = ss.besselap(order, norm="phase")
        out.write("// order %d\n" % order)
        for v in p:
            out.write("{%s, %s},\n" % (float(v.real).hex(), float(v.imag).hex()))


if __name__ == "__main__":
    what = sys.argv[1] if len(sys.argv) > 1 else "cases"
    if what == "poles":
        write_poles(sys.stdout)
    elif what == "cases":
        write_cases(sys.stdout)
    elif what == "check":
        sys.exit(check(sys.argv[2]))
    else:
        sys.exit("usage: filter_reference.py poles|cases|check FILE")
