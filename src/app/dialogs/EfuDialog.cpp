#include "EfuDialog.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "core/common/StringIds.h"
#include "core/processing/ParamChecks.h"

namespace vistrel {

EfuDialog::EfuDialog(QWidget* owner, const QString& title, float frequency, double rate)
    : QDialog(owner), m_frequency(frequency), m_rate(rate) {
    setObjectName(QStringLiteral("EFU"));
    setWindowTitle(title);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(DlgText("EFU.label"), this), 0, 0);
    m_edit = new QLineEdit(FormatG(frequency), this);
    m_edit->setObjectName(QStringLiteral("1141"));
    grid->addWidget(m_edit, 0, 1);
    auto* run = new QPushButton(DlgText("EFU.1142"), this);
    run->setObjectName(QStringLiteral("1142"));
    run->setDefault(true);
    grid->addWidget(run, 0, 2);
    m_message = new MessageLine(this);
    grid->addWidget(m_message, 1, 0, 1, 3);
    connect(run, &QPushButton::clicked, this, &EfuDialog::OnExecute);
}

void EfuDialog::OnExecute() {
    // The field is read up to its seventh character.
    double v = -1;
    const bool parsed = ParseG(m_edit->text().left(7), &v);
    const float f = static_cast<float>(v);
    if (!parsed || !(f > 0) || !std::isfinite(f)) {
        m_message->Say(DlgText("EFU.bad"));
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    if (m_rate > 0 && !RmsFrequencyAllowed(f, m_rate)) {
        m_message->Say(GetUiString(IDS_RMS_ABOVE_HALF_RATE).arg(FormatG(RmsFrequencyLimit(m_rate))));
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_frequency = f;
    done(1);
}

int RunEfuDialog(QWidget* owner, const QString& title, float* frequency, double rate) {
    EfuDialog dialog(owner, title, *frequency, rate);
    if (ExecDialog(dialog) != 1) return 0;
    *frequency = dialog.Frequency();
    return 1;
}

} // namespace vistrel
