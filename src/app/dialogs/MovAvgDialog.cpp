#include "MovAvgDialog.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <climits>

#include "core/common/StringIds.h"

namespace vistrel {

MovAvgDialog::MovAvgDialog(QWidget* owner, const QString& title) : QDialog(owner) {
    setObjectName(QStringLiteral("MOVAVG"));
    setWindowTitle(title);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(DlgText("MOVAVG.label"), this), 0, 0);
    m_edit = new QLineEdit(QStringLiteral("10"), this);
    m_edit->setObjectName(QStringLiteral("1069"));
    grid->addWidget(m_edit, 0, 1);
    auto* ok = new QPushButton(DlgText("MOVAVG.1"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    grid->addWidget(ok, 0, 2);
    m_message = new MessageLine(this);
    grid->addWidget(m_message, 1, 0, 1, 3);
    connect(ok, &QPushButton::clicked, this, &MovAvgDialog::OnOk);
}

void MovAvgDialog::OnOk() {
    long long n = 0;
    double number = 0;
    const bool whole = ParseWhole(m_edit->text(), &n);
    if (!whole || n < 2 || n > INT_MAX) {
        // A number with a fraction is named as such; anything else gets the range.
        m_message->Say(!whole && ParseG(m_edit->text(), &number) ? NotWholeText(m_edit->text())
                                                                 : DlgText("MOVAVG.bad"));
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_factor = static_cast<int>(n);
    done(m_factor);
}

int RunMovAvgDialog(QWidget* owner, const QString& title) {
    MovAvgDialog dialog(owner, title);
    return ExecDialog(dialog) > 1 ? dialog.Factor() : 0;
}

} // namespace vistrel
