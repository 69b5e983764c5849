#include "SpectrogramPanel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <vector>

#include "PlotWindow.h"
#include "core/common/StringIds.h"
#include "core/recording/DataFile.h"
#include "shell/UiUtils.h"
#include "platform/Threads.h"

namespace vistrel {

namespace {

constexpr int kTopMargin = 4;
constexpr int kBottomMargin = 4;

// The frequency-axis labels: multiples of a 1-2-5 step, about one per 40 rows.
double AxisStep(double nyquist, int rows) {
    const double raw = nyquist / std::max(1, rows / 40);
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * decade >= raw)
            return m * decade;
    return 10.0 * decade;
}

QString HzText(double hz) {
    return hz >= 1000.0 ? QString::number(hz / 1000.0, 'g', 4) + QStringLiteral("k") : QString::number(hz, 'g', 4);
}

} // namespace

SpectrogramSettings& SpectrogramPanel::Defaults() {
    static SpectrogramSettings settings;
    return settings;
}

SpectrogramPanel::SpectrogramPanel(PlotWindow* owner) : QWidget(owner), m_owner(owner), m_settings(Defaults()) {
    setObjectName(QStringLiteral("spectrogram"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

SpectrogramPanel::~SpectrogramPanel() {
    Detach();
}

void SpectrogramPanel::Detach() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_pending = false;
        ++m_generation;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    std::lock_guard lock(m_mutex);
    m_quit = false;
    m_running = false;
    m_lastAsked = Request();
    m_idle.notify_all();
}

void SpectrogramPanel::SetSettings(const SpectrogramSettings& settings) {
    m_settings = settings;
    Defaults() = settings;
    m_lastAsked = Request(); // asks anew
    Follow();
}

int SpectrogramPanel::HeightFor(int height) {
    return std::clamp(height / 3, 60, 400);
}

QRect SpectrogramPanel::PictureRect() const {
    const CPlotWnd* plot = m_owner->Plot();
    if (!plot)
        return QRect();
    const CursorGeometry g = plot->Geometry();
    return QRect(g.left, kTopMargin, std::max(0, g.right - g.left), std::max(0, height() - kTopMargin - kBottomMargin));
}

void SpectrogramPanel::Follow() {
    const CPlotWnd* plot = m_owner->Plot();
    const CDataFile* file = m_owner->File();
    if (!plot || !file || !file->IsOpen() || isHidden()) // the picture tool never shows its window
        return;
    const QRect area = PictureRect();
    if (area.width() < 1 || area.height() < 1)
        return;
    const CursorGeometry g = plot->Geometry();
    Request rq;
    rq.file = file;
    rq.channel = std::clamp(plot->m_selectedChannel, 0, std::max(0, file->Channels() - 1));
    rq.rate = static_cast<double>(file->Rate());
    rq.left = area.left();
    rq.rangeDb = m_settings.rangeDb;
    rq.picture.from = static_cast<int64_t>(std::floor(std::max(0.0, g.S0)));
    rq.picture.to = static_cast<int64_t>(std::ceil(std::max(g.S0, g.S1)));
    rq.picture.samples = file->Samples();
    rq.picture.width = area.width();
    rq.picture.height = area.height();
    rq.picture.settings = m_settings.stft;
    const Request& last = m_lastAsked;
    if (last.file == rq.file && last.channel == rq.channel && last.picture.from == rq.picture.from &&
        last.picture.to == rq.picture.to && last.picture.width == rq.picture.width &&
        last.picture.height == rq.picture.height && last.picture.settings.size == rq.picture.settings.size &&
        last.picture.settings.overlapPercent == rq.picture.settings.overlapPercent &&
        last.picture.settings.window == rq.picture.settings.window && last.rangeDb == rq.rangeDb)
        return;
    {
        std::lock_guard lock(m_mutex);
        rq.generation = ++m_generation; // the computation under way stops at its next frame
        m_next = rq;
        m_pending = true;
    }
    m_lastAsked = rq;
    StartWorker();
    m_wake.notify_all();
}

void SpectrogramPanel::StartWorker() {
    if (m_worker.joinable())
        return;
    m_worker = std::thread([this] { WorkerLoop(); });
}

void SpectrogramPanel::WorkerLoop() {
    const int workers = std::clamp(platform::AvailableCores(), 1, 8);
    for (;;) {
        Request rq;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_quit || m_pending; });
            if (m_quit)
                return;
            rq = m_next;
            m_pending = false;
            m_running = true;
        }
        const CDataFile* file = rq.file;
        const int channel = rq.channel;
        const spectro::SampleReader read = [file, channel](int64_t first, size_t count, double* out) {
            thread_local std::vector<float> values;
            values.resize(count);
            file->ReadRows(static_cast<uint64_t>(first), count, &channel, 1, values.data());
            for (size_t i = 0; i < count; ++i)
                out[i] = static_cast<double>(values[i]);
        };
        spectro::Picture picture;
        std::string error;
        const uint64_t generation = rq.generation;
        const bool ok = spectro::ComputePicture(rq.picture, rq.rate, read, picture, error,
                                                [this, generation](uint64_t, uint64_t) { return m_generation.load() == generation; },
                                                workers);
        if (ok || !error.empty()) {
            QPointer<SpectrogramPanel> self(this);
            const QString text = ok ? QString() : GetUiString(IDS_SPECTRO_NO_PICTURE);
            QMetaObject::invokeMethod(this, [self, rq, picture = std::move(picture), text]() mutable {
                if (self)
                    self->Accept(rq, std::move(picture), text);
            }, Qt::QueuedConnection);
        }
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_idle.notify_all();
    }
}

void SpectrogramPanel::Accept(const Request& request, spectro::Picture picture, QString error) {
    if (request.generation < m_shownRequest.generation)
        return; // older than what is shown
    m_shownRequest = request;
    m_error = error;
    m_picture = std::move(picture);
    m_image = QImage();
    if (m_error.isEmpty() && m_picture.width > 0) {
        m_image = QImage(m_picture.width, m_picture.height, QImage::Format_RGB32);
        for (int y = 0; y < m_picture.height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
            for (int x = 0; x < m_picture.width; ++x) {
                const spectro::Rgb c = spectro::LevelColour(m_picture.LevelAt(x, y), request.rangeDb);
                line[x] = qRgb(c.r, c.g, c.b);
            }
        }
    }
    ++m_completed;
    update();
}

bool SpectrogramPanel::WaitIdle(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    for (;;) {
        bool idle;
        {
            std::unique_lock lock(m_mutex);
            m_idle.wait_for(lock, std::chrono::milliseconds(5), [&] { return !m_pending && !m_running; });
            idle = !m_pending && !m_running;
        }
        QCoreApplication::processEvents();
        if (idle)
            return true;
        if (deadline.hasExpired())
            return false;
    }
}

QString SpectrogramPanel::ReadOutAt(int x, int y) const {
    const QRect area = PictureRect();
    const int px = x - m_shownRequest.left, py = y - area.top();
    if (m_picture.width == 0 || px < 0 || py < 0 || px >= m_picture.width || py >= m_picture.height)
        return QString();
    const float level = m_picture.LevelAt(px, py);
    return GetUiString(IDS_SPECTRO_READOUT)
        .arg(QString::number(m_picture.FrequencyAt(py), 'f', 1),
             std::isfinite(level) ? QString::number(level, 'f', 1) : QStringLiteral("-inf"));
}

void SpectrogramPanel::Paint(QPainter& p) const {
    p.fillRect(QRect(0, 0, width(), height()), palette().window());
    const QRect area = PictureRect();
    if (!m_error.isEmpty()) {
        p.drawText(area, Qt::AlignCenter, m_error);
        return;
    }
    if (m_image.isNull() || area.isEmpty())
        return;
    p.drawImage(QRect(m_shownRequest.left, area.top(), m_image.width(), m_image.height()), m_image);
    // The frequency axis in the margin left of the picture.
    const double nyquist = m_picture.rate / 2.0;
    const double step = AxisStep(nyquist, area.height());
    p.setPen(palette().windowText().color());
    const QFontMetrics fm(p.font());
    for (double hz = 0.0; hz <= nyquist + 1e-9 * nyquist; hz += step) {
        const int y = area.top() + static_cast<int>(std::lround((1.0 - hz / nyquist) * (area.height() - 1)));
        p.drawLine(area.left() - 4, y, area.left() - 1, y);
        const QString text = HzText(hz);
        p.drawText(QRect(0, y - fm.height() / 2, area.left() - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   text);
    }
    p.drawText(QRect(2, 0, area.left(), fm.height()), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Hz"));
}

void SpectrogramPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Paint(p);
}

void SpectrogramPanel::mouseMoveEvent(QMouseEvent* e) {
    m_owner->SetStatusPart(2, ReadOutAt(static_cast<int>(e->position().x()), static_cast<int>(e->position().y())));
}

void SpectrogramPanel::leaveEvent(QEvent*) {
    m_owner->SetStatusPart(2, QString());
}

void SpectrogramPanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Follow();
}

} // namespace vistrel
