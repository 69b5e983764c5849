#include "SpectrDialog.h"

#include "core/common/StringIds.h"
#include "core/processing/Spectrogram.h"
#include "core/processing/SpectrumChecks.h"
#include "core/processing/WindowFft.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <cmath>
#include <cstdlib>
#include <cstdio>

namespace vistrel {

namespace {

// Values kept for the life of the process, shared by all windows.
struct Remembered {
    bool hasPoints = false;
    int points = 400;
    double lower = 0, upper = 400;
    int window = 0;
    int fft = 0;
    int average = 0;
    int segments = 8;
    int density = 0;
    int count = 0;
    int devices = 0, perDevice = 0;
    std::array<int, 32> device{}, channel{};
};
Remembered g_spectr;

QString FormatLg(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%lg", v);
    return QString::fromLatin1(buf);
}

} // namespace

void SpectrDialog::ForgetRemembered() { g_spectr = Remembered{}; }

SpectrDialog::SpectrDialog(QWidget* owner, const DialogSource& source)
    : QDialog(owner), m_source(source) {
    setObjectName(QStringLiteral("SPECTR"));
    setWindowTitle(DlgText("SPECTR.title"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(DlgText("SPECTR.from"), this), 0, 0, 1, 2);
    m_lower = IdEdit(this, 1245);
    grid->addWidget(m_lower, 0, 2);
    grid->addWidget(new QLabel(DlgText("SPECTR.to"), this), 0, 3);
    m_upper = IdEdit(this, 1070);
    grid->addWidget(m_upper, 0, 4);
    grid->addWidget(new QLabel(DlgText("SPECTR.points"), this), 1, 0, 1, 2);
    m_points = IdEdit(this, 1071);
    m_points->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_points));
    grid->addWidget(m_points, 1, 2);
    m_fft = IdCheck(this, 1246, DlgText("SPECTR.1246"));
    grid->addWidget(m_fft, 1, 3);
    grid->addWidget(new QLabel(DlgText("SPECTR.window"), this), 2, 0, 1, 2);
    m_window = new QComboBox(this);
    m_window->setObjectName(QStringLiteral("1001"));
    m_window->addItem(GetUiString(236));
    for (const char* name : {"Gauss", "Hamming", "Hann", "Blackmann-Harris"})
        m_window->addItem(QString::fromLatin1(name));
    grid->addWidget(m_window, 2, 2, 1, 3);
    // The averaged (Welch) variant of the FFT: segments within the fragment, and its units.
    m_average = IdCheck(this, kAverageId, GetUiString(IDS_SPECTRO_AVERAGE));
    grid->addWidget(m_average, 1, 4);
    grid->addWidget(new QLabel(GetUiString(IDS_SPECTRO_SEGMENTS), this), 1, 5);
    m_segments = IdEdit(this, kSegmentsId);
    m_segments->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_segments));
    grid->addWidget(m_segments, 1, 6);
    m_scaling = new QComboBox(this);
    m_scaling->setObjectName(QString::number(kScalingId));
    m_scaling->addItem(GetUiString(IDS_SPECTRO_SCALING_SPECTRUM));
    m_scaling->addItem(GetUiString(IDS_SPECTRO_SCALING_DENSITY));
    grid->addWidget(m_scaling, 2, 5, 1, 2);
    grid->addWidget(new QLabel(DlgText("SPECTR.1000"), this), 3, 0, 1, 2);
    m_count = NumberList(this, 1000, 32);
    grid->addWidget(m_count, 3, 2);
    // The 32 rows in a table of their own: both halves get the same column widths instead of
    // sharing the columns of the fields above.
    auto* table = new QGridLayout;
    table->setColumnMinimumWidth(3, 12);
    for (int half = 0; half < 2; ++half) {
        const int col = half * 4;
        table->addWidget(new QLabel(DlgText("SPECTR.number"), this), 0, col);
        table->addWidget(new QLabel(DlgText("SPECTR.device"), this), 0, col + 1);
        table->addWidget(new QLabel(DlgText("SPECTR.channel"), this), 0, col + 2);
        table->setColumnStretch(col + 1, 1);
        table->setColumnStretch(col + 2, 1);
    }
    const int D = std::max(1, m_source.devices);
    const int P = std::max(1, m_source.perDevice);
    for (int i = 0; i < 32; ++i) {
        const int line = 1 + i % 16;
        const int col = (i / 16) * 4;
        table->addWidget(new QLabel(QString::number(i + 1), this), line, col);
        m_device[i] = NumberList(this, DeviceId(i), D);
        m_channel[i] = NumberList(this, ChannelId(i), P);
        table->addWidget(m_device[i], line, col + 1);
        table->addWidget(m_channel[i], line, col + 2);
    }
    grid->addLayout(table, 4, 0, 1, 7);
    m_message = new MessageLine(this);
    grid->addWidget(m_message, 5, 0, 1, 4);
    auto* execute = IdButton(this, 1, DlgText("SPECTR.1"));
    execute->setDefault(true);
    grid->addWidget(execute, 5, 4, 1, 2);

    if (!g_spectr.hasPoints) {
        g_spectr.hasPoints = true;
        g_spectr.points = 400;
        g_spectr.lower = 0;
        g_spectr.upper = 400;
    }
    m_points->setText(QString::number(g_spectr.points));
    m_lower->setText(FormatLg(g_spectr.lower));
    m_upper->setText(FormatLg(g_spectr.upper));
    if (g_spectr.count > 0 && g_spectr.devices == m_source.devices &&
        g_spectr.perDevice == m_source.perDevice) {
        SelectNumber(m_count, g_spectr.count);
        for (int i = 0; i < g_spectr.count && i < 32; ++i) {
            SelectNumber(m_device[i], g_spectr.device[i]);
            SelectNumber(m_channel[i], g_spectr.channel[i]);
        }
        m_fft->setChecked(g_spectr.fft != 0);
        m_average->setChecked(g_spectr.average != 0);
    }
    m_segments->setText(QString::number(g_spectr.segments));
    m_scaling->setCurrentIndex(g_spectr.density != 0 ? 1 : 0);
    m_typedPoints = m_points->text();
    m_window->setCurrentIndex(g_spectr.window >= 0 && g_spectr.window < 5 ? g_spectr.window : 0);

    connect(m_count, &QComboBox::currentIndexChanged, this, [this] { Update(); });
    connect(m_upper, &QLineEdit::editingFinished, this, [this] { Update(); });
    connect(m_fft, &QCheckBox::toggled, this, &SpectrDialog::OnFftToggled);
    connect(m_average, &QCheckBox::toggled, this, [this] { Update(); });
    connect(m_segments, &QLineEdit::textChanged, this, [this] { Update(); });
    connect(execute, &QPushButton::clicked, this, &SpectrDialog::OnExecute);
    m_filling = false;
    Update();
}

void SpectrDialog::CutUpperLimit() {
    // An upper limit above half the sampling rate is lowered to it, and the user told so.
    double upper = 0;
    bool lowered = false;
    if (!ParseG(m_upper->text(), &upper))
        return;
    const double limit = SpectrumUpperLimitHz(upper, double(m_source.rate), &lowered);
    if (!lowered)
        return;
    m_upper->setText(FormatLg(limit));
    m_message->Say(GetUiString(IDS_SPECTRUM_UPPER_LOWERED).arg(FormatLg(upper), FormatLg(limit)));
}

void SpectrDialog::OnFftToggled(bool on) {
    if (on) m_typedPoints = m_points->text();
    else m_points->setText(m_typedPoints);
    Update();
}

void SpectrDialog::Update() {
    if (m_filling) return;
    const int count = ListNumber(m_count);
    for (int i = 0; i < 32; ++i) {
        m_device[i]->setEnabled(i < count && m_source.devices > 1);
        m_channel[i]->setEnabled(i < count);
    }
    CutUpperLimit();
    const bool fft = m_fft->isChecked();
    m_average->setEnabled(fft);
    const bool averaged = fft && m_average->isChecked();
    m_segments->setEnabled(averaged);
    m_scaling->setEnabled(averaged);
    if (averaged) {
        // The segment length follows from the fragment and the segment count.
        const int segments = Segments();
        const size_t L = spectro::WelchSegmentLength(std::llabs(m_source.cursor2 - m_source.cursor1), segments);
        m_points->setText(segments != 0 && L >= 2 ? QString::number(L) : QString());
        m_points->setEnabled(false);
    } else if (fft) {
        // The FFT length follows from the cursors; the point count is not used.
        const FftSpan span = ChooseFftSpan(m_source.cursor1, m_source.cursor2, m_source.samples);
        if (span.n != 0) m_points->setText(QString::number(span.n));
        m_points->setEnabled(false);
    } else {
        m_points->setEnabled(true);
    }
}

int SpectrDialog::Segments() const {
    long long segments = 0;
    if (!ParseWhole(m_segments->text().left(31), &segments) || segments < spectro::kMinWelchSegments ||
        segments > spectro::kMaxWelchSegments)
        return 0;
    return static_cast<int>(segments);
}

void SpectrDialog::OnExecute() {
    CutUpperLimit();
    double lower = 0, upper = 0;
    if (!ParseG(m_lower->text().left(31), &lower) || !std::isfinite(lower)) {
        m_message->Say(DlgText("SPECTR.badlower"));
        m_lower->setFocus();
        return;
    }
    if (!ParseG(m_upper->text().left(31), &upper) || !std::isfinite(upper)) {
        m_message->Say(DlgText("SPECTR.badupper"));
        m_upper->setFocus();
        return;
    }
    const bool fft = m_fft->isChecked();
    long long points = g_spectr.points;
    if (!fft) {
        const QString text = m_points->text().left(31);
        double number = 0;
        const bool whole = ParseWhole(text, &points);
        if (!whole || points < 1 || points > kMaxPoints) {
            m_message->Say(!whole && ParseG(text, &number) ? NotWholeText(text)
                                                           : DlgText("SPECTR.badpoints").arg(kMaxPoints));
            m_points->setFocus();
            return;
        }
    } else {
        const FftSpan span = ChooseFftSpan(m_source.cursor1, m_source.cursor2, m_source.samples);
        if (span.n == 0) {
            m_message->Say(DlgText("SPECTR.nospan"));
            return;
        }
    }
    const bool averaged = fft && m_average->isChecked();
    const int segments = averaged ? Segments() : 0;
    int64_t n = ChooseFftSpan(m_source.cursor1, m_source.cursor2, m_source.samples).n;
    if (averaged) {
        if (segments == 0) {
            m_message->Say(GetUiString(IDS_SPECTRO_BAD_SEGMENTS)
                               .arg(spectro::kMinWelchSegments)
                               .arg(spectro::kMaxWelchSegments));
            m_segments->setFocus();
            return;
        }
        const int64_t length = std::llabs(m_source.cursor2 - m_source.cursor1);
        n = static_cast<int64_t>(spectro::WelchSegmentLength(length, segments));
        if (n < 2) {
            m_message->Say(GetUiString(IDS_SPECTRO_SHORT_FRAGMENT).arg(length).arg(segments));
            m_segments->setFocus();
            return;
        }
    }
    upper = SpectrumUpperLimitHz(upper, double(m_source.rate));
    if (lower < 0) lower = 0;
    if (lower >= upper) lower = 0;
    if (!(upper > lower)) {
        m_message->Say(DlgText("SPECTR.badupper"));
        m_upper->setFocus();
        return;
    }
    // The first row's frequency must fit a day and the rows per hertz must be a usable rate.
    const SpectrumCheck check = CheckSpectrum(fft, points, n, lower, upper, m_source.rate);
    if (check == SpectrumCheck::LowerTooHigh) {
        m_message->Say(GetUiString(IDS_SPECTRUM_LOWER_TOO_HIGH));
        m_lower->setFocus();
        return;
    }
    if (check == SpectrumCheck::RateNotUsable) {
        m_message->Say(GetUiString(IDS_SPECTRUM_RATE_UNUSABLE));
        m_upper->setFocus();
        return;
    }

    const int count = ListNumber(m_count);
    SpectrResult result;
    result.count = count;
    g_spectr.count = count;
    g_spectr.devices = m_source.devices;
    g_spectr.perDevice = m_source.perDevice;
    g_spectr.window = m_window->currentIndex();
    g_spectr.fft = fft ? 1 : 0;
    for (int i = 0; i < count; ++i) {
        g_spectr.device[i] = ListNumber(m_device[i]);
        g_spectr.channel[i] = ListNumber(m_channel[i]);
        result.sources[i] = m_source.Absolute(g_spectr.device[i], g_spectr.channel[i]);
    }
    if (!fft) g_spectr.points = static_cast<int>(points);
    g_spectr.lower = lower;
    g_spectr.upper = upper;
    result.points = static_cast<int>(points);
    result.lowerW = kTwoPi * lower;
    result.upperW = kTwoPi * upper;
    result.window = g_spectr.window;
    result.fft = g_spectr.fft;
    if (fft) {
        g_spectr.average = averaged ? 1 : 0;
        g_spectr.density = m_scaling->currentIndex() == 1 ? 1 : 0;
        if (averaged) g_spectr.segments = segments;
    }
    result.average = segments;
    result.density = averaged && m_scaling->currentIndex() == 1 ? 1 : 0;
    m_result = result;
    done(1);
}

int RunSpectrDialog(QWidget* owner, const DialogSource& source, SpectrResult* result) {
    SpectrDialog dialog(owner, source);
    if (ExecDialog(dialog) != 1) return 0;
    *result = dialog.Result();
    return 1;
}

} // namespace vistrel
