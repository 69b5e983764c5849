"""Vistrel recordings with Dask: one recording as a dask array, many recordings on a cluster.

    >>> import vistrel.dask
    >>> x = vistrel.dask.from_recording("big.kvf", chunk_rows=1 << 20)
    >>> x[:, 0].mean().compute()
    >>> from dask.distributed import Client
    >>> client = Client("tcp://scheduler:8786")          # or Client(LocalCluster(...))
    >>> vistrel.dask.map_recordings(vistrel.stats, paths, client)

Each chunk or recording is read by `vistrel` on the worker that computes it, so the workers
must reach the files by the same paths (a shared folder) and have the module installed.
"""

import functools as _functools
import os as _os

import numpy as _np

import vistrel as _vistrel


@_functools.lru_cache(maxsize=16)
def _recording(path):
    return _vistrel.open(path)


def _read_chunk(path, start, count, channels):
    recording = _recording(path)
    if recording.changed_on_disk():
        _recording.cache_clear()
        recording = _recording(path)
    return recording.read(start, count, channels)


def from_recording(path, chunk_rows=1 << 20, channels=None):
    """A dask array (rows x channels, float64) over one recording, each chunk of `chunk_rows`
    rows read through `vistrel` where it is computed. `channels`: numbers from 1, or None for
    all; the values equal `Recording.read`."""
    import dask
    import dask.array as da

    path = _os.fspath(path)
    if chunk_rows < 1:
        raise ValueError("chunk_rows must be at least 1")
    recording = _vistrel.open(path)
    width = recording.channel_count if channels is None else len(channels)
    channels = None if channels is None else list(channels)
    total = recording.sample_count
    if total == 0:
        return da.zeros((0, width), dtype=_np.float64)
    read = dask.delayed(_read_chunk, pure=True)
    blocks = []
    for start in range(0, total, chunk_rows):
        count = min(chunk_rows, total - start)
        blocks.append(da.from_delayed(read(path, start, count, channels), shape=(count, width), dtype=_np.float64))
    return da.concatenate(blocks, axis=0)


def map_recordings(func, paths, client=None):
    """`func(path)` for every path, in order, as a list. With a `dask.distributed` client (or a
    default one already running) the calls run on its workers; otherwise on Dask's local
    scheduler through `dask.delayed`."""
    paths = [_os.fspath(p) for p in paths]
    if client is None:
        try:
            from dask.distributed import get_client

            client = get_client()
        except (ImportError, ValueError):
            client = None
    if client is not None:
        return client.gather(client.map(func, paths, pure=False))
    import dask

    return list(dask.compute(*[dask.delayed(func, pure=False)(p) for p in paths]))
