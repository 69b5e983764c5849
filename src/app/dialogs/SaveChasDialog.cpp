#include "SaveChasDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace vistrel {

namespace {

const int kLowIds[32] = {1070, 1074, 1076, 1078, 1080, 1082, 1084, 1086, 1114, 1116, 1118,
                         1120, 1122, 1124, 1126, 1128, 1072, 1088, 1090, 1092, 1094, 1096,
                         1098, 1100, 1130, 1132, 1134, 1136, 1138, 1140, 1142, 1144};
const int kHighIds[32] = {1071, 1075, 1077, 1079, 1081, 1083, 1085, 1087, 1115, 1117, 1119,
                          1121, 1123, 1125, 1127, 1129, 1073, 1089, 1091, 1093, 1095, 1097,
                          1099, 1101, 1131, 1133, 1135, 1137, 1139, 1141, 1143, 1147};

// The choice of the last OK, kept for the whole run.
struct ChannelSelection {
    int count = 0;
    int devices = 0, perDevice = 0;
    struct Row {
        int device = 1, channel = 1;
        float low = 0, high = 0;
        bool set = false;
    };
    std::array<Row, 32> rows{};
};
ChannelSelection g_selection;

} // namespace

int SaveChasDialog::LowId(int row) { return kLowIds[row]; }
int SaveChasDialog::HighId(int row) { return kHighIds[row]; }
void SaveChasDialog::ForgetRemembered() { g_selection = ChannelSelection{}; }

SaveChasDialog::SaveChasDialog(QWidget* owner, const DialogSource& source)
    : QDialog(owner), m_source(source) {
    setObjectName(QStringLiteral("SAVECHAS"));
    setWindowTitle(DlgText("SAVECHAS.title"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(DlgText("SAVECHAS.count"), this), 0, 0, 1, 3);
    m_count = NumberList(this, 1000, 32);
    grid->addWidget(m_count, 0, 3);
    for (int half = 0; half < 2; ++half) {
        const int col = half * 7;
        grid->addWidget(new QLabel(DlgText("SAVECHAS.number"), this), 1, col);
        grid->addWidget(new QLabel(DlgText("SAVECHAS.device"), this), 1, col + 1);
        grid->addWidget(new QLabel(DlgText("SAVECHAS.channel"), this), 1, col + 2);
        grid->addWidget(new QLabel(DlgText("SAVECHAS.ranges"), this), 1, col + 4, 1, 2);
    }
    const int P = std::max(1, m_source.perDevice);
    for (int j = 0; j < 32; ++j) {
        const int row = 2 + j % 16;
        const int col = (j / 16) * 7;
        grid->addWidget(new QLabel(QString::number(j + 1), this), row, col);
        m_device[j] = NumberList(this, DeviceId(j), std::max(1, m_source.devices));
        m_channel[j] = NumberList(this, ChannelId(j), P);
        m_set[j] = IdCheck(this, SetId(j), DlgText("SAVECHAS.set"));
        m_low[j] = IdEdit(this, LowId(j));
        m_high[j] = IdEdit(this, HighId(j));
        grid->addWidget(m_device[j], row, col + 1);
        grid->addWidget(m_channel[j], row, col + 2);
        grid->addWidget(m_set[j], row, col + 3);
        grid->addWidget(m_low[j], row, col + 4);
        grid->addWidget(m_high[j], row, col + 5);
    }
    m_message = new MessageLine(this);
    grid->addWidget(m_message, 18, 0, 1, 10);
    auto* ok = IdButton(this, 1, DlgText("SAVECHAS.1"));
    ok->setDefault(true);
    grid->addWidget(ok, 18, 10, 1, 3);

    // Restore the last choice when it was made on a recording of the same shape.
    if (g_selection.count > 0 && g_selection.devices == m_source.devices &&
        g_selection.perDevice == m_source.perDevice) {
        SelectNumber(m_count, g_selection.count);
        for (int j = 0; j < g_selection.count && j < 32; ++j) {
            const auto& r = g_selection.rows[j];
            SelectNumber(m_device[j], r.device);
            SelectNumber(m_channel[j], r.channel);
            m_low[j]->setText(FormatG(r.low));
            m_high[j]->setText(FormatG(r.high));
            m_set[j]->setChecked(r.set);
        }
    }

    auto refresh = [this] { Refresh(); };
    connect(m_count, &QComboBox::currentIndexChanged, this, refresh);
    for (int j = 0; j < 32; ++j) {
        connect(m_device[j], &QComboBox::currentIndexChanged, this, refresh);
        connect(m_channel[j], &QComboBox::currentIndexChanged, this, refresh);
        connect(m_set[j], &QCheckBox::toggled, this, refresh);
    }
    connect(ok, &QPushButton::clicked, this, &SaveChasDialog::OnOk);
    m_filling = false;
    Refresh();
}

int SaveChasDialog::RowChannelIndex(int j) const {
    return m_source.Absolute(ListNumber(m_device[j]), ListNumber(m_channel[j])) - 1;
}

void SaveChasDialog::Refresh() {
    if (m_filling) return;
    m_filling = true;  // the resets below would call back
    const int count = ListNumber(m_count);
    for (int j = 0; j < 32; ++j) {
        const bool active = j < count;
        if (active) {
            m_device[j]->setEnabled(m_source.devices > 1);
            m_channel[j]->setEnabled(true);
            m_set[j]->setEnabled(true);
            const bool own = m_set[j]->isChecked();
            m_low[j]->setEnabled(own);
            m_high[j]->setEnabled(own);
            if (!own) {
                const int c = RowChannelIndex(j);
                m_low[j]->setText(FormatG(m_source.Low(c)));
                m_high[j]->setText(FormatG(m_source.High(c)));
            }
        } else {
            m_device[j]->setEnabled(false);
            m_channel[j]->setEnabled(false);
            m_set[j]->setEnabled(false);
            m_set[j]->setChecked(false);
            m_low[j]->setEnabled(false);
            m_high[j]->setEnabled(false);
            m_low[j]->clear();
            m_high[j]->clear();
            m_device[j]->setCurrentIndex(0);
            m_channel[j]->setCurrentIndex(0);
        }
    }
    m_filling = false;
}

void SaveChasDialog::OnOk() {
    const int count = ListNumber(m_count);
    SaveChasResult result;
    ChannelSelection remembered;
    remembered.count = count;
    remembered.devices = m_source.devices;
    remembered.perDevice = m_source.perDevice;
    for (int j = 0; j < count; ++j) {
        const int c = RowChannelIndex(j);
        SavedChannel& out = result.rows[j];
        out.source = c + 1;
        out.low = m_source.Low(c);
        out.high = m_source.High(c);
        out.colour = m_source.Colour(c);
        double v = 0;
        if (m_set[j]->isChecked()) {
            // Own limits must be numbers; a typing slip is shown rather than saved silently.
            double lo = 0, hi = 0;
            if (!ParseG(m_low[j]->text().left(31), &lo) || !ParseG(m_high[j]->text().left(31), &hi)) {
                m_message->Say(DlgText("SAVECHAS.badlimit").arg(j + 1));
                (ParseG(m_low[j]->text(), &v) ? m_high[j] : m_low[j])->setFocus();
                return;
            }
            out.low = static_cast<float>(lo);
            out.high = static_cast<float>(hi);
        }
        auto& r = remembered.rows[j];
        r.device = ListNumber(m_device[j]);
        r.channel = ListNumber(m_channel[j]);
        r.low = out.low;
        r.high = out.high;
        r.set = m_set[j]->isChecked();
    }
    result.count = count;
    m_result = result;
    g_selection = remembered;
    done(1);
}

int RunSaveChasDialog(QWidget* owner, const DialogSource& source, SaveChasResult* result) {
    SaveChasDialog dialog(owner, source);
    if (ExecDialog(dialog) != 1) return 0;
    *result = dialog.Result();
    return 1;
}

} // namespace vistrel
