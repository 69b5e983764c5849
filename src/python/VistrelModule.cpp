// The `vistrel._vistrel` extension: recordings opened through the program's own CDataFile, read
// into numpy, and every vistrel-cli subcommand run in-process (the same engines, parameters
// and messages). The Python package around it (vistrel/__init__.py) gives them their names.

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliCommon.h"
#include "core/common/FileProblemText.h"
#include "core/processing/FileUtil.h"
#include "core/recording/DataFile.h"
#include "platform/Interrupt.h"

namespace py = pybind11;
using namespace vistrel;

namespace {

// Raised for every failure the program reports; its text is the program's message. Kept for
// the life of the process (a static py::object would be released after the interpreter).
PyObject* g_error = nullptr;

[[noreturn]] void Raise(const std::string& message)
{
    PyErr_SetString(g_error, message.c_str());
    throw py::error_already_set();
}

class NullOpenObserver : public IOpenObserver {
public:
    void ProgressTitle(int) override {}
    void Progress(int) override {}
    void Error(int) override {}
};

// One open recording, shared by the Python object and every array view of its mapping, so
// the mapping lives while a view exists.
struct Recording {
    NullOpenObserver observer;
    CDataFile file{&observer};
};
using RecordingPtr = std::shared_ptr<Recording>;

RecordingPtr Open(const std::string& path)
{
    auto r = std::make_shared<Recording>();
    const std::filesystem::path p = PathFromUtf8(path);
    int ok = 0;
    {
        py::gil_scoped_release release;
        ok = r->file.Open(p);
    }
    if (!ok) Raise(path + ": cannot open recording: " + OpenFailureEnglish(r->file));
    return r;
}

void CheckUnchanged(const CDataFile& file)
{
    if (file.ChangedOnDisk()) Raise(PathToUtf8(file.Path()) + ": " + kChangedOnDiskEnglish);
}

// Channel numbers (1-based, as the program shows them) into indices; every channel for None.
std::vector<int> ChannelIndices(const CDataFile& file, const py::object& channels)
{
    std::vector<int> out;
    const int n = file.Channels();
    if (channels.is_none()) {
        for (int c = 0; c < n; ++c) out.push_back(c);
        return out;
    }
    for (const py::handle item : channels) {
        const long c = item.cast<long>();
        if (c < 1 || c > n)
            Raise(PathToUtf8(file.Path()) + ": channel " + std::to_string(c) + " is not one of 1 to " +
                  std::to_string(n));
        out.push_back(static_cast<int>(c - 1));
    }
    return out;
}

// Samples start .. start + count - 1 of the channels as float64, the same numbers as
// `vistrel-cli dump`: the value as the program reads it, rounded once to double.
py::array_t<double> Read(const RecordingPtr& r, std::int64_t start, const py::object& countArg,
                         const py::object& channels)
{
    const CDataFile& file = r->file;
    const std::int64_t total = file.Samples();
    if (start < 0) Raise("start must not be negative");
    start = std::min(start, total);
    std::int64_t count = total - start;
    if (!countArg.is_none()) {
        const std::int64_t asked = countArg.cast<std::int64_t>();
        if (asked < 0) Raise("count must not be negative");
        count = std::min(count, asked);
    }
    const std::vector<int> idx = ChannelIndices(file, channels);
    const auto width = static_cast<py::ssize_t>(idx.size());
    py::array_t<double> out({static_cast<py::ssize_t>(count), width});
    double* dst = out.mutable_data();
    {
        py::gil_scoped_release release;
        constexpr std::size_t kRows = 1 << 14;
        std::vector<long double> block(kRows * idx.size());
        for (std::int64_t k = 0; k < count; k += static_cast<std::int64_t>(kRows)) {
            const std::size_t rows = static_cast<std::size_t>(std::min<std::int64_t>(kRows, count - k));
            file.ReadRows(static_cast<std::uint64_t>(start + k), rows, idx.data(), static_cast<int>(idx.size()),
                          block.data());
            for (std::size_t i = 0; i < rows * idx.size(); ++i) *dst++ = static_cast<double>(block[i]);
        }
    }
    CheckUnchanged(file);
    return out;
}

// A read-only float32 view (samples × channels) of a float recording's mapping.
py::array Samples(const RecordingPtr& r, const py::object& self)
{
    const CDataFile& file = r->file;
    if (file.Type() != 1)
        Raise(PathToUtf8(file.Path()) + ": an SD-card image holds ADC counts; read() gives its calibrated values");
    const auto rows = static_cast<py::ssize_t>(file.Samples());
    const auto n = static_cast<py::ssize_t>(file.Channels());
    const auto* data = reinterpret_cast<const float*>(file.DataArea());
    // The view keeps the Python recording object (and so the mapping) alive.
    py::array view(py::dtype::of<float>(), {rows, n}, {n * 4, py::ssize_t(4)}, data, self);
    py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
    return view;
}

// Runs vistrel-cli with these arguments (argv[1] is the subcommand) on this thread without the
// GIL: returns (status, standard output, messages). `progress(percent)` returning False, or
// raising, stops the run; Ctrl-C stops it as in the tool and raises KeyboardInterrupt.
py::tuple Run(std::vector<std::string> args, const py::object& progress)
{
    cli::Capture capture;
    std::unique_ptr<py::error_already_set> raised;
    if (!progress.is_none())
        capture.progress = [&](int percent) {
            py::gil_scoped_acquire gil;
            if (raised) return false;
            try {
                const py::object answer = progress(percent);
                return answer.is_none() || answer.cast<bool>();
            } catch (py::error_already_set& e) {
                raised = std::make_unique<py::error_already_set>(std::move(e));
                return false;
            }
        };
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int status = 0;
    bool interrupted = false;
    {
        py::gil_scoped_release release;
        platform::InterruptScope signals;
        cli::SetCapture(&capture);
        status = cli::RunCli(static_cast<int>(args.size()), argv.data());
        cli::SetCapture(nullptr);
        interrupted = platform::InterruptRequested();
    }
    if (raised) throw std::move(*raised);
    if (interrupted) {
        PyErr_SetNone(PyExc_KeyboardInterrupt);
        throw py::error_already_set();
    }
    return py::make_tuple(status, py::bytes(capture.out), py::str(capture.err));
}

} // namespace

PYBIND11_MODULE(_vistrel, m)
{
    m.doc() = "The recordings core of Vistrel (use the vistrel package).";
    g_error = PyErr_NewException("vistrel.Error", PyExc_RuntimeError, nullptr);
    m.attr("Error") = py::handle(g_error);

    py::class_<Recording, RecordingPtr>(m, "_Recording")
        .def_property_readonly("type", [](const RecordingPtr& r) { return r->file.Type(); })
        .def_property_readonly("rate", [](const RecordingPtr& r) { return static_cast<double>(r->file.Rate()); })
        .def_property_readonly("channel_count", [](const RecordingPtr& r) { return r->file.Channels(); })
        .def_property_readonly("sample_count", [](const RecordingPtr& r) { return r->file.Samples(); })
        .def_property_readonly("start_filetime", [](const RecordingPtr& r) { return r->file.StartTime(); })
        .def_property_readonly("path", [](const RecordingPtr& r) { return PathToUtf8(r->file.Path()); })
        .def("info_json", [](const RecordingPtr& r) {
            std::string json = cli::InfoJson(r->file);
            CheckUnchanged(r->file);
            return json;
        })
        .def("read", &Read, py::arg("start") = 0, py::arg("count") = py::none(), py::arg("channels") = py::none())
        .def("samples", &Samples)
        .def("changed_on_disk", [](const RecordingPtr& r) { return r->file.ChangedOnDisk(); });

    m.def("_open", &Open, py::arg("path"));
    m.def("_run", &Run, py::arg("args"), py::arg("progress") = py::none());
}
