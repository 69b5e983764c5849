// vistrel: the recording viewer. `vistrel [FILE]` starts the program (FILE opened in a plot
// window); `vistrel --desktop FILE...` is the start from the desktop's application menu or file
// manager; `vistrel --png OUT [--size WxH] [--minmax] [--lanes] [--spectrogram C] [--from A] [--to B]
// [--cursors T1,T2] FILE` (or --picture OUT) renders FILE's plot (with --minmax its min-max view of
// the whole recording, with --lanes one lane per channel, with --spectrogram channel C's spectrogram
// below the traces, --from/--to only that stretch) into a PNG, SVG or PDF picture and exits without
// showing a window; --help and --version print and exit.

#include <QApplication>
#include <QIcon>
#include <QSize>
#include <QStringList>

#include <clocale>
#include <cstdio>

#include "core/common/HelpPages.h"
#include "plot/PngRender.h"
#include "shell/Application.h"

namespace {

int RunPng(int argc, char** argv) {
    // Rendering needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    QString out, file;
    vistrel::PictureRequest request;
    QSize& size = request.size;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == QLatin1String("--png") || a == QLatin1String("--picture")) && i + 1 < args.size()) {
            out = args[++i];
        } else if (a == QLatin1String("--from") && i + 1 < args.size()) {
            request.from = args[++i];
        } else if (a == QLatin1String("--to") && i + 1 < args.size()) {
            request.to = args[++i];
        } else if (a == QLatin1String("--cursors") && i + 1 < args.size()) {
            request.cursors = args[++i];
        } else if (a == QLatin1String("--size") && i + 1 < args.size()) {
            if (!vistrel::ParsePngSize(args[++i], &size)) {
                std::fprintf(stderr, "vistrel: bad size '%s' (expected WxH, e.g. 1280x800)\n",
                             args[i].toLocal8Bit().constData());
                return 1;
            }
        } else if (a == QLatin1String("--minmax")) {
            request.minMax = true;
        } else if (a == QLatin1String("--lanes")) {
            request.lanes = true;
        } else if (a == QLatin1String("--spectrogram") && i + 1 < args.size()) {
            bool ok = false;
            request.spectrogram = args[++i].toInt(&ok);
            if (!ok || request.spectrogram < 1) {
                std::fprintf(stderr, "vistrel: --spectrogram takes a channel number from 1, not '%s'\n",
                             args[i].toLocal8Bit().constData());
                return 1;
            }
        } else if (file.isEmpty()) {
            file = a;
        } else {
            std::fprintf(stderr, "vistrel: unexpected argument '%s'\n", a.toLocal8Bit().constData());
            return 1;
        }
    }
    if (out.isEmpty() || file.isEmpty()) {
        std::fprintf(stderr, "usage: vistrel --png OUT.png|.svg|.pdf [--size WxH] [--minmax] [--lanes] [--spectrogram C] [--from A] "
                             "[--to B] [--cursors T1,T2] FILE.kvf\n");
        return 1;
    }
    return vistrel::RenderPlotPicture(file, out, request);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--help") == 0 || qstrcmp(argv[i], "-h") == 0) {
            std::fputs(vistrel::help::HelpText(vistrel::help::App()).c_str(), stdout);
            return 0;
        }
        if (qstrcmp(argv[i], "--version") == 0) {
            std::fputs(vistrel::help::VersionText(vistrel::help::App()).c_str(), stdout);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--png") == 0 || qstrcmp(argv[i], "--picture") == 0) return RunPng(argc, argv);

    QApplication app(argc, argv);
    // Text files (coefficients, points, tables, configuration) use a point as the decimal
    // separator whatever the user's locale; Qt has just set the C library's locale from it.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    Q_INIT_RESOURCE(icons); // the resource lives in a static library
    QIcon icon(QStringLiteral(":/icons/vistrel.png"));
    icon.addFile(QStringLiteral(":/icons/vistrel-48.png"));
    QApplication::setWindowIcon(icon);
    QApplication::setDesktopFileName(QStringLiteral("io.github.vistrel.Vistrel"));
    vistrel::CApplication program;
    vistrel::StartOptions options;
    options.arguments = QCoreApplication::arguments().mid(1);
    options.desktop = options.arguments.removeAll(QStringLiteral("--desktop")) > 0;
    if (!program.Start(options)) return 0; // another instance is running
    const int code = program.Run();
    program.Shutdown();
    return code;
}
