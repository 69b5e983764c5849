"""Vistrel recordings (.kvf) in Python, through the program's own core.

    >>> import vistrel
    >>> r = vistrel.open("demo.kvf")
    >>> r.rate, r.channel_count, r.sample_count
    >>> x = r.read(0, 48000)            # float64, samples x channels, equal to `vistrel-cli dump`
    >>> v = r.samples                    # float recordings: a read-only float32 view of the file
    >>> vistrel.stats("demo.kvf", 0, 48000)
    >>> vistrel.movavg("demo.kvf", factor=5, out="smooth.kvf")

Channels are numbered from 1, as the program and `vistrel-cli` number them. Every processing
function takes the options of the `vistrel-cli` subcommand of the same name as keyword
arguments (`low_hz=` for `--low-hz`, `start=`/`end=` for `--from`/`--to`, a list for a
repeated option, True for a flag), writes the result file and returns its path; `progress` is
an optional callable given the percentage done (return False to stop). Failures raise
`vistrel.Error` with the program's message; Ctrl-C stops a run as in `vistrel-cli`.
"""

import builtins as _builtins
import datetime as _datetime
import json as _json
import os as _os
import tempfile as _tempfile

import numpy as _np

from ._vistrel import Error, _open, _run

__all__ = [
    "Error", "Recording", "open", "stats", "export", "movavg", "average", "axb", "rms", "addsub",
    "tablefunc", "spectrum", "filter", "notch", "detrend", "spectrogram", "save_fragment",
    "save_channels", "run",
]

_FILETIME_EPOCH = _datetime.datetime(1601, 1, 1, tzinfo=_datetime.timezone.utc)


class Recording:
    """An open recording. Use `vistrel.open(path)`."""

    def __init__(self, core):
        self._core = core
        self._samples = None

    @property
    def path(self):
        """The file name the recording was opened by."""
        return self._core.path

    @property
    def kind(self):
        """"float" for 32-bit float samples, "sd" for an SD-card image of ADC counts."""
        return "float" if self._core.type == 1 else "sd"

    @property
    def rate(self):
        """Sampling rate in Hz (the file's 32-bit value)."""
        return self._core.rate

    @property
    def channel_count(self):
        return self._core.channel_count

    @property
    def sample_count(self):
        """Samples per channel."""
        return self._core.sample_count

    @property
    def start_time(self):
        """Time of the first sample, a timezone-aware datetime in UTC."""
        return _FILETIME_EPOCH + _datetime.timedelta(microseconds=self._core.start_filetime // 10)

    def info(self):
        """The header figures as a dict: the JSON object `vistrel-cli info` prints."""
        return _json.loads(self._core.info_json())

    def read(self, start=0, count=None, channels=None):
        """Samples start .. start + count - 1 (to the end when count is None) of the channels
        (numbers from 1; all when None) as a float64 array of rows x channels, equal to
        `vistrel-cli dump`. SD-card images are calibrated through their conversion tables."""
        return self._core.read(start, count, channels)

    @property
    def samples(self):
        """Float recordings: a zero-copy, read-only float32 view (samples x channels) of the
        file's mapping. The recording stays open while the view exists."""
        if self._samples is None:
            self._samples = self._core.samples(self._core)
        return self._samples

    def changed_on_disk(self):
        """True when the file on disk is no longer the one that was opened."""
        return self._core.changed_on_disk()

    def close(self):
        """Drops this object's hold of the file (views made from it keep it open)."""
        self._samples = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __repr__(self):
        return "<vistrel.Recording %r: %s, %d channels, %d samples at %g Hz>" % (
            self.path, self.kind, self.channel_count, self.sample_count, self.rate)


def open(path):
    """Opens a .kvf recording (float or SD-card image) and returns a `Recording`.
    Raises `vistrel.Error` with the reason when it cannot be opened."""
    return Recording(_open(_os.fspath(path)))


# Keyword names that are not the option's name with "_" for "-".
_OPTION_NAMES = {"start": "--from", "end": "--to", "channels": "--channel", "from_": "--from"}
# Options given once per value; other lists are joined with commas.
_REPEATED = {"--channel"}


def _arguments(command, path, options):
    args = ["vistrel-cli", command, _os.fspath(path)]
    for key, value in options.items():
        name = _OPTION_NAMES.get(key, "--" + key.replace("_", "-"))
        if value is None or value is False:
            continue
        if value is True:
            args.append(name)
        elif isinstance(value, (list, tuple)):
            if name in _REPEATED:
                for item in value:
                    args += [name, str(item)]
            else:
                args += [name, ",".join(str(item) for item in value)]
        else:
            args += [name, _os.fspath(value) if isinstance(value, _os.PathLike) else str(value)]
    return args


def run(command, path, progress=None, **options):
    """Runs a `vistrel-cli` subcommand in this process and returns what it prints.
    Raises `vistrel.Error` with the program's message when it fails."""
    status, out, messages = _run(_arguments(command, path, options), progress)
    if status != 0:
        raise Error(messages.strip() or "%s failed (status %d)" % (command, status))
    return out.decode("utf-8")


def _result(command, path, progress, options):
    return run(command, path, progress, **options).strip()


def _make_operation(command, summary):
    def operation(path, progress=None, **options):
        return _result(command, path, progress, options)
    operation.__name__ = command.replace("-", "_")
    operation.__qualname__ = operation.__name__
    operation.__doc__ = (
        "%s\n\nKeyword arguments are the options of `vistrel-cli %s` (see `vistrel-cli %s "
        "--help`). Writes the result file (`out=`, or a generated name in the current folder) "
        "and returns its path." % (summary, command, command))
    return operation


movavg = _make_operation("movavg", "Moving average over `factor` samples.")
average = _make_operation("average", "Averaging of every `factor` samples into one.")
axb = _make_operation("axb", "Linear conversion A*x+B of each channel (`coeffs` file).")
rms = _make_operation("rms", "Running RMS at the frequency `freq`.")
addsub = _make_operation("addsub", "Sum or difference of channels (`output` channel list).")
tablefunc = _make_operation("tablefunc", "Conversion through a points table (`table` file).")
spectrum = _make_operation("spectrum", "Spectrum of a channel of the fragment.")
filter = _make_operation("filter", "IIR filter (`kind`, `band`, `order`, `cutoff`, `zero_phase`).")
notch = _make_operation("notch", "Mains notch (`freq`, `harmonics`, `q`, `zero_phase`).")
detrend = _make_operation("detrend", "Offset or linear trend removal (`mode`).")
save_fragment = _make_operation("save-fragment", "Saves the fragment as a recording or text.")
save_channels = _make_operation("save-channels", "Saves chosen channels as a new recording.")


def _to_array(command, path, progress, options, suffix=".npy"):
    folder = _tempfile.mkdtemp(prefix="vistrel-")
    target = _os.path.join(folder, "result" + suffix)
    try:
        _result(command, path, progress, dict(options, out=target))
        values = _np.load(target)
        extra = None
        for sidecar in (target[: -len(suffix)] + ".json", target + ".json"):
            if _os.path.exists(sidecar):
                with _builtins.open(sidecar, encoding="utf-8") as f:
                    extra = _json.load(f)
        return values, extra
    finally:
        for name in _os.listdir(folder):
            _os.remove(_os.path.join(folder, name))
        _os.rmdir(folder)


def export(path, out=None, progress=None, **options):
    """Exports samples to CSV, WAV, HDF5 (.h5), MATLAB (.mat) or numpy (.npy), chosen by the
    extension of `out`; keyword arguments are the options of `vistrel-cli export`. With `out`
    None the samples come back as a float32 array (rows x channels) instead of a file."""
    if out is None:
        return _to_array("export", path, progress, options)[0]
    return _result("export", path, progress, dict(options, out=out))


def spectrogram(path, out=None, progress=None, **options):
    """Spectrogram of one channel (`channel`, `size`, `overlap`, `window`, `start`, `end`): the
    magnitude in dB relative to the largest, frames x bins. Writes `out` (.npy or .csv) and
    returns its path, or with `out` None returns (values, frame times in s, bin frequencies in
    Hz)."""
    if out is None:
        values, extra = _to_array("spectrogram", path, progress, options)
        extra = extra or {}
        times = _np.asarray(extra.get("frame_centre_s", []), dtype=float)
        freqs = _np.asarray(extra.get("bin_frequency_hz", []), dtype=float)
        return values, times, freqs
    # The tool prints the names of the matrix and of its sidecar.
    written = run("spectrogram", path, progress, **dict(options, out=out)).splitlines()
    return next((w for w in written if not w.endswith(".json")), written[0])


def stats(path, start=None, end=None, channels=None, quick=False, progress=None):
    """Statistics of samples start .. end - 1 per channel: the JSON object of `vistrel-cli
    stats` as a dict ("channels": one dict per channel with count, min, min_at, max, max_at,
    mean, rms, std, p2p, mean_abs and frequency). `quick` leaves out the frequency, which
    needs a scan; the rest comes from the summaries."""
    return _json.loads(run("stats", path, progress, start=start, end=end, channels=channels, quick=quick))

