#include "AxbDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include "core/common/DebugLog.h"
#include "core/common/StringIds.h"
#include "core/processing/LinearCoeffs.h"
#include "core/processing/ParamChecks.h"

namespace vistrel {

namespace {
const int kAIds[32] = {1071, 1073, 1075, 1077, 1079, 1081, 1083, 1085, 1087, 1089, 1091,
                       1099, 1100, 1093, 1095, 1097, 1103, 1105, 1107, 1109, 1111, 1113,
                       1115, 1116, 1119, 1121, 1123, 1125, 1127, 1129, 1131, 1132};
const int kBIds[32] = {1072, 1074, 1076, 1078, 1080, 1082, 1084, 1086, 1088, 1090, 1092,
                       1101, 1102, 1094, 1096, 1098, 1104, 1106, 1108, 1110, 1112, 1114,
                       1117, 1118, 1120, 1122, 1124, 1126, 1128, 1130, 1133, 1134};
} // namespace

int AxbDialog::AId(int row) { return kAIds[row]; }
int AxbDialog::BId(int row) { return kBIds[row]; }

QString DeviceTabTitle(int device) {
    QString format = GetUiString(226);
    if (format.contains(QLatin1String("%d"))) return format.replace(QLatin1String("%d"), QString::number(device));
    if (format.contains(QLatin1String("%1"))) return format.arg(device);
    return format + QLatin1Char(' ') + QString::number(device);
}

AxbDialog::AxbDialog(QWidget* owner, const QString& title, const DialogSource& source, float* coeffA,
                     float* coeffB)
    : QDialog(owner), m_source(source), m_a(coeffA), m_b(coeffB) {
    setObjectName(QStringLiteral("AXB"));
    setWindowTitle(title);
    auto* grid = new QGridLayout(this);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("1001"));
    m_pages = ChannelPages(m_source.devices, m_source.perDevice);
    for (const ChannelPage& page : m_pages) m_tabs->addTab(ChannelPageTitle(page, m_source.perDevice));
    grid->addWidget(m_tabs, 0, 0, 1, 6);
    for (int half = 0; half < 2; ++half) {
        grid->addWidget(new QLabel(DlgText("AXB.chan"), this), 1, half * 3);
        grid->addWidget(new QLabel(DlgText("AXB.a"), this), 1, half * 3 + 1);
        grid->addWidget(new QLabel(DlgText("AXB.b"), this), 1, half * 3 + 2);
    }
    for (int i = 0; i < 32; ++i) {
        const int line = 2 + i % 16;
        const int col = (i / 16) * 3;
        m_labels[i] = new QLabel(this);
        m_aEdit[i] = IdEdit(this, kAIds[i]);
        m_bEdit[i] = IdEdit(this, kBIds[i]);
        grid->addWidget(m_labels[i], line, col);
        grid->addWidget(m_aEdit[i], line, col + 1);
        grid->addWidget(m_bEdit[i], line, col + 2);
    }
    auto* allAs = IdButton(this, 1136, DlgText("AXB.1136"));
    m_allAsList = new QComboBox(this);
    m_allAsList->setObjectName(QStringLiteral("1139"));
    auto* clear = IdButton(this, 3, DlgText("AXB.3"));
    auto* open = IdButton(this, 4, DlgText("AXB.4"));
    auto* save = IdButton(this, 1137, DlgText("AXB.1137"));
    auto* execute = IdButton(this, 1138, DlgText("AXB.1138"));
    execute->setDefault(true);
    grid->addWidget(allAs, 18, 0);
    grid->addWidget(m_allAsList, 18, 1);
    grid->addWidget(clear, 18, 2);
    grid->addWidget(open, 18, 3);
    grid->addWidget(save, 18, 4);
    grid->addWidget(execute, 18, 5);
    m_message = new MessageLine(this);
    grid->addWidget(m_message, 19, 0, 1, 6);

    ShowTab(0);
    // The "all as" list: the shown channels of the first device, the active channel selected.
    const int P = m_source.perDevice;
    for (int i = 0; i < P && i < 32; ++i) {
        if (!m_source.Shown(i)) continue;
        m_allAsList->addItem(m_source.Label(i), i);
        if (i == m_source.selected) m_allAsList->setCurrentIndex(m_allAsList->count() - 1);
    }

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int t) { ShowTab(t); });
    connect(allAs, &QPushButton::clicked, this, &AxbDialog::OnAllAs);
    connect(clear, &QPushButton::clicked, this, &AxbDialog::OnClear);
    connect(open, &QPushButton::clicked, this, &AxbDialog::OnOpen);
    connect(save, &QPushButton::clicked, this, &AxbDialog::OnSave);
    connect(execute, &QPushButton::clicked, this, &AxbDialog::OnExecute);
}

int AxbDialog::Rows() const {
    return m_tab >= 0 && m_tab < int(m_pages.size()) ? m_pages[m_tab].count : 0;
}

int AxbDialog::RowChannel(int row) const {
    if (m_tab < 0 || m_tab >= int(m_pages.size())) return -1;
    const ChannelPage& page = m_pages[m_tab];
    return page.device * m_source.perDevice + page.first + row;
}

void AxbDialog::ShowRow(int i, int channel) {
    m_aShown[i] = FormatG(m_a[channel]);
    m_bShown[i] = FormatG(m_b[channel]);
    m_aEdit[i]->setText(m_aShown[i]);
    m_bEdit[i]->setText(m_bShown[i]);
}

void AxbDialog::StoreTab() {
    if (m_tab < 0) return;
    for (int i = 0; i < Rows(); ++i) {
        const int c = RowChannel(i);
        if (c < 0 || c >= 256) continue;
        // A field left as shown keeps the exact value behind it.
        if (m_aEdit[i]->text() != m_aShown[i]) {
            double v = 1.0;
            m_a[c] = ParseG(m_aEdit[i]->text(), &v) ? static_cast<float>(v) : 1.0f;
        }
        if (m_bEdit[i]->text() != m_bShown[i]) {
            double v = 0.0;
            m_b[c] = ParseG(m_bEdit[i]->text(), &v) ? static_cast<float>(v) : 0.0f;
        }
    }
    m_tab = -1;
}

void AxbDialog::ShowTab(int tab) {
    if (tab == m_tab) return;
    StoreTab();
    m_tab = tab < int(m_pages.size()) ? tab : -1;
    if (m_tab < 0) return;
    for (int i = 0; i < 32; ++i) {
        const int c = RowChannel(i);
        if (i < Rows() && c < 256) {
            m_labels[i]->setText(m_source.Label(c));
            ShowRow(i, c);
            const bool shown = m_source.Shown(c);
            m_aEdit[i]->setEnabled(shown);
            m_bEdit[i]->setEnabled(shown);
        } else {
            m_labels[i]->setText(QString());
            m_aShown[i].clear();
            m_bShown[i].clear();
            m_aEdit[i]->clear();
            m_bEdit[i]->clear();
            m_aEdit[i]->setEnabled(false);
            m_bEdit[i]->setEnabled(false);
        }
    }
}

void AxbDialog::OnClear() {
    for (int i = 0; i < Rows(); ++i) {
        m_aEdit[i]->setText(QStringLiteral("1.0"));
        m_bEdit[i]->setText(QStringLiteral("0.0"));
    }
}

void AxbDialog::OnAllAs() {
    if (m_allAsList->currentIndex() < 0) return;
    const int row = m_allAsList->currentData().toInt();
    if (row < 0 || row >= Rows()) return;
    const QString a = m_aEdit[row]->text(), b = m_bEdit[row]->text();
    for (int i = 0; i < Rows(); ++i) {
        if (i == row || !m_source.Shown(RowChannel(i))) continue;
        m_aEdit[i]->setText(a);
        m_bEdit[i]->setText(b);
    }
}

void AxbDialog::OnOpen() {
    if (g_log) g_log->WriteValue("tabsel", m_tab);
    const QString path = BrowseTextFile(false, this, 217);
    if (path.isEmpty()) return;
    if (!FileExists(path)) {
        ShowError(221);
        return;
    }
    std::vector<int> changed;
    int badLine = 0;
    const CoeffFileStatus status = ReadCoeffFile(path.toStdString(), m_a, m_b, &changed, &badLine);
    if (status == CoeffFileStatus::BadNumber) {
        ShowErrorText(GetUiString(IDS_COEFF_BAD_NUMBER).arg(badLine));
        return;
    }
    if (status == CoeffFileStatus::NotNumbers) {
        ShowErrorText(GetUiString(IDS_COEFF_NOT_NUMBERS).arg(badLine).arg(path));
        return;
    }
    if (status == CoeffFileStatus::NotFound) {
        ShowError(221);
        return;
    }
    if (status == CoeffFileStatus::NotCoeffFile) {
        ShowError(220);
        return;
    }
    for (int c : changed) {
        const int row = c - RowChannel(0);
        // Hidden rows are refreshed too: their fields must not carry the old values back.
        if (m_tab >= 0 && row >= 0 && row < Rows()) ShowRow(row, c);
    }
}

void AxbDialog::OnSave() {
    // A field that holds no number is refused here as by Execute, not saved as a default.
    if (!CheckFields()) return;
    const QString path = BrowseTextFile(true, this, 218);
    if (path.isEmpty()) return;
    if (FileExists(path) && !AskYesNo(GetUiString(219))) return;
    const int tab = m_tab;
    StoreTab();
    // The tab stays current, so edits made after saving are stored too.
    ShowTab(tab);
    const int count = std::min(256, m_source.devices * m_source.perDevice);
    if (!WriteCoeffFile(path.toStdString(), m_a, m_b, count)) {
        LastPath() = path;
        m_message->Say(DlgText("AXB.savefailed").arg(path));
        return;
    }
    m_message->Say(QString());
}

bool AxbDialog::CheckFields() {
    // Every editable field must hold a number that fits a float.
    for (int i = 0; i < Rows(); ++i) {
        double v = 0;
        for (QLineEdit* e : {m_aEdit[i], m_bEdit[i]}) {
            if (!e->isEnabled()) continue;
            if (!ParseG(e->text(), &v)) {
                m_message->Say(DlgText("AXB.badcoeff").arg(m_labels[i]->text()));
                e->setFocus();
                return false;
            }
            if (!FitsFloat(v)) {
                m_message->Say(GetUiString(IDS_COEFF_NOT_FLOAT).arg(m_labels[i]->text()));
                e->setFocus();
                return false;
            }
        }
    }
    // Every shown channel, on any tab, must keep its range values within the float range. The
    // current tab counts with its fields as typed; other tabs with what they stored.
    const int count = std::min(256, m_source.devices * m_source.perDevice);
    for (int c = 0; c < count; ++c) {
        if (!m_source.Shown(c)) continue;
        double a = m_a[c], b = m_b[c];
        const int row = c - RowChannel(0);
        const bool onTab = m_tab >= 0 && row >= 0 && row < Rows();
        if (onTab) {
            if (m_aEdit[row]->text() != m_aShown[row]) ParseG(m_aEdit[row]->text(), &a);
            if (m_bEdit[row]->text() != m_bShown[row]) ParseG(m_bEdit[row]->text(), &b);
        }
        const double lo = m_source.Low(c), hi = m_source.High(c);
        if (LinearFitsChannel(a, b, lo, hi)) continue;
        if (!onTab) {
            // Show the tab that holds the channel, so its fields can be mended.
            for (int t = 0; t < int(m_pages.size()); ++t) {
                const ChannelPage& page = m_pages[t];
                const int first = page.device * m_source.perDevice + page.first;
                if (c >= first && c < first + page.count) m_tabs->setCurrentIndex(t);
            }
        }
        const int shownRow = c - RowChannel(0);
        const QString label = m_source.Label(c);
        m_message->Say(FitsFloat(a) && FitsFloat(b)
                           ? GetUiString(IDS_COEFF_OVERFLOW).arg(label, FormatG(lo), FormatG(hi))
                           : GetUiString(IDS_COEFF_NOT_FLOAT).arg(label));
        if (shownRow >= 0 && shownRow < Rows()) m_aEdit[shownRow]->setFocus();
        return false;
    }
    return true;
}

void AxbDialog::OnExecute() {
    if (CheckFields()) done(1);
}

void AxbDialog::done(int result) {
    StoreTab();
    QDialog::done(result);
}

int RunAxbDialog(QWidget* owner, const QString& title, const DialogSource& source, float* coeffA, float* coeffB) {
    AxbDialog dialog(owner, title, source, coeffA, coeffB);
    return ExecDialog(dialog) == 1 ? 1 : 0;
}

} // namespace vistrel
