#!/usr/bin/python3
"""scipy.signal.sosfilt of a Butterworth order-4 low-pass (1000 Hz) over a memmap of a float .kvf
recording, writing a float32 output of the same size block by block, timed.

    /usr/bin/python3 scripts/filter_bench.py /tmp/vistrel_bench_filters_2g.kvf CHANNELS RATE
"""
import os
import sys
import tempfile
import time

import numpy as np
from scipy import signal

path, channels, rate = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
size = os.path.getsize(path)
rows = size // (4 * channels)
header = size - rows * 4 * channels
x = np.memmap(path, dtype="<f4", mode="r", offset=header, shape=(rows, channels))
sos = signal.butter(4, 1000.0, fs=rate, output="sos")
out_path = os.path.join(tempfile.gettempdir(), "filter_bench_scipy.out")
start = time.time()
out = np.memmap(out_path, dtype="<f4", mode="w+", shape=(rows, channels))
zi = np.zeros((sos.shape[0], 2, channels))
block = 1 << 20
for s in range(0, rows, block):
    y, zi = signal.sosfilt(sos, x[s:s + block], axis=0, zi=zi)
    out[s:s + block] = y
out.flush()
del out
print("scipy sosfilt: %.3f s" % (time.time() - start))
os.remove(out_path)
