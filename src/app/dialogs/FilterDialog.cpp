#include "FilterDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

#include "core/common/StringIds.h"
#include "core/processing/filters/SosFilter.h"

namespace vistrel {

namespace {

// The values of the last accepted dialog, for the life of the process.
FilterParams g_remembered;

constexpr int kPlotPoints = 240;

QLineEdit* NamedEdit(QWidget* parent, const char* name, double value) {
    auto* e = new QLineEdit(FormatG(value), parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QSpinBox* NamedSpin(QWidget* parent, const char* name, int lo, int hi, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(lo, hi);
    s->setValue(std::clamp(value, lo, hi));
    return s;
}

} // namespace

FilterResponsePlot::FilterResponsePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("response"));
    setMinimumSize(360, 180);
}

void FilterResponsePlot::SetResponse(const filters::Sections& sos, double fs, bool zeroPhase) {
    m_zeroPhase = zeroPhase;
    m_points = sos.empty() ? std::vector<filters::ResponsePoint>{} : filters::ResponseCurve(sos, fs, kPlotPoints, zeroPhase);
    update();
}

void FilterResponsePlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF area = QRectF(rect()).adjusted(34, 6, -34, -6);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 0));
    // Magnitude from +10 dB down to -100 dB, a grid line every 10 dB.
    const double top = 10.0, bottom = -100.0;
    const auto yOf = [&](double db) { return area.top() + (top - std::clamp(db, bottom, top)) / (top - bottom) * area.height(); };
    for (double db = top; db >= bottom; db -= 10.0) {
        p.drawLine(QPointF(area.left(), yOf(db)), QPointF(area.right(), yOf(db)));
        if (static_cast<int>(db) % 20 == 0)
            p.drawText(QRectF(0, yOf(db) - 8, 32, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(db));
    }
    p.drawRect(area);
    if (m_points.size() < 2)
        return;
    const double lo = std::log(m_points.front().hz), hi = std::log(m_points.back().hz);
    const auto xOf = [&](double hz) { return area.left() + (std::log(hz) - lo) / (hi - lo) * area.width(); };
    // Decades of frequency.
    for (double d = std::pow(10.0, std::ceil(lo / std::log(10.0))); d <= m_points.back().hz; d *= 10.0)
        p.drawLine(QPointF(xOf(d), area.top()), QPointF(xOf(d), area.bottom()));
    QPainterPath magnitude;
    for (size_t i = 0; i < m_points.size(); ++i) {
        const QPointF pt(xOf(m_points[i].hz), yOf(m_points[i].db));
        i == 0 ? magnitude.moveTo(pt) : magnitude.lineTo(pt);
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x00, 0x00, 0xC0), 2));
    p.drawPath(magnitude);
    if (m_zeroPhase)
        return;
    // Phase on its own scale, from the largest turn of the curve to 0 and up.
    double minDeg = 0, maxDeg = 0;
    for (const auto& pt : m_points) {
        minDeg = std::min(minDeg, pt.degrees);
        maxDeg = std::max(maxDeg, pt.degrees);
    }
    if (maxDeg - minDeg < 1.0)
        maxDeg = minDeg + 1.0;
    QPainterPath phase;
    for (size_t i = 0; i < m_points.size(); ++i) {
        const double y = area.top() + (maxDeg - m_points[i].degrees) / (maxDeg - minDeg) * area.height();
        const QPointF pt(xOf(m_points[i].hz), y);
        i == 0 ? phase.moveTo(pt) : phase.lineTo(pt);
    }
    p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 1, Qt::DashLine));
    p.drawPath(phase);
}

void FilterDialog::ForgetRemembered() {
    g_remembered = FilterParams{};
}

FilterDialog::FilterDialog(QWidget* owner, FilterDialogMode mode, double rate, int64_t fragment)
    : QDialog(owner), m_mode(mode), m_rate(rate), m_fragment(fragment), m_params(g_remembered) {
    setObjectName(QStringLiteral("FILTER"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    auto label = [&](int id) { grid->addWidget(new QLabel(GetUiString(id), this), row, 0); };
    const filters::FilterSettings& f = m_params.filter;
    const filters::NotchSettings& n = m_params.notch;
    switch (mode) {
    case FilterDialogMode::Filter:
        setWindowTitle(GetUiString(IDS_FILTER_TITLE));
        label(IDS_FILTER_DESIGN);
        m_design = new QComboBox(this);
        m_design->setObjectName(QStringLiteral("1600"));
        for (int id : {IDS_FILTER_BUTTERWORTH, IDS_FILTER_CHEBYSHEV1, IDS_FILTER_BESSEL})
            m_design->addItem(GetUiString(id));
        m_design->setCurrentIndex(static_cast<int>(f.design));
        grid->addWidget(m_design, row++, 1);
        label(IDS_FILTER_BAND);
        m_band = new QComboBox(this);
        m_band->setObjectName(QStringLiteral("1601"));
        for (int id : {IDS_FILTER_LOWPASS, IDS_FILTER_HIGHPASS, IDS_FILTER_BANDPASS, IDS_FILTER_BANDSTOP})
            m_band->addItem(GetUiString(id));
        m_band->setCurrentIndex(static_cast<int>(f.band));
        grid->addWidget(m_band, row++, 1);
        label(IDS_FILTER_ORDER);
        m_order = NamedSpin(this, "1602", filters::kMinOrder, filters::kMaxOrder, f.order);
        grid->addWidget(m_order, row++, 1);
        label(IDS_FILTER_CUTOFF);
        m_cutoff = NamedEdit(this, "1603", f.f1);
        grid->addWidget(m_cutoff, row++, 1);
        label(IDS_FILTER_UPPER);
        m_upper = NamedEdit(this, "1604", f.f2 > 0 ? f.f2 : 2.0 * f.f1);
        grid->addWidget(m_upper, row++, 1);
        label(IDS_FILTER_RIPPLE);
        m_ripple = NamedEdit(this, "1605", f.rippleDb);
        grid->addWidget(m_ripple, row++, 1);
        break;
    case FilterDialogMode::Notch:
        setWindowTitle(GetUiString(IDS_NOTCH_TITLE));
        label(IDS_NOTCH_FREQUENCY);
        m_frequency = NamedEdit(this, "1606", n.frequency);
        grid->addWidget(m_frequency, row++, 1);
        label(IDS_NOTCH_HARMONICS);
        m_harmonics = NamedSpin(this, "1607", 1, filters::kMaxHarmonics, n.harmonics);
        grid->addWidget(m_harmonics, row++, 1);
        label(IDS_NOTCH_Q);
        m_q = NamedEdit(this, "1608", n.q);
        grid->addWidget(m_q, row++, 1);
        break;
    case FilterDialogMode::Detrend:
        setWindowTitle(GetUiString(IDS_DETREND_TITLE));
        m_mean = new QRadioButton(GetUiString(IDS_DETREND_MEAN), this);
        m_mean->setObjectName(QStringLiteral("1610"));
        m_linear = new QRadioButton(GetUiString(IDS_DETREND_LINEAR), this);
        m_linear->setObjectName(QStringLiteral("1611"));
        (m_params.linearTrend ? m_linear : m_mean)->setChecked(true);
        grid->addWidget(m_mean, row++, 0, 1, 2);
        grid->addWidget(m_linear, row++, 0, 1, 2);
        break;
    }
    if (mode != FilterDialogMode::Detrend) {
        m_zeroPhase = new QCheckBox(GetUiString(IDS_FILTER_ZERO_PHASE), this);
        m_zeroPhase->setObjectName(QStringLiteral("1609"));
        m_zeroPhase->setChecked(m_params.zeroPhase);
        grid->addWidget(m_zeroPhase, row++, 0, 1, 2);
        grid->addWidget(new QLabel(GetUiString(IDS_FILTER_RESPONSE), this), row++, 0, 1, 2);
        m_plot = new FilterResponsePlot(this);
        grid->addWidget(m_plot, row++, 0, 1, 2);
    }
    auto* run = new QPushButton(GetUiString(IDS_FILTER_EXECUTE), this);
    run->setObjectName(QStringLiteral("1612"));
    run->setDefault(true);
    grid->addWidget(run, row++, 1);
    m_message = new MessageLine(this);
    grid->addWidget(m_message, row++, 0, 1, 2);
    connect(run, &QPushButton::clicked, this, &FilterDialog::OnExecute);
    // The plot and the enabled fields follow every change.
    for (QComboBox* c : {m_design, m_band})
        if (c)
            connect(c, &QComboBox::currentIndexChanged, this, &FilterDialog::UpdateFields);
    for (QSpinBox* s : {m_order, m_harmonics})
        if (s)
            connect(s, &QSpinBox::valueChanged, this, &FilterDialog::UpdateFields);
    for (QLineEdit* e : {m_cutoff, m_upper, m_ripple, m_frequency, m_q})
        if (e)
            connect(e, &QLineEdit::textChanged, this, &FilterDialog::UpdateFields);
    if (m_zeroPhase)
        connect(m_zeroPhase, &QCheckBox::toggled, this, &FilterDialog::UpdateFields);
    UpdateFields();
}

bool FilterDialog::LongEnough(const filters::Sections& sos, const FilterParams& params, QString* reason) const {
    const int64_t pad = filters::PadLength(sos);
    if (!params.zeroPhase || m_fragment > pad)
        return true;
    *reason = GetUiString(IDS_FILTER_SHORT_FRAGMENT).arg(m_fragment).arg(pad);
    return false;
}

bool FilterDialog::ReadFields(FilterParams& params, QString* reason) const {
    const double nyquist = m_rate / 2.0;
    const auto number = [](const QLineEdit* e, double* v) { return ParseG(e->text(), v) && std::isfinite(*v); };
    const auto frequency = [&](QLineEdit* e, double* v) {
        if (number(e, v) && *v > 0 && *v < nyquist)
            return true;
        *reason = GetUiString(IDS_FILTER_BAD_CUTOFF).arg(FormatG(nyquist));
        return false;
    };
    if (m_zeroPhase)
        params.zeroPhase = m_zeroPhase->isChecked();
    switch (m_mode) {
    case FilterDialogMode::Filter: {
        filters::FilterSettings& f = params.filter;
        f.design = static_cast<filters::Design>(m_design->currentIndex());
        f.band = static_cast<filters::Band>(m_band->currentIndex());
        f.order = m_order->value();
        if (!frequency(m_cutoff, &f.f1))
            return false;
        if (filters::IsBandFilter(f.band)) {
            if (!frequency(m_upper, &f.f2))
                return false;
            if (!(f.f1 < f.f2)) {
                *reason = GetUiString(IDS_FILTER_BAD_EDGES);
                return false;
            }
        }
        if (f.design == filters::Design::Chebyshev1 &&
            !(number(m_ripple, &f.rippleDb) && f.rippleDb > 0 && f.rippleDb <= 40)) {
            *reason = GetUiString(IDS_FILTER_BAD_RIPPLE);
            return false;
        }
        return filters::CheckFilter(f, m_rate).empty() && LongEnough(filters::DesignFilter(f, m_rate), params, reason);
    }
    case FilterDialogMode::Notch: {
        filters::NotchSettings& n = params.notch;
        n.harmonics = m_harmonics->value();
        if (!frequency(m_frequency, &n.frequency))
            return false;
        if (n.frequency * n.harmonics >= nyquist) {
            *reason = GetUiString(IDS_NOTCH_BAD_HARMONIC).arg(FormatG(n.frequency * n.harmonics), FormatG(nyquist));
            return false;
        }
        if (!(number(m_q, &n.q) && n.q > 0)) {
            *reason = GetUiString(IDS_NOTCH_BAD_Q);
            return false;
        }
        return filters::CheckNotch(n, m_rate).empty() && LongEnough(filters::DesignNotch(n, m_rate), params, reason);
    }
    case FilterDialogMode::Detrend:
        params.linearTrend = m_linear->isChecked();
        return true;
    }
    return false;
}

void FilterDialog::UpdateFields() {
    if (m_mode == FilterDialogMode::Filter) {
        m_upper->setEnabled(filters::IsBandFilter(static_cast<filters::Band>(m_band->currentIndex())));
        m_ripple->setEnabled(m_design->currentIndex() == static_cast<int>(filters::Design::Chebyshev1));
    }
    if (!m_plot)
        return;
    FilterParams params = m_params;
    QString reason;
    filters::Sections sos;
    if (ReadFields(params, &reason))
        sos = m_mode == FilterDialogMode::Notch ? filters::DesignNotch(params.notch, m_rate)
                                                : filters::DesignFilter(params.filter, m_rate);
    m_plot->SetResponse(sos, m_rate, params.zeroPhase);
}

void FilterDialog::OnExecute() {
    FilterParams params = m_params;
    QString reason;
    if (!ReadFields(params, &reason)) {
        m_message->Say(reason);
        return;
    }
    m_params = params;
    g_remembered = params;
    done(1);
}

int RunFilterDialog(QWidget* owner, FilterDialogMode mode, double rate, int64_t fragment, FilterParams* params) {
    FilterDialog dialog(owner, mode, rate, fragment);
    if (ExecDialog(dialog) != 1)
        return 0;
    *params = dialog.Params();
    return 1;
}

} // namespace vistrel
