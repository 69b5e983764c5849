// Pictures of plot windows: PNG, SVG and PDF from the command line and from the frame's
// commands, a stretch and cursors chosen on the command line, several windows in one PDF,
// refused targets, and the printed page.
#include <QFile>
#include <QImage>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QRadioButton>
#include <QDoubleSpinBox>
#include <QLineEdit>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "ShellTestSupport.h"
#include "core/common/StringIds.h"
#include "core/recording/DisplayDefaults.h"
#include "plot/GraphCanvas.h"
#include "dialogs/PictureDialog.h"
#include "plot/Cursors.h"
#include "plot/PictureRender.h"
#include "plot/PlotWindow.h"
#include "plot/PrintPage.h"

using namespace vistrel;
using namespace vistrel::test;
namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

struct ToolRun {
    int code = -1;
    QString out;   // stdout and stderr
};

ToolRun Tool(const QString& program, const QStringList& args) {
    QProcess proc;
    proc.setProcessChannelMode(QProcess::MergedChannels);
    proc.start(program, args);
    ToolRun r;
    if (!proc.waitForFinished(120000)) return r;
    r.code = proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
    r.out = QString::fromUtf8(proc.readAll());
    return r;
}

ToolRun Vistrel(const QStringList& args) { return Tool(QStringLiteral(VISTREL_APP_PATH), args); }

// Pages of a PDF and the size of its first page in points, as pdfinfo reads them.
int PdfPages(const QString& pdf, QSizeF* pageSize = nullptr) {
    const ToolRun r = Tool(QStringLiteral("pdfinfo"), {pdf});
    if (r.code != 0) return -1;
    int pages = -1;
    for (const QString& line : r.out.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Pages:"))) pages = line.mid(6).trimmed().toInt();
        if (line.startsWith(QLatin1String("Page size:")) && pageSize) {
            const QStringList parts = line.mid(10).simplified().split(QLatin1Char(' '));
            if (parts.size() >= 3) *pageSize = QSizeF(parts[0].toDouble(), parts[2].toDouble());
        }
    }
    return pages;
}

// A recording whose single channel is +5 inside samples [10000, 20000) and -5 elsewhere
// (display range -10..10: +5 a quarter of the plot below its top, -5 a quarter above its bottom).
fs::path StepRecording(const TempDir& dir, const char* name = "step.kvf") {
    FloatFixture fx;
    fx.layout.channels = 1;
    fx.layout.rate = 1000.0;
    fx.samples = 40000;
    fx.value = [](uint64_t k, int) { return k >= 10000 && k < 20000 ? 5.0f : -5.0f; };
    const fs::path kvf = dir / name;
    EXPECT_TRUE(WriteFloatFixture(kvf, fx));
    return kvf;
}

// Channel 0's default colour, that of the traces looked for below.
const QRgb kTrace = ColorFromRef(DefaultTraceColour(0)).rgb();

// Rows in which the middle part of the picture is the trace's colour almost throughout: a flat
// trace, not a dotted level cursor.
std::vector<int> BlackRows(const QImage& img) {
    std::vector<int> rows;
    for (int y = 0; y < img.height(); ++y) {
        int hits = 0;
        for (int x = img.width() / 5; x < img.width() * 4 / 5; ++x) hits += img.pixel(x, y) == kTrace;
        if (hits * 10 >= img.width() * 3 / 5 * 9) rows.push_back(y);
    }
    return rows;
}

// The longest horizontal run of the trace's colour in rows [top, bottom): a trace segment, unlike the
// dotted cursors and the short strokes of text.
int LongestBlackRun(const QImage& img, int top, int bottom) {
    int longest = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0, run = 0; x < img.width(); ++x) {
            run = img.pixel(x, y) == kTrace ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    return longest;
}

QImage Picture(const QString& path) {
    if (path.endsWith(QLatin1String(".pdf"))) {
        // Rasterised without smoothing, so a trace stays one black line.
        const QString base = path.left(path.size() - 4);
        if (Tool(QStringLiteral("pdftoppm"), {"-png", "-r", "96", "-aa", "no", "-aaVector", "no", "-singlefile", path, base})
                .code != 0)
            return QImage();
        return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    }
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(PictureCli, EveryFormatByItsExtension) {
    TempDir dir;
    const fs::path kvf = StepRecording(dir);
    struct Case {
        const char* name;
        std::function<void(const QString&)> check;
    };
    const Case cases[] = {
        {"big.png",
         [](const QString& out) { EXPECT_EQ(QImage(out).size(), QSize(3000, 2000)); }},
        {"plot.svg",
         [](const QString& out) {
             EXPECT_EQ(Tool(QStringLiteral("xmllint"), {"--noout", out}).code, 0);
             QFile f(out);
             ASSERT_TRUE(f.open(QIODevice::ReadOnly));
             const QByteArray svg = f.readAll();
             // Traces and grid stay lines, the labels text (a scale value among them).
             EXPECT_GT(svg.count("<path") + svg.count("<polyline"), 10) << "vector lines";
             EXPECT_GT(svg.count("<text"), 5) << "text";
             EXPECT_TRUE(svg.contains(">10<") || svg.contains(">10.0<") || svg.contains(">-10<")) << "a scale label";
             // No bitmap of the plot: at most the scroll bars' small arrow icons.
             static const QRegularExpression image(QStringLiteral("<image[^>]* width=\"(\\d+)\""));
             for (auto it = image.globalMatch(QString::fromUtf8(svg)); it.hasNext();)
                 EXPECT_LE(it.next().captured(1).toInt(), 32) << "a bitmap in the SVG";
         }},
        {"plot.pdf",
         [](const QString& out) {
             QSizeF page;
             EXPECT_EQ(PdfPages(out, &page), 1);
             EXPECT_NEAR(page.width(), 3000 * 72.0 / 96, 2);   // the window's pixels at 96 dpi
             const ToolRun text = Tool(QStringLiteral("pdftotext"), {out, "-"});
             EXPECT_TRUE(text.out.contains(QLatin1String("10"))) << "labels stay text: " << text.out.toStdString();
         }},
    };
    for (const Case& c : cases) {
        const QString out = Q(dir / c.name);
        const ToolRun r = Vistrel({"--png", out, "--size", "3000x2000", Q(kvf)});
        ASSERT_EQ(r.code, 0) << c.name << ": " << r.out.toStdString();
        c.check(out);
    }
    // The alias names the same thing.
    const ToolRun alias = Vistrel({"--picture", Q(dir / "alias.svg"), Q(kvf)});
    EXPECT_EQ(alias.code, 0) << alias.out.toStdString();
    EXPECT_TRUE(fs::exists(dir / "alias.svg"));
}

TEST(PictureCli, FromToShowsOnlyThatStretch) {
    TempDir dir;
    const fs::path kvf = StepRecording(dir);
    // Every way of naming samples 10000 and 20000 of a recording of 1000 samples per second.
    const struct {
        const char* out;
        const char* from;
        const char* to;
    } cases[] = {{"a.png", "10000", "20000"}, {"b.pdf", "10s", "20s"}, {"c.png", "10.000s", "19999"}};
    for (const auto& c : cases) {
        const QString out = Q(dir / c.out);
        const ToolRun r = Vistrel({"--png", out, "--size", "900x600", "--from", c.from, "--to", c.to, Q(kvf)});
        ASSERT_EQ(r.code, 0) << c.out << ": " << r.out.toStdString();
        const QImage img = Picture(out);
        ASSERT_FALSE(img.isNull()) << c.out;
        // Only the +5 level is drawn: a trace across the upper half, not a piece of the -5 level
        // (three quarters down the plot) anywhere.
        const std::vector<int> rows = BlackRows(img);
        ASSERT_FALSE(rows.empty()) << c.out;
        for (int y : rows) EXPECT_LT(y, img.height() / 2) << c.out;
        EXPECT_LT(LongestBlackRun(img, img.height() / 2, img.height() * 7 / 8), 20) << c.out;
    }
    // The whole recording shows both levels, and a picture a little wider than the stretch
    // shows pieces of the -5 level on either side.
    const struct {
        QStringList view;
        int atLeast;
    } wider[] = {{{}, 150}, {{"--from", "9000", "--to", "21000"}, 40}};
    for (const auto& c : wider) {
        const QString out = Q(dir / "wider.png");
        ASSERT_EQ(Vistrel(QStringList{"--png", out, "--size", "900x600"} + c.view + QStringList{Q(kvf)}).code, 0);
        const QImage img = Picture(out);
        EXPECT_GE(LongestBlackRun(img, img.height() / 2, img.height() * 7 / 8), c.atLeast) << c.view.join(' ').toStdString();
    }
}

TEST(PictureCli, BadPositionsExitTwoAndWriteNothing) {
    TempDir dir;
    const fs::path kvf = StepRecording(dir);
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--from", "abc"}, "--from"},
        {{"--to", "50000"}, "beyond the end"},
        {{"--from", "20s", "--to", "10s"}, "does not lie before"},
        {{"--from", "1999-01-01T00:00:00"}, "before the start"},
        {{"--cursors", "100"}, "--cursors"},
        {{"--cursors", "100,4e5"}, "--cursors"},
    };
    for (const auto& c : cases) {
        const fs::path out = dir / "bad.png";
        QStringList args{"--png", Q(out)};
        args << c.args << Q(kvf);
        const ToolRun r = Vistrel(args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.contains(QLatin1String(c.says))) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QLatin1String("step.kvf"))) << r.out.toStdString();
        EXPECT_FALSE(fs::exists(out)) << c.args.join(' ').toStdString();
    }
}

TEST(PictureCli, CursorsAtChosenPositions) {
    TempDir dir;
    const fs::path kvf = StepRecording(dir);
    const QString out = Q(dir / "cur.png");
    // A flat stretch (-5 throughout) with the cursors at a quarter and three quarters of it.
    const ToolRun r = Vistrel({"--png", out, "--size", "900x600", "--from", "21000", "--to", "39s", "--cursors",
                               "25.5s,34500", Q(kvf)});
    ASSERT_EQ(r.code, 0) << r.out.toStdString();
    const QImage img = Picture(out);
    std::vector<int> columns;
    for (int x = 0; x < img.width(); ++x) {
        int hits = 0;
        for (int y = img.height() / 5; y < img.height() * 4 / 5; ++y) hits += img.pixel(x, y) == qRgb(0, 0, 0);
        if (hits * 10 >= img.height() * 3 / 5 * 3) columns.push_back(x);
    }
    ASSERT_EQ(columns.size(), 2u);
    // Half the plot's width apart (the picture less the value scale's margin).
    EXPECT_NEAR(columns[1] - columns[0], 415, 35);
    EXPECT_NEAR(columns[0], 900 / 4, 60);
    EXPECT_NEAR(columns[1], 900 * 3 / 4, 60);
}

TEST(PictureRender, WindowKeepsItsSizeViewAndCursors) {
    TempDir dir;
    const fs::path kvf = StepRecording(dir);
    QString error;
    auto w = PlotWindow::CreateDetached(Q(kvf), &error);
    ASSERT_TRUE(w) << error.toStdString();
    w->setAttribute(Qt::WA_DontShowOnScreen);
    w->resize(700, 400);
    w->LayoutChildren();
    w->OnFirstTimer();
    w->ZoomStep(2);
    const double start = w->Plot()->m_visibleStart, end = w->Plot()->m_visibleEnd;
    const int64_t c1 = w->CursorSample(1);
    // A picture much wider than the window (and than 4096 columns) in every format.
    for (PictureFormat f : {PictureFormat::Png, PictureFormat::Svg, PictureFormat::Pdf}) {
        PicturePlan plan;
        ASSERT_TRUE(PlanPicture(f, f == PictureFormat::Pdf ? 400 : 5000, f == PictureFormat::Pdf ? 200 : 2000,
                                700, 400, 1.0, &plan, nullptr));
        QByteArray bytes;
        ASSERT_TRUE(RenderWindowPicture(*w, f, plan, true, &bytes, &error)) << error.toStdString();
        EXPECT_FALSE(bytes.isEmpty());
        if (f == PictureFormat::Png) EXPECT_EQ(QImage::fromData(bytes).size(), QSize(5000, 2000));
        EXPECT_EQ(w->size(), QSize(700, 400));
        EXPECT_EQ(w->Plot()->m_visibleStart, start);
        EXPECT_EQ(w->Plot()->m_visibleEnd, end);
        EXPECT_EQ(w->CursorSample(1), c1);
    }
}

TEST(PictureRender, OnePdfPagePerWindowAndRefusedTargets) {
    TempDir dir;
    std::vector<std::unique_ptr<PlotWindow>> owned;
    QList<PlotWindow*> windows;
    std::vector<PicturePlan> plans;
    for (const char* name : {"a.kvf", "b.kvf", "c.kvf"}) {
        QString error;
        owned.push_back(PlotWindow::CreateDetached(Q(StepRecording(dir, name)), &error));
        ASSERT_TRUE(owned.back()) << error.toStdString();
        owned.back()->resize(640, 400);
        windows << owned.back().get();
        plans.emplace_back();
        ASSERT_TRUE(PlanPicture(PictureFormat::Pdf, 0, 0, 640, 400, 1.0, &plans.back(), nullptr));
    }
    QByteArray bytes;
    QString why;
    ASSERT_TRUE(RenderPdfBook(windows, plans, true, &bytes, &why)) << why.toStdString();
    const QString pdf = Q(dir / "all.pdf");
    const QStringList recordings{Q(dir / "a.kvf"), Q(dir / "b.kvf"), Q(dir / "c.kvf")};
    ASSERT_TRUE(WritePictureFile(pdf, bytes, recordings, &why)) << why.toStdString();
    EXPECT_EQ(PdfPages(pdf), 3);

    // A recording under its own name or a link, and a folder: refused, nothing left behind.
    fs::create_symlink(dir / "b.kvf", dir / "link.pdf");
    fs::create_directory(dir / "folder.png");
    for (const fs::path& target : {dir / "a.kvf", dir / "link.pdf", dir / "folder.png"}) {
        const auto before = fs::symlink_status(target).type();
        const uintmax_t size = fs::is_regular_file(target) ? fs::file_size(target) : 0;
        EXPECT_FALSE(WritePictureFile(Q(target), bytes, recordings, &why)) << target;
        EXPECT_FALSE(why.isEmpty());
        EXPECT_EQ(fs::symlink_status(target).type(), before) << target;
        if (size) EXPECT_EQ(fs::file_size(target), size) << target;
    }
    for (const auto& e : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << "left behind: " << e.path();
}

TEST(PrintPage, OneLandscapePageWithTheFooter) {
    TempDir dir;
    QString error;
    auto w = PlotWindow::CreateDetached(Q(StepRecording(dir)), &error);
    ASSERT_TRUE(w) << error.toStdString();
    w->resize(800, 500);
    w->LayoutChildren();
    w->OnFirstTimer();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageOrientation(QPageLayout::Landscape);
    const QString pdf = Q(dir / "printed.pdf");
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(PrintWindow(*w, printer));
    QSizeF page;
    ASSERT_EQ(PdfPages(pdf, &page), 1);
    EXPECT_GT(page.width(), page.height());
    EXPECT_EQ(w->size(), QSize(800, 500));
    const QString text = Tool(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}).out;
    const QStringList footer = PrintFooter(*w);
    ASSERT_EQ(footer.size(), 3);
    EXPECT_TRUE(text.contains(QLatin1String("step.kvf"))) << text.toStdString();
    EXPECT_TRUE(footer[1].contains(QRegularExpression(QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d")))) << footer[1].toStdString();
    EXPECT_TRUE(text.contains(footer[1].right(12))) << text.toStdString();
    // The read-out line's first words are on the page.
    ASSERT_FALSE(footer[2].isEmpty());
    EXPECT_TRUE(text.simplified().contains(footer[2].simplified().left(12))) << footer[2].toStdString();
}

TEST(PictureFrame, ExportPictureCommandWritesTheActiveWindow) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    TempDir dir;
    const fs::path kvf = StepRecording(dir);
    env.paths = {Q(kvf)};
    env.Frame()->OnCommand(cmd::Open);
    ASSERT_EQ(g_app->m_windowCount, 1);
    const struct {
        const char* name;
        bool custom;
        bool written;
        int errorBoxes;
    } cases[] = {{"shot.png", true, true, 0}, {"shot.svg", false, true, 0}, {"shot.txt", false, false, 1}};
    for (const auto& c : cases) {
        const QString out = env.File(QString::fromLatin1(c.name));
        env.boxes.clear();
        SetShellDialogHook([&](QDialog& d) {
            auto* dlg = qobject_cast<PictureDialog*>(&d);
            ASSERT_NE(dlg, nullptr);
            dlg->FileEdit()->setText(out);
            dlg->CustomSize()->setChecked(c.custom);
            dlg->WidthBox()->setValue(1200);
            dlg->HeightBox()->setValue(700);
            d.accept();
        });
        env.Frame()->OnCommand(cmd::ExportPicture);
        SetShellDialogHook({});
        EXPECT_EQ(QFile::exists(out), c.written) << c.name;
        EXPECT_EQ(env.CountBoxes(BoxKind::Error), c.errorBoxes) << c.name;
        if (c.custom) EXPECT_EQ(QImage(out).size(), QSize(1200, 700));
    }
    // The recording itself is refused with its path named; it stays as it was.
    const auto size = fs::file_size(kvf);
    env.boxes.clear();
    SetShellDialogHook([&](QDialog& d) {
        qobject_cast<PictureDialog*>(&d)->FileEdit()->setText(Q(dir / "step.pdf"));
        d.accept();
    });
    fs::copy_file(kvf, dir / "step.pdf");
    env.paths = {Q(dir / "step.pdf")};
    env.Frame()->OnCommand(cmd::Open);
    env.Frame()->OnCommand(cmd::ExportPicture);
    SetShellDialogHook({});
    EXPECT_EQ(fs::file_size(dir / "step.pdf"), size);
    EXPECT_GE(env.boxes.size(), 1);
}

TEST(PictureFrame, ExportAllPicturesAsOnePdfOrNumberedFiles) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    TempDir dir;
    for (const char* name : {"one.kvf", "two.kvf"}) {
        env.paths = {Q(StepRecording(dir, name))};
        env.Frame()->OnCommand(cmd::Open);
    }
    ASSERT_EQ(g_app->m_windowCount, 2);
    const struct {
        const char* name;
        QStringList written;   // the files that appear
    } cases[] = {
        {"all.pdf", {"all.pdf"}},
        {"shot.png", {"shot_1.png", "shot_2.png"}},
        {"vec.svg", {"vec_1.svg", "vec_2.svg"}},
    };
    for (const auto& c : cases) {
        SetShellDialogHook([&](QDialog& d) {
            qobject_cast<PictureDialog*>(&d)->FileEdit()->setText(env.File(QString::fromLatin1(c.name)));
            d.accept();
        });
        env.Frame()->OnCommand(cmd::ExportAllPictures);
        SetShellDialogHook({});
        for (const QString& f : c.written) EXPECT_TRUE(QFile::exists(env.File(f))) << f.toStdString();
        EXPECT_FALSE(QFile::exists(env.File(QString::fromLatin1(c.name))) && c.written.size() > 1) << c.name;
    }
    EXPECT_EQ(PdfPages(env.File("all.pdf")), 2);
    EXPECT_EQ(env.CountBoxes(BoxKind::Error), 0);
}
