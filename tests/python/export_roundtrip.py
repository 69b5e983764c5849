#!/usr/bin/python3
"""Round trips of `vistrel-cli export`: every format is read back by the library other tools
use (pandas, soundfile, h5py, numpy) and must hold the float32 values `vistrel-cli dump`
prints, bit for bit, with the rate and the start time of the exported fragment.

Usage: export_roundtrip.py VISTREL_CLI WORK_DIR
"""
import datetime
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile

import h5py
import numpy as np
import pandas as pd
import soundfile as sf

CLI = sys.argv[1]
WORK = tempfile.mkdtemp(dir=sys.argv[2] if len(sys.argv) > 2 else None)


def cli(*args):
    run = subprocess.run([CLI, *args], cwd=WORK, capture_output=True, text=True)
    if run.returncode != 0:
        raise AssertionError(f"vistrel-cli {' '.join(args)}: {run.stderr}")
    return run.stdout


def path(name):
    return os.path.join(WORK, name)


def same_bits(got, want, what):
    got = np.ascontiguousarray(got, dtype=np.float32)
    assert got.shape == want.shape, f"{what}: shape {got.shape}, expected {want.shape}"
    bad = np.flatnonzero(got.view(np.uint32) != want.view(np.uint32))
    assert bad.size == 0, f"{what}: {bad.size} values differ, first at {bad[0]}"


def file_time_text(units):
    """ISO 8601 text of a file time (100 ns units since 1601), to the microsecond."""
    t = datetime.datetime(1601, 1, 1) + datetime.timedelta(microseconds=units // 10)
    return t.strftime("%Y-%m-%dT%H:%M:%S.%f")


def main():
    failures = []
    cli("demo", "rec.kvf", "--channels", "3", "--rate", "1000.5", "--seconds", "1")
    info = json.loads(cli("info", "rec.kvf"))
    rate = np.float32(info["rate"])
    dump = np.loadtxt(io.StringIO(cli("dump", "rec.kvf")), dtype=np.float64, ndmin=2)
    values = dump.astype(np.float32)
    first, last = 10, 900
    cols = [0, 2]
    want = np.ascontiguousarray(values[first:last, cols])
    fragment = ["--from", str(first), "--to", str(last), "--channel", "1", "--channel", "3"]
    # The start of the fragment: sample 0's time plus trunc(first x 10^7 / rate) (100 ns units).
    start_utc = info["start_utc"] + int(first * 1e7 / float(rate))

    def check(name, body):
        try:
            body()
        except Exception as e:  # every format is checked, then all failures reported
            failures.append(f"{name}: {e!r}")

    def csv_both():
        for dialect, sep, dec in (("comma", ",", "."), ("semicolon", ";", ",")):
            out = f"t_{dialect}.csv"
            cli("export", "rec.kvf", "--out", out, "--csv", dialect, *fragment)
            table = pd.read_csv(path(out), sep=sep, decimal=dec, float_precision="round_trip")
            assert list(table.columns) == ["time_s", "ch1", "ch3"], list(table.columns)
            same_bits(table[["ch1", "ch3"]].to_numpy(np.float64).astype(np.float32), want, out)
            assert abs(table["time_s"].iloc[-1] - (last - first - 1) / float(rate)) < 1e-9
        cli("export", "rec.kvf", "--out", "abs.csv", "--time", "absolute", *fragment)
        table = pd.read_csv(path("abs.csv"))
        local = file_time_text(info["start_local"] + start_utc - info["start_utc"])
        assert table["time"].iloc[0] == local, (table["time"].iloc[0], local)

    def wav():
        for extra, kind in (([], "WAVEX"), (["--rf64"], "RF64")):
            cli("export", "rec.kvf", "--out", "s.wav", *fragment, *extra)
            with sf.SoundFile(path("s.wav")) as f:
                assert f.format == kind, f.format
                assert f.samplerate == int(float(rate) + 0.5), f.samplerate
                assert f.comment == "rate=1000.5 Hz", f.comment
                same_bits(f.read(dtype="float32"), want, f"s.wav {kind}")

    def hdf5():
        # Uncompressed: one contiguous block holding the values as they are.
        cli("export", "rec.kvf", "--out", "plain.h5", "--h5-compression", "none", *fragment)
        with h5py.File(path("plain.h5"), "r") as f:
            d = f["samples"]
            assert d.compression is None and d.chunks is None and not d.shuffle
            same_bits(d[()], want, "plain.h5")
            assert d.attrs["rate"] == float(rate) and list(d.attrs["channel_numbers"]) == [1, 3]
            offset = d.id.get_offset()
        with open(path("plain.h5"), "rb") as raw:
            raw.seek(offset)
            same_bits(np.frombuffer(raw.read(want.nbytes), "<f4").reshape(want.shape), want, "plain.h5 bytes")
        cli("export", "rec.kvf", "--out", "s.H5", *fragment)  # deflate by default
        with h5py.File(path("s.H5"), "r") as f:
            d = f["samples"]
            assert d.dtype == np.float32 and d.compression == "gzip" and d.shuffle
            same_bits(d[()], want, "s.H5")
            a = d.attrs
            assert a["rate"] == float(rate), a["rate"]
            assert a["start_filetime"] == start_utc, (a["start_filetime"], start_utc)
            iso = file_time_text(start_utc) + "Z"
            assert a["start_time"].decode() == iso, (a["start_time"], iso)
            assert list(a["channel_numbers"]) == [1, 3]
            entries = info["channel_entries"]
            assert list(a["display_low"]) == [entries[c]["low"] for c in cols]
            assert list(a["display_high"]) == [entries[c]["high"] for c in cols]
            assert a["source"].decode() == "rec.kvf"

    def mat():
        cli("export", "rec.kvf", "--out", "s.mat", *fragment)
        with h5py.File(path("s.mat"), "r") as f:  # MATLAB v7.3 is HDF5; its arrays read transposed
            assert f["samples"].attrs["MATLAB_class"] == b"single"
            same_bits(f["samples"][()].T, want, "s.mat")
            assert f["rate"][()].item() == float(rate)
            assert list(f["channels"][()].ravel()) == [1.0, 3.0]
            text = "".join(map(chr, f["start_time"][()].ravel()))
            assert text == file_time_text(start_utc) + "Z", text

    def npy():
        cli("export", "rec.kvf", "--out", "all.npy")
        same_bits(np.load(path("all.npy")), values, "all.npy")

    for name, body in (("csv", csv_both), ("wav", wav), ("h5", hdf5), ("mat", mat), ("npy", npy)):
        check(name, body)
    for f in failures:
        print("FAILED", f)
    if not failures:
        shutil.rmtree(WORK)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
