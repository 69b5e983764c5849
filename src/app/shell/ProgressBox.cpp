#include "shell/ProgressBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "core/common/StringIds.h"
#include "shell/UiUtils.h"

namespace vistrel {

CProgressBox::CProgressBox(QWidget* owner, Qt::WindowModality modality, Stop stop)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("PERSENT"));
    setWindowTitle(qtTrId("PERSENT.title"));
    setWindowModality(modality);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_number = new QLabel(QStringLiteral("0"), this);
    m_number->setObjectName(QStringLiteral("1067"));
    m_number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_number->setMinimumWidth(40);
    auto* pct = new QLabel(qtTrId("PERSENT.percent"), this);
    row->addStretch(1);
    row->addWidget(m_number);
    row->addWidget(pct);
    row->addStretch(1);
    layout->addLayout(row);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("1068"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(240);
    layout->addWidget(m_bar);
    if (stop == Stop::Cancellable) AddCancelButton(layout);
    adjustSize();
    if (owner) {
        const QPoint topLeft = owner->mapToGlobal(QPoint(0, 0));
        move(topLeft.x() + (owner->width() - width()) / 2, topLeft.y() + (owner->height() - height()) / 2);
    }
    show();
    repaint();
}

void CProgressBox::setPercent(unsigned percent) {
    if (m_closing) return;
    m_percent = percent;
    m_number->setText(QString::number(percent));
    m_bar->setValue(static_cast<int>(std::min(percent, 100u)));
    if (percent >= 100) {
        m_closing = true;
        hide();
        deleteLater();
    }
}

void CProgressBox::AddCancelButton(QVBoxLayout* layout) {
    m_cancel = new QPushButton(GetUiString(IDS_PROGRESS_CANCEL), this);
    m_cancel->setObjectName(QStringLiteral("2"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_cancelPressed || m_closing) return;
        m_cancelPressed = true;
        m_cancel->setEnabled(false);
        m_cancel->setText(GetUiString(IDS_PROGRESS_STOPPING));
        emit cancelRequested();
    });
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_cancel);
    row->addStretch(1);
    layout->addLayout(row);
}

void CProgressBox::setTitle(const QString& title) { setWindowTitle(title); }

void CProgressBox::closeEvent(QCloseEvent* event) {
    // The box closes only by its percent; a job is stopped through the Cancel button.
    if (!m_closing) event->ignore();
}

void CProgressBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return; // Esc does not close the box
    QDialog::keyPressEvent(event);
}

namespace {
// The box lives on the user-interface thread and may be deleted there at any moment: another
// thread never looks at the pointer itself but queues the call to the application object (on the
// user-interface thread for the whole run), where the pointer is read.
template <typename F>
void RunOnBoxThread(const QPointer<CProgressBox>& box, F&& f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        if (CProgressBox* b = box.data()) f(b);
        return;
    }
    QMetaObject::invokeMethod(
        app, [box, f]() { if (CProgressBox* p = box.data()) f(p); }, Qt::BlockingQueuedConnection);
}
} // namespace

void PostProgressPercent(const QPointer<CProgressBox>& box, unsigned percent) {
    RunOnBoxThread(box, [percent](CProgressBox* b) { b->setPercent(percent); });
}

void PostProgressTitle(const QPointer<CProgressBox>& box, const QString& title) {
    RunOnBoxThread(box, [title](CProgressBox* b) { b->setTitle(title); });
}

} // namespace vistrel
