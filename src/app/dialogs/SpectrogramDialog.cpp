#include "SpectrogramDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "core/common/StringIds.h"

namespace vistrel {

SpectrogramDialog::SpectrogramDialog(QWidget* owner, const SpectrogramSettings& settings)
    : QDialog(owner), m_result(settings) {
    setObjectName(QStringLiteral("SPECTROGRAM"));
    setWindowTitle(GetUiString(IDS_SPECTRO_TITLE));
    auto* grid = new QGridLayout(this);
    const int labels[] = {IDS_SPECTRO_SIZE, IDS_SPECTRO_OVERLAP, IDS_SPECTRO_WINDOW, IDS_SPECTRO_RANGE};
    for (int row = 0; row < 4; ++row)
        grid->addWidget(new QLabel(GetUiString(labels[row]), this), row, 0);
    m_size = IdEdit(this, kSizeId);
    m_size->setText(QString::number(settings.stft.size));
    grid->addWidget(m_size, 0, 1);
    m_overlap = IdEdit(this, kOverlapId);
    m_overlap->setText(FormatG(settings.stft.overlapPercent));
    grid->addWidget(m_overlap, 1, 1);
    m_window = new QComboBox(this);
    m_window->setObjectName(QString::number(kWindowId));
    m_window->addItem(GetUiString(236));
    for (const char* name : {"Gauss", "Hamming", "Hann", "Blackmann-Harris"})
        m_window->addItem(QString::fromLatin1(name));
    m_window->setCurrentIndex(std::clamp(settings.stft.window, 0, 4));
    grid->addWidget(m_window, 2, 1);
    m_range = IdEdit(this, kRangeId);
    m_range->setText(FormatG(settings.rangeDb));
    grid->addWidget(m_range, 3, 1);
    m_message = new MessageLine(this);
    grid->addWidget(m_message, 4, 0, 1, 2);
    auto* apply = IdButton(this, kApplyId, GetUiString(IDS_SPECTRO_APPLY));
    apply->setDefault(true);
    grid->addWidget(apply, 5, 1);
    connect(apply, &QPushButton::clicked, this, &SpectrogramDialog::OnApply);
}

void SpectrogramDialog::OnApply() {
    long long size = 0;
    if (!ParseWhole(m_size->text().left(31), &size) || size < static_cast<long long>(spectro::kMinStftSize) ||
        size > static_cast<long long>(spectro::kMaxStftSize)) {
        m_message->Say(GetUiString(IDS_SPECTRO_BAD_SIZE).arg(spectro::kMinStftSize).arg(spectro::kMaxStftSize));
        m_size->setFocus();
        return;
    }
    double overlap = 0;
    if (!ParseG(m_overlap->text().left(31), &overlap) || !(overlap >= 0.0 && overlap <= spectro::kMaxOverlapPercent)) {
        m_message->Say(GetUiString(IDS_SPECTRO_BAD_OVERLAP).arg(spectro::kMaxOverlapPercent));
        m_overlap->setFocus();
        return;
    }
    double range = 0;
    if (!ParseG(m_range->text().left(31), &range) ||
        !(range >= kMinSpectrogramRangeDb && range <= kMaxSpectrogramRangeDb)) {
        m_message->Say(GetUiString(IDS_SPECTRO_BAD_RANGE).arg(kMinSpectrogramRangeDb).arg(kMaxSpectrogramRangeDb));
        m_range->setFocus();
        return;
    }
    m_result.stft.size = static_cast<size_t>(size);
    m_result.stft.overlapPercent = overlap;
    m_result.stft.window = m_window->currentIndex();
    m_result.rangeDb = range;
    done(1);
}

int RunSpectrogramDialog(QWidget* owner, SpectrogramSettings* settings) {
    SpectrogramDialog dialog(owner, *settings);
    if (ExecDialog(dialog) != 1)
        return 0;
    *settings = dialog.Result();
    return 1;
}

} // namespace vistrel
