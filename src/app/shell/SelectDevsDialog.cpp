#include "shell/SelectDevsDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/recording/DataFile.h"

namespace vistrel {

namespace {
ShellDialogHook g_dialogHook;
constexpr int kFirstDeviceBox = 1143;
constexpr int kDeviceBoxes = 8;
} // namespace

void SetShellDialogHook(ShellDialogHook hook) { g_dialogHook = std::move(hook); }

int ExecShellDialog(QDialog& dialog) {
    if (!g_dialogHook) return dialog.exec();
    dialog.setResult(0);
    dialog.show();
    g_dialogHook(dialog);
    if (dialog.isVisible()) dialog.done(0);
    return dialog.result();
}

CSelectDevsDialog::CSelectDevsDialog(QWidget* owner, int devices) : QDialog(owner), m_devices(devices) {
    setObjectName(QStringLiteral("SELECTDEVS"));
    setWindowTitle(qtTrId("SELECTDEVS.title"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(qtTrId("SELECTDEVS.label"), this));
    for (int i = 0; i < kDeviceBoxes; ++i) {
        const QString text = qtTrId("SELECTDEVS.device");
        auto* box = new QCheckBox(text.contains(QLatin1String("%1")) ? text.arg(i + 1)
                                                                     : text + QLatin1Char(' ') + QString::number(i + 1),
                                  this);
        box->setObjectName(QString::number(kFirstDeviceBox + i));
        const bool present = i < devices;
        box->setEnabled(present);
        box->setChecked(present);
        layout->addWidget(box);
    }
    auto* save = new QPushButton(qtTrId("SELECTDEVS.1"), this);
    save->setObjectName(QStringLiteral("1"));
    save->setDefault(true);
    layout->addWidget(save);
    connect(save, &QPushButton::clicked, this, [this] {
        m_mask = CheckedMask();
        m_saved = true;
        done(0);
    });
}

uint8_t CSelectDevsDialog::CheckedMask() const {
    uint8_t mask = 0;
    for (int i = 0; i < kDeviceBoxes && i < m_devices; ++i) {
        auto* box = findChild<QCheckBox*>(QString::number(kFirstDeviceBox + i));
        if (box && box->isChecked()) mask |= static_cast<uint8_t>(1u << i);
    }
    return mask;
}

uint8_t RunSelectDevsDialog(QWidget* owner, int devices) {
    CSelectDevsDialog dlg(owner, devices);
    ExecShellDialog(dlg);
    return dlg.Mask();
}

bool RunSelectDevsDialog(QWidget* owner, CDataFile* file) {
    if (!file) return false;
    file->SetDeviceMask(0);
    CSelectDevsDialog dlg(owner, file->Devices());
    ExecShellDialog(dlg);
    file->SetDeviceMask(dlg.Mask());
    return dlg.SavePressed();
}

} // namespace vistrel
