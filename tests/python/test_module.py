"""The Python module against vistrel-cli: the same figures, samples, results and messages."""

import datetime
import functools
import json
import os
import signal
import subprocess
import time

import numpy as np
import pytest

import vistrel
import vistrel.dask

CLI = os.environ["VISTREL_CLI"]
KINDS = {"float_long.kvf": "float", "float_short.kvf": "float", "sd_ring.kvf": "sd", "sparse.kvf": "float"}


def cli(*args, check=True):
    run = subprocess.run([CLI, *map(str, args)], capture_output=True, text=True)
    if check:
        assert run.returncode == 0, run.stderr
    return run


@pytest.fixture(scope="session")
def folder(tmp_path_factory):
    d = tmp_path_factory.mktemp("recordings")
    subprocess.run([os.environ["VISTREL_MAKE_RECORDINGS"], str(d)], check=True)
    return d


def dumped(path, start, count):
    lines = cli("dump", path, "--from", start, "--count", count).stdout.splitlines()
    return np.array([[float(v) for v in line.split()] for line in lines])


@pytest.mark.parametrize("name", sorted(KINDS))
def test_figures_and_samples_equal_the_tool(folder, name):
    path = folder / name
    r = vistrel.open(path)
    info = json.loads(cli("info", path).stdout)
    assert r.info() == info
    assert (r.kind, r.channel_count, r.sample_count) == (KINDS[name], info["channels"], info["samples"])
    assert r.rate == info["rate"]
    epoch = datetime.datetime(1601, 1, 1, tzinfo=datetime.timezone.utc)
    assert r.start_time == epoch + datetime.timedelta(microseconds=info["start_utc"] // 10)
    # Near the end, which for the sparse recording lies above 2^31.
    start = max(0, r.sample_count - 3000)
    count = min(2500, r.sample_count - start)
    got = r.read(start, count)
    assert got.dtype == np.float64 and got.shape == (count, r.channel_count)
    want = dumped(path, start, count)
    assert np.array_equal(got, want, equal_nan=True)
    assert np.array_equal(r.read(start, count, channels=[r.channel_count]), want[:, -1:], equal_nan=True)


def test_zero_copy_view(folder):
    path = folder / "float_long.kvf"
    r = vistrel.open(path)
    view = r.samples
    header = json.loads(cli("info", path).stdout)["header_length"]
    raw = np.fromfile(path, dtype="<f4", offset=header).reshape(-1, 3)
    assert view.dtype == np.float32 and not view.flags.writeable
    assert np.array_equal(view, raw, equal_nan=True)
    with pytest.raises(ValueError):
        view[0, 0] = 1.0
    del r  # the view keeps the mapping
    assert np.array_equal(view[-5:], raw[-5:])
    with pytest.raises(vistrel.Error, match="SD-card image"):
        vistrel.open(folder / "sd_ring.kvf").samples


@pytest.mark.parametrize("call, message", [
    (lambda d: vistrel.open(d / "missing.kvf"), "missing.kvf: cannot open recording"),
    (lambda d: vistrel.open(d), "cannot open recording"),
    (lambda d: vistrel.movavg(d / "float_long.kvf", factor=1), "--factor must be an integer from 2"),
    (lambda d: vistrel.open(d / "float_long.kvf").read(channels=[4]), "channel 4 is not one of 1 to 3"),
])
def test_errors_carry_the_programs_message(folder, call, message):
    with pytest.raises(vistrel.Error, match=message):
        call(folder)


@pytest.mark.parametrize("command, options", [
    ("movavg", {"factor": 7, "start": 100, "end": 4000}),
    ("filter", {"kind": "butterworth", "band": "bandpass", "order": 4, "cutoff": [500, 4000], "zero_phase": True}),
    ("save-channels", {"channel": [1, 3]}),
])
def test_result_files_equal_the_tools(folder, tmp_path, command, options):
    source = folder / "float_long.kvf"
    percents = []
    mine = getattr(vistrel, command.replace("-", "_"))(source, out=tmp_path / "py.kvf", progress=percents.append,
                                                        **options)
    assert mine == str(tmp_path / "py.kvf")
    args = vistrel._arguments(command, source, dict(options, out=tmp_path / "cli.kvf"))[1:]
    cli(*args)
    assert (tmp_path / "py.kvf").read_bytes() == (tmp_path / "cli.kvf").read_bytes()


def test_stopping_keeps_no_result_and_restores_ctrl_c(folder, tmp_path):
    target = tmp_path / "stopped.kvf"
    with pytest.raises(vistrel.Error, match="interrupted"):
        vistrel.movavg(folder / "float_long.kvf", factor=5, out=target, progress=lambda p: False)
    with pytest.raises(KeyboardInterrupt):
        vistrel.movavg(folder / "float_long.kvf", factor=5, out=target,
                       progress=lambda p: os.kill(os.getpid(), signal.SIGINT))
    assert not target.exists()
    # Python's own Ctrl-C handling is back.
    with pytest.raises(KeyboardInterrupt):
        os.kill(os.getpid(), signal.SIGINT)
        time.sleep(5)


def test_export_array_equals_read(folder):
    r = vistrel.open(folder / "sd_ring.kvf")
    values = vistrel.export(r.path, channels=[1, 2, 3])
    assert values.dtype == np.float32
    assert np.array_equal(values, r.read().astype(np.float32))


def test_dask_array_and_cluster(folder, tmp_path):
    path = folder / "float_short.kvf"
    x = vistrel.dask.from_recording(path, chunk_rows=777)
    assert np.array_equal(x.compute(), vistrel.open(path).read(), equal_nan=True)

    from dask.distributed import Client, LocalCluster

    paths = []
    for i in range(20):
        p = tmp_path / ("r%02d.kvf" % i)
        cli("movavg", folder / "float_long.kvf", "--factor", 2 + i, "--out", p)
        paths.append(p)
    stats = functools.partial(vistrel.stats, quick=False)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=None) as cluster, Client(cluster) as client:
        got = vistrel.dask.map_recordings(stats, paths, client)
    assert got == [json.loads(cli("stats", p).stdout) for p in paths]
    assert vistrel.dask.map_recordings(stats, paths[:2]) == got[:2]
