#include "core/common/HelpPages.h"

#include <sstream>

#ifndef VISTREL_VERSION
#define VISTREL_VERSION "0.0"
#endif

namespace vistrel::help {

namespace {

Program MakeApp() {
    Program p;
    p.name = "vistrel";
    p.title = "view and process recordings of data-acquisition recorders";
    p.main.synopsis = {"[--desktop] [FILE.kvf...]", "--png OUT [--size WxH] [--minmax] [--lanes] [--spectrogram C] [--from A] [--to B] [--cursors T1,T2] FILE.kvf",
                       "--help | --version"};
    p.main.summary = "View and process multichannel .kvf recordings.";
    p.main.description =
        "Without options the program starts its main window and opens every FILE.kvf in a plot "
        "window; each enters the open history. Started without arguments it reopens the windows of "
        "the last session; any argument typed in a terminal switches that off for the run, and the "
        "saved windows stay as they were for the next start.\n\n"
        "Only one instance runs for each user. A second start hands the recordings it names "
        "(relative paths resolved in its own current directory) to the running instance, which "
        "opens every one of them and raises its window; the second start then exits at once.\n\n"
        "The program keeps \"Vistrel.cfg\" (windows and open history) and the log \"Debug.txt\" in "
        "the current directory. The interface language follows the locale (Russian for ru, English "
        "otherwise); VISTREL_LANG_ID=1049 or 1033 forces it.";
    p.main.options = {
        {"--desktop", "",
         "Started from the desktop: work in $XDG_DATA_HOME/vistrel (else ~/.local/share/vistrel) as "
         "the current directory, open every FILE given, keep restoring and saving the windows, and "
         "start file dialogs in the documents folder."},
        {"--png", "OUT",
         "Render the plot of FILE.kvf into a picture without any window and exit: SVG or PDF when OUT "
         "ends in .svg or .pdf (lines and text stay vector), else PNG."},
        {"--picture", "OUT", "The same as --png."},
        {"--size", "WxH", "Size of the picture of --png in pixels (for example 1280x800); a PDF page "
                          "is that size at 96 dpi."},
        {"--from", "A", "With --png: show only the stretch from position A (default: the start)."},
        {"--to", "B", "With --png: show only the stretch up to position B (default: the end)."},
        {"--cursors", "T1,T2", "With --png: place the two time cursors at T1 and T2."},
        {"--minmax", "", "With --png: the min-max view of the whole recording."},
        {"--lanes", "", "With --png: each shown channel in a lane of its own, on its own scale."},
        {"--spectrogram", "C", "With --png: select channel C and draw its spectrogram over the visible range below "
                               "the traces (View > Spectrogram with the default settings: Hann, 1024 points, 50 % "
                               "overlap, 80 dB)."},
        {"--help", "", "Print this help and exit."},
        {"--version", "", "Print the version and exit."},
    };
    p.sections = {
        {"FILES",
         "Vistrel.cfg, Vistrel.bak: windows and open history, in the current directory.\n\n"
         "Debug.txt: the log of the last run, in the current directory.\n\n"
         "LangDLLs/LangRsRu.qm, LangDLLs/LangRsEn.qm: the language modules, beside the program, "
         "else in share/vistrel/LangDLLs of its installation."},
        {"ENVIRONMENT",
         "VISTREL_LANG_ID: a Windows language id (1049 Russian, 1033 English) that overrides the "
         "locale.\n\nXDG_RUNTIME_DIR: the folder of the per-user instance channel when it belongs to "
         "the user alone; else vistrel-UID in the temporary folder (TMPDIR), created with mode 0700 "
         "and refused when it belongs to another user or is open to others (the program then runs "
         "without the channel and says why in Debug.txt).\n\n"
         "XDG_DATA_HOME: the parent of the working folder of a desktop start.\n\n"
         "XDG_CACHE_HOME: the parent of the cache of min-max summaries."},
        {"POSITIONS",
         "--from, --to and --cursors take a sample position (125000), seconds from the start of the "
         "recording (12.5s) or a local clock time (2026-12-08T08:16:47.25). A position outside the "
         "recording, or --from not before --to, gives a message and exit status 2."},
        {"HELP PAGES",
         "Help > Contents shows the manual; the same pages are installed as HTML in "
         "share/doc/vistrel/html."},
        {"EXIT STATUS", "0 on success (also when another instance runs); non-zero when --png fails."},
    };
    return p;
}

Program MakeCli() {
    Program p;
    p.name = "vistrel-cli";
    p.title = "the Vistrel recording engines from the command line";
    p.main.synopsis = {"COMMAND ARGS...", "COMMAND --help", "--help | --version"};
    p.main.summary = "Inspect, generate and process .kvf recordings.";
    p.main.description =
        "Processing commands work on the fragment between two sample positions (by default the "
        "whole recording) and write the result through a temporary file beside the target, renamed "
        "over it when complete; on success the result path is printed. Ctrl-C, SIGTERM and SIGHUP "
        "stop a run and remove its temporary file.";
    p.common = {
        {"--from", "A", "First sample position of the fragment (default 0)."},
        {"--to", "B", "Last sample position (default the end); A and B may come in either order."},
        {"--hide", "LIST", "Comma-separated 1-based channels hidden as in the window."},
        {"--select", "C", "The selected channel (1-based)."},
        {"--time-style", "0|1", "Time labels: 0 clock time, 1 time from the start."},
        {"--out", "PATH", "The result file, a non-empty name (default: the operation's ~...KVF name in the current directory)."},
    };
    auto cmd = [](std::string name, std::vector<std::string> syn, std::string summary,
                  std::vector<Option> options, bool common) {
        Page c;
        c.command = std::move(name);
        c.synopsis = std::move(syn);
        c.summary = std::move(summary);
        c.options = std::move(options);
        c.commonOptions = common;
        return c;
    };
    p.commands = {
        cmd("info", {"info FILE"}, "Print the header figures of FILE as one JSON object.", {}, false),
        cmd("dump", {"dump FILE [--from K] [--count N]"}, "Print one line per sample with \"%.17g\" values.",
            {{"--from", "K", "First sample (default 0)."}, {"--count", "N", "Number of samples (default all)."}}, false),
        cmd("demo", {"demo OUT.kvf [--channels N] [--devices D] [--rate R] [--seconds S]"},
            "Write a float demo recording stamped with the current time.",
            {{"--channels", "N", "Channels (default 6, or D when D does not divide 6)."},
             {"--devices", "D", "Devices; must divide the channel count (default 1)."},
             {"--rate", "R", "Samples per second (default 10000)."},
             {"--seconds", "S", "Length in seconds (default 60)."}},
            false),
        cmd("movavg", {"movavg FILE --factor N [COMMON]"}, "Moving average over N samples.",
            {{"--factor", "N", "Window length, an integer from 2."}}, true),
        cmd("average", {"average FILE --factor N [COMMON]"}, "Average every N samples into one.",
            {{"--factor", "N", "Samples per average, an integer from 2."}}, true),
        cmd("axb", {"axb FILE --coeffs COEFFS.txt [COMMON]"}, "Linear transformation A*x+B of every channel.",
            {{"--coeffs", "COEFFS.txt", "Coefficient file of the linear transformation; A*low+B and A*high+B of every written channel's range must stay within the float range."}}, true),
        cmd("rms", {"rms FILE [--freq F] [COMMON]"}, "Root mean square of every channel.",
            {{"--freq", "F", "Rated signal frequency in hertz, above 0 and at most half the sampling rate (default 50)."}}, true),
        cmd("addsub", {"addsub FILE --output +A-B[@LOW,HIGH] ... [COMMON]"}, "Sums and differences of channels.",
            {{"--output", "+A-B[@LOW,HIGH]", "One output channel: two signed channels, optionally its range (LOW below HIGH); repeatable."}},
            true),
        cmd("tablefunc", {"tablefunc FILE --table C=POINTS.txt ... [COMMON]"}, "Table function of channels.",
            {{"--table", "C=POINTS.txt",
              "Points file applied to channel C, lines of two numbers (value, argument); a missing, empty or "
              "malformed file is refused; repeatable."}},
            true),
        cmd("spectrum",
            {"spectrum FILE --channel C ... [--low-hz L] [--high-hz H] [--points J] [--window K] [--fft] "
             "[--average SEGMENTS [--scaling spectrum|density]] [COMMON]"},
            "Amplitude spectra in decibels by Fourier sums or FFT. The FFT takes the power-of-two span around the "
            "fragment; with --average it averages the fragment itself by Welch's method instead: segments of "
            "L = floor(2 * length / (SEGMENTS + 1)) samples overlapping by L/2, each windowed, no detrending, "
            "the tail that fills no segment left out; rows every rate/L Hz.",
            {{"--channel", "C", "A channel to analyse (1-based); repeatable."},
             {"--low-hz", "L", "Lower frequency limit."},
             {"--high-hz", "H", "Upper frequency limit; above half the sampling rate it is lowered to it, with a note."},
             {"--points", "J", "Number of frequency points."},
             {"--window", "K", "Window function: 0 none, 1 Gauss, 2 Hamming, 3 Hann, 4 Blackmann-Harris."},
             {"--fft", "", "Transform by FFT instead of Fourier sums."},
             {"--average", "SEGMENTS", "With --fft: the averaged (Welch) spectrum of SEGMENTS half-overlapping "
                                       "segments within the fragment, 2 to 1024."},
             {"--scaling", "spectrum|density", "With --average: amplitude in dB relative to the largest (spectrum, "
                                               "default) or power spectral density in dB re 1 unit^2/Hz (density)."}},
            true),
        cmd("save-fragment", {"save-fragment FILE --out OUT.kvf|OUT.txt [--devices LIST] [COMMON]"},
            "Save the fragment as a recording or a text table, chosen by the extension of --out: .kvf or .txt "
            "(in any case); any other name is refused.",
            {{"--devices", "LIST", "Comma-separated 1-based devices to keep."}}, true),
        cmd("save-channels", {"save-channels FILE --out OUT.kvf --channel C[@LOW,HIGH] ... [COMMON]"},
            "Save chosen channels, optionally with new ranges, as a recording; --out must end in .kvf (in any case).",
            {{"--channel", "C[@LOW,HIGH]", "A channel to keep, optionally its range; repeatable."}}, true),
        cmd("filter",
            {"filter FILE --kind butterworth|chebyshev1|bessel --band lowpass|highpass|bandpass|bandstop "
             "--order N --cutoff F[,F2] [--ripple DB] [--zero-phase] [COMMON]"},
            "IIR filter of the shown channels, designed in double precision as second-order sections.",
            {{"--kind", "butterworth|chebyshev1|bessel", "The design (Bessel: normalised for phase)."},
             {"--band", "lowpass|highpass|bandpass|bandstop", "The band."},
             {"--order", "N", "Order of the low-pass prototype, 1 to 10 (band filters have twice as many poles)."},
             {"--cutoff", "F[,F2]", "Cut-off in Hz; band filters take the lower and upper edge. Below half the sample rate."},
             {"--ripple", "DB", "Pass-band ripple of chebyshev1 in dB (default 1)."},
             {"--zero-phase", "", "Filter forwards and backwards: no phase shift, the magnitude squared."}},
            true),
        cmd("notch", {"notch FILE --freq F [--harmonics K] [--q Q] [--zero-phase] [COMMON]"},
            "Second-order notches at a mains frequency and its harmonics, cascaded.",
            {{"--freq", "F", "The frequency in Hz (50, 60 or any)."},
             {"--harmonics", "K", "Notches at F, 2F, ..., KF; K from 1 to 10 (default 1), KF below half the sample rate."},
             {"--q", "Q", "Quality factor: F / bandwidth at -3 dB (default 30)."},
             {"--zero-phase", "", "Filter forwards and backwards: no phase shift."}},
            true),
        cmd("detrend", {"detrend FILE --mode mean|linear [COMMON]"},
            "Subtract each shown channel's mean or least-squares line over the fragment.",
            {{"--mode", "mean|linear", "mean: remove the offset; linear: remove the fitted line."}}, true),
        cmd("export", {"export FILE --out OUT.csv|OUT.wav|OUT.h5|OUT.mat|OUT.npy [--channel C ...] [--time relative|absolute|none] "
                       "[--csv comma|semicolon] [--rf64] [--h5-compression none|deflate] [COMMON]"},
            "Export the fragment (the whole recording without --from/--to) as float32 values in the format "
            "named by the extension of --out (in any case): .csv text with a header row and \"%.9g\" values; "
            ".wav float samples (RF64 when over 4 GiB; the rate rounded to whole Hz, the exact rate in the "
            "comment; rates below 1 Hz refused); .h5 HDF5 dataset /samples (rows x channels) with the attributes "
            "rate, start_time, start_filetime, channel_numbers, display_low, display_high and source; .mat "
            "MATLAB v7.3 variables samples, rate, start_time and channels; .npy numpy array (rows x channels). "
            "A build without libsndfile, libhdf5 or matio refuses .wav, .h5 or .mat.",
            {{"--channel", "C", "A 1-based channel to export, in column order; repeatable (default: the shown ones)."},
             {"--time", "MODE", "CSV time column: relative (seconds from the first exported sample, default), "
                                "absolute (ISO 8601 local time with microseconds) or none."},
             {"--csv", "DIALECT", "comma (comma separator, decimal point; default) or semicolon (semicolon "
                                  "separator, decimal comma)."},
             {"--rf64", "", "Write a .wav as RF64 even when it is small."},
             {"--h5-compression", "MODE", "deflate (chunked, shuffled and deflated; default) or none (one "
                                          "contiguous block of the plain values, written at copy speed)."}},
            true),
        cmd("labels", {"labels FILE [--add START[,END] TEXT | --remove INDEX]"},
            "Print the markers of FILE as its sidecar FILE.labels holds them: one line \"start<TAB>end<TAB>text\" "
            "each, the times in seconds from the first sample with 9 decimals (a point has start = end), sorted by "
            "start. An edit rewrites the sidecar through a temporary file renamed over it (lines that are no "
            "markers stay in place) and prints the markers that result; one edit per call.",
            {{"--add", "START[,END] TEXT", "Add a point at START, or a span from START to END, in seconds within the "
                                           "recording; tabs and line ends in TEXT become spaces."},
             {"--remove", "INDEX", "Remove the marker listed at INDEX (1-based)."}},
            false),
        cmd("spectrogram", {"spectrogram FILE --channel C [--size N] [--overlap PERCENT] [--window K] [--from A --to B] "
                            "--out OUT.npy|OUT.csv"},
            "Write the spectrogram of one channel over the fragment (the whole recording without --from/--to): "
            "short-time FFTs of N samples, frames starting every N - floor(N * PERCENT / 100) samples while a "
            "frame fits, each windowed and transformed; the matrix frames x bins (bins 0 to N/2) holds float64 "
            "values of 20 log10 of the magnitude relative to the largest one (0 dB at the largest, -inf where "
            "a magnitude is zero). .npy: a numpy array with a sidecar OUT.json holding the frame centre times "
            "(s from the recording's first sample), the bin frequencies (Hz) and the settings; .csv: two header "
            "rows \"# frame_centre_s,...\" and \"# bin_frequency_hz,...\", then one row per frame (numpy.loadtxt "
            "reads the matrix, skipping them). Every file is written to a temporary file and renamed over its "
            "target once all are complete; the names written are printed.",
            {{"--channel", "C", "The channel to analyse (1-based)."},
             {"--size", "N", "FFT size, an integer from 256 to 65536 (default 1024)."},
             {"--overlap", "PERCENT", "Overlap of neighbouring frames, 0 to 90 percent (default 50)."},
             {"--window", "K", "Window function: 0 none, 1 Gauss, 2 Hamming, 3 Hann (default), 4 Blackmann-Harris."},
             {"--from", "A", "First sample position of the fragment (default 0)."},
             {"--to", "B", "End of the fragment (default the end); A and B may come in either order."},
             {"--out", "OUT.npy|OUT.csv", "The matrix file; the format follows the extension (in any case)."}},
            false),
        cmd("stats", {"stats FILE [--from A] [--to B] [--channel C ...] [--quick]"},
            "Print statistics of every channel over the fragment as one JSON object (shown here with "
            "spaces that the output leaves out): {\"from\": A, \"to\": B, \"channels\": [{\"channel\": C, "
            "\"count\": ..., \"non_finite\": ..., \"min\": ..., \"min_at\": ..., \"max\": ..., "
            "\"max_at\": ..., \"mean\": ..., \"rms\": ..., \"std\": ..., \"p2p\": ..., "
            "\"mean_abs\": ..., \"frequency\": ...}, ...]}. The fragment is samples A to B - 1 (A and B in "
            "either order, the whole recording by default); positions are absolute sample positions; count "
            "is the number of finite samples (NaN and infinities are skipped and counted in non_finite); std "
            "is the population standard deviation; frequency is (k - 1) * rate / (p_k - p_1) from the k "
            "upward crossings of the mean at positions p_1 .. p_k. Numbers are printed with \"%.17g\"; a "
            "value that does not exist (no finite sample, fewer than two crossings) is null. The recording's "
            "summaries are taken from the user's cache (and built there for a long fragment), so only the "
            "frequency needs a pass over the samples. An empty fragment is refused.",
            {{"--from", "A", "First sample position of the fragment (default 0)."},
             {"--to", "B", "End of the fragment (default the end); A and B may come in either order."},
             {"--channel", "C", "A 1-based channel, in output order; repeatable (default: every channel)."},
             {"--quick", "", "Leave out the frequency (it needs a pass over the samples); the rest comes from "
                             "the summaries at once."}},
            false),
    };
    p.main.options = {{"--help", "", "Print this help (or a command's help) and exit."},
                      {"--version", "", "Print the version and exit."}};
    p.sections = {{"EXIT STATUS",
                   "0 on success; 2 on an error (the file and the reason are printed on stderr), "
                   "also when the output cannot be written; "
                   "130 after SIGINT, 143 after SIGTERM or SIGHUP."}};
    return p;
}

void AppendOptions(std::ostringstream& out, const std::vector<Option>& options) {
    for (const Option& o : options) {
        std::string head = "  " + o.name + (o.argument.empty() ? "" : " " + o.argument);
        if (head.size() < 24)
            head.resize(24, ' ');
        else
            head += "\n" + std::string(24, ' ');
        out << head << o.text << "\n";
    }
}

// Text safe inside a man(7) line: backslashes and hyphens escaped, no leading control dot.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out = "\\&" + out;
    return out;
}

void ManParagraphs(std::ostringstream& out, const std::string& text) {
    size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        size_t end = text.find("\n\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (!first)
            out << ".PP\n";
        out << Roff(text.substr(start, end - start)) << "\n";
        first = false;
        start = end + 2;
    }
}

void ManOptions(std::ostringstream& out, const std::vector<Option>& options) {
    for (const Option& o : options) {
        out << ".TP\n.B " << Roff(o.name);
        if (!o.argument.empty())
            out << " \" \" \"" << "\\fI" << Roff(o.argument) << "\\fR\"";
        out << "\n" << Roff(o.text) << "\n";
    }
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

const Program& App() {
    static const Program p = MakeApp();
    return p;
}

const Program& Cli() {
    static const Program p = MakeCli();
    return p;
}

const char* Version() { return VISTREL_VERSION; }

const Page* FindCommand(const Program& program, const std::string& command) {
    for (const Page& c : program.commands)
        if (c.command == command)
            return &c;
    return nullptr;
}

std::string HelpText(const Program& program) {
    std::ostringstream out;
    for (size_t i = 0; i < program.main.synopsis.size(); ++i)
        out << (i == 0 ? "Usage: " : "       ") << program.name << " " << program.main.synopsis[i] << "\n";
    out << "\n" << program.main.summary << "\n";
    if (!program.commands.empty()) {
        out << "\nCommands:\n";
        for (const Page& c : program.commands)
            for (const std::string& s : c.synopsis)
                out << "  " << program.name << " " << s << "\n";
    }
    out << "\nOptions:\n";
    AppendOptions(out, program.main.options);
    if (!program.common.empty()) {
        out << "\nCOMMON options of the processing commands:\n";
        AppendOptions(out, program.common);
    }
    return out.str();
}

std::string HelpText(const Program& program, const Page& command) {
    std::ostringstream out;
    for (size_t i = 0; i < command.synopsis.size(); ++i)
        out << (i == 0 ? "Usage: " : "       ") << program.name << " " << command.synopsis[i] << "\n";
    out << "\n" << command.summary << "\n";
    if (!command.options.empty()) {
        out << "\nOptions:\n";
        AppendOptions(out, command.options);
    }
    if (command.commonOptions) {
        out << "\nCOMMON options:\n";
        AppendOptions(out, program.common);
    }
    return out.str();
}

std::string VersionText(const Program& program) {
    return program.name + " " + Version() +
           "\nLicence GPL-3.0-or-later: GNU General Public License version 3 or later.\n"
           "This is free software; there is NO WARRANTY, to the extent permitted by law.\n";
}

std::string ManPage(const Program& program, const std::string& date) {
    std::ostringstream out;
    out << ".TH " << Upper(Roff(program.name)) << " 1 \"" << date << "\" \"Vistrel " << Version()
        << "\" \"User Commands\"\n";
    out << ".SH NAME\n" << Roff(program.name) << " \\- " << Roff(program.title) << "\n";
    out << ".SH SYNOPSIS\n";
    for (size_t i = 0; i < program.main.synopsis.size(); ++i)
        out << (i == 0 ? "" : ".br\n") << ".B " << Roff(program.name) << "\n" << Roff(program.main.synopsis[i]) << "\n";
    out << ".SH DESCRIPTION\n";
    ManParagraphs(out, program.main.summary + "\n\n" +
                           (program.main.description.empty() ? std::string() : program.main.description));
    out << ".SH OPTIONS\n";
    ManOptions(out, program.main.options);
    if (!program.commands.empty()) {
        out << ".SH COMMANDS\n";
        for (const Page& c : program.commands) {
            out << ".SS " << Roff(c.command) << "\n";
            for (size_t i = 0; i < c.synopsis.size(); ++i)
                out << (i == 0 ? "" : ".br\n") << ".B " << Roff(program.name) << "\n" << Roff(c.synopsis[i]) << "\n";
            out << ".PP\n" << Roff(c.summary) << "\n";
            ManOptions(out, c.options);
        }
    }
    if (!program.common.empty()) {
        out << ".SH COMMON OPTIONS\n";
        ManOptions(out, program.common);
    }
    for (const auto& [title, text] : program.sections) {
        out << ".SH " << title << "\n";
        ManParagraphs(out, text);
    }
    out << ".SH LICENSE\nGPL\\-3.0\\-or\\-later.\n";
    return out.str();
}

} // namespace vistrel::help
