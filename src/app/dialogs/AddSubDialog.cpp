#include "AddSubDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "core/common/StringIds.h"
#include "core/processing/ParamChecks.h"

namespace vistrel {

namespace {

const int kIds[16][10] = {
    {1000, 1001, 1002, 1003, 1004, 1005, 1070, 1071, 1243, 1049},
    {1006, 1007, 1008, 1009, 1010, 1011, 1074, 1075, 1244, 1130},
    {1012, 1013, 1014, 1015, 1016, 1017, 1076, 1077, 1245, 1131},
    {1018, 1019, 1020, 1021, 1022, 1023, 1078, 1079, 1246, 1132},
    {1024, 1025, 1026, 1027, 1028, 1029, 1080, 1081, 1247, 1133},
    {1030, 1031, 1032, 1033, 1034, 1035, 1082, 1083, 1248, 1134},
    {1036, 1037, 1038, 1039, 1040, 1041, 1084, 1085, 1249, 1135},
    {1042, 1043, 1044, 1045, 1046, 1047, 1086, 1087, 1250, 1136},
    {1050, 1051, 1052, 1053, 1054, 1055, 1114, 1115, 1251, 1137},
    {1056, 1057, 1058, 1059, 1060, 1061, 1116, 1117, 1252, 1138},
    {1062, 1063, 1064, 1065, 1066, 1067, 1118, 1119, 1253, 1139},
    {1068, 1069, 1072, 1073, 1088, 1089, 1120, 1121, 1254, 1140},
    {1090, 1091, 1092, 1093, 1094, 1095, 1122, 1123, 1255, 1141},
    {1096, 1097, 1098, 1099, 1100, 1101, 1124, 1125, 1256, 1142},
    {1102, 1103, 1104, 1105, 1106, 1107, 1126, 1127, 1257, 1143},
    {1108, 1109, 1110, 1111, 1112, 1113, 1128, 1129, 1258, 1144},
};

const uint32_t kDefaultColours[8] = {0xFF0000, 0x008000, 0x0000FF, 0x008080,
                                     0x800080, 0x808000, 0x4000C0, 0xC00040};

// The choice of the last execute, kept for the whole run and shared by all windows.
struct Remembered {
    int count = 0;
    int devices = 0, perDevice = 0;
    struct Row {
        bool minus1 = false, minus2 = false;
        int device1 = 1, channel1 = 1, device2 = 1, channel2 = 1;
        float low = 0, high = 0;
        bool own = false;
        uint32_t colour = 0;
    };
    std::array<Row, 16> rows{};
};
Remembered g_addSub;

} // namespace

int AddSubDialog::Id(int row, int column) { return kIds[row][column]; }
void AddSubDialog::ForgetRemembered() { g_addSub = Remembered{}; }

AddSubDialog::AddSubDialog(QWidget* owner, const DialogSource& source)
    : QDialog(owner), m_source(source) {
    setObjectName(QStringLiteral("ADDSUB"));
    setWindowTitle(DlgText("ADDSUB.title"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(DlgText("ADDSUB.1048"), this), 0, 0, 1, 4);
    m_count = NumberList(this, 1048, 16);
    grid->addWidget(m_count, 0, 4);
    const char* headings[] = {"ADDSUB.dev1", "ADDSUB.chan1", "ADDSUB.dev2", "ADDSUB.chan2"};
    grid->addWidget(new QLabel(DlgText(headings[0]), this), 1, 2);
    grid->addWidget(new QLabel(DlgText(headings[1]), this), 1, 3);
    grid->addWidget(new QLabel(DlgText(headings[2]), this), 1, 5);
    grid->addWidget(new QLabel(DlgText(headings[3]), this), 1, 6);
    grid->addWidget(new QLabel(DlgText("ADDSUB.ranges"), this), 1, 7, 1, 2);

    const int D = std::max(1, m_source.devices);
    const int P = std::max(1, m_source.perDevice);
    for (int r = 0; r < 16; ++r) {
        const int line = 2 + r;
        grid->addWidget(new QLabel(QString::number(r + 1), this), line, 0);
        for (int k = 0; k < 6; ++k) {
            QComboBox* list = nullptr;
            if (k == 0 || k == 3) {
                list = new QComboBox(this);
                list->setObjectName(QString::number(kIds[r][k]));
                list->addItem(QStringLiteral("+"));
                list->addItem(QStringLiteral("-"));
            } else {
                list = NumberList(this, kIds[r][k], (k == 1 || k == 4) ? D : P);
            }
            m_lists[r][k] = list;
            grid->addWidget(list, line, 1 + k);
        }
        m_low[r] = IdEdit(this, kIds[r][6]);
        m_high[r] = IdEdit(this, kIds[r][7]);
        m_own[r] = IdCheck(this, kIds[r][8], DlgText("ADDSUB.own"));
        m_swatch[r] = new ColourSwatch(this, kIds[r][9]);
        grid->addWidget(m_low[r], line, 7);
        grid->addWidget(m_high[r], line, 8);
        grid->addWidget(m_own[r], line, 9);
        grid->addWidget(m_swatch[r], line, 10);
    }
    m_message = new MessageLine(this);
    grid->addWidget(m_message, 18, 0, 1, 8);
    m_execute = IdButton(this, 1, DlgText("ADDSUB.1"));
    m_execute->setDefault(true);
    grid->addWidget(m_execute, 18, 8, 1, 3);

    for (int i = 0; i < 8; ++i) m_colours[i] = kDefaultColours[i];
    if (g_addSub.count > 0 && g_addSub.devices == m_source.devices &&
        g_addSub.perDevice == m_source.perDevice) {
        SelectNumber(m_count, g_addSub.count);
        for (int r = 0; r < g_addSub.count && r < 16; ++r) {
            const auto& s = g_addSub.rows[r];
            m_lists[r][0]->setCurrentIndex(s.minus1 ? 1 : 0);
            SelectNumber(m_lists[r][1], s.device1);
            SelectNumber(m_lists[r][2], s.channel1);
            m_lists[r][3]->setCurrentIndex(s.minus2 ? 1 : 0);
            SelectNumber(m_lists[r][4], s.device2);
            SelectNumber(m_lists[r][5], s.channel2);
            m_low[r]->setText(FormatG(s.low));
            m_high[r]->setText(FormatG(s.high));
            m_own[r]->setChecked(s.own);
            m_colours[r] = s.colour;
        }
    }

    auto update = [this] { Update(); };
    connect(m_count, &QComboBox::currentIndexChanged, this, update);
    for (int r = 0; r < 16; ++r) {
        for (auto* list : m_lists[r]) connect(list, &QComboBox::currentIndexChanged, this, update);
        connect(m_own[r], &QCheckBox::toggled, this, update);
        connect(m_swatch[r], &ColourSwatch::clicked, this, [this, r] { OnSwatch(r); });
    }
    connect(m_execute, &QPushButton::clicked, this, &AddSubDialog::OnExecute);
    m_filling = false;
    Update();
}

int AddSubDialog::Operand(int r, int which) const {
    const int base = which == 1 ? 1 : 4;
    return m_source.Absolute(ListNumber(m_lists[r][base]), ListNumber(m_lists[r][base + 1])) - 1;
}

void AddSubDialog::Update() {
    if (m_filling) return;
    m_filling = true;
    const int count = ListNumber(m_count);
    for (int r = 0; r < 16; ++r) {
        const bool active = r < count;
        for (int k = 0; k < 6; ++k) {
            const bool device = k == 1 || k == 4;
            m_lists[r][k]->setEnabled(active && (!device || m_source.devices > 1));
        }
        m_own[r]->setEnabled(active);
        m_swatch[r]->setVisible(active);
        m_swatch[r]->SetColour(m_colours[r]);
        if (!active) {
            m_own[r]->setChecked(false);
            m_low[r]->clear();
            m_high[r]->clear();
            m_low[r]->setEnabled(false);
            m_high[r]->setEnabled(false);
            for (auto* list : m_lists[r]) list->setCurrentIndex(0);
            continue;
        }
        const bool own = m_own[r]->isChecked();
        m_low[r]->setEnabled(own);
        m_high[r]->setEnabled(own);
        if (!own) {
            // The range follows the chosen channels: the sums of their limits.
            const int a = Operand(r, 1), b = Operand(r, 2);
            m_low[r]->setText(FormatG(double(m_source.Low(a)) + double(m_source.Low(b))));
            m_high[r]->setText(FormatG(double(m_source.High(a)) + double(m_source.High(b))));
        }
    }
    m_execute->setEnabled(count > 0);
    m_filling = false;
}

void AddSubDialog::OnSwatch(int r) {
    if (r >= ListNumber(m_count)) return;
    if (ChooseChannelColor(this, m_colours.data(), int(m_colours.size()), r)) m_swatch[r]->SetColour(m_colours[r]);
    for (int i = 0; i < 16; ++i) m_swatch[i]->SetColour(m_colours[i]);
}

void AddSubDialog::OnExecute() {
    const int count = ListNumber(m_count);
    AddSubResult result;
    Remembered remembered;
    remembered.count = count;
    remembered.devices = m_source.devices;
    remembered.perDevice = m_source.perDevice;
    for (int r = 0; r < count; ++r) {
        double lo = double(m_source.Low(Operand(r, 1))) + double(m_source.Low(Operand(r, 2)));
        double hi = double(m_source.High(Operand(r, 1))) + double(m_source.High(Operand(r, 2)));
        const bool own = m_own[r]->isChecked();
        // Limits are stored as floats: infinity and numbers beyond a float are no limits.
        const bool loOk = !own || (ParseG(m_low[r]->text().left(31), &lo) && FitsFloat(lo));
        const bool hiOk = !own || (ParseG(m_high[r]->text().left(31), &hi) && FitsFloat(hi));
        if (!loOk || !hiOk) {
            m_message->Say(DlgText("ADDSUB.badlimit").arg(r + 1));
            (loOk ? m_high[r] : m_low[r])->setFocus();
            return;
        }
        // A range of its own must be a range: its lower limit below the upper one.
        if (own && !RangeOrdered(lo, hi)) {
            m_message->Say(GetUiString(IDS_RANGE_NOT_ORDERED).arg(r + 1));
            m_low[r]->setFocus();
            return;
        }
        AddSubOutput& out = result.rows[r];
        out.sign1 = m_lists[r][0]->currentText().startsWith(QLatin1Char('+')) ? 1 : -1;
        out.source1 = Operand(r, 1) + 1;
        out.sign2 = m_lists[r][3]->currentText().startsWith(QLatin1Char('+')) ? 1 : -1;
        out.source2 = Operand(r, 2) + 1;
        out.low = static_cast<float>(lo);
        out.high = static_cast<float>(hi);
        out.colour = m_colours[r];
        auto& s = remembered.rows[r];
        s.minus1 = out.sign1 < 0;
        s.minus2 = out.sign2 < 0;
        s.device1 = ListNumber(m_lists[r][1]);
        s.channel1 = ListNumber(m_lists[r][2]);
        s.device2 = ListNumber(m_lists[r][4]);
        s.channel2 = ListNumber(m_lists[r][5]);
        s.low = out.low;
        s.high = out.high;
        s.own = m_own[r]->isChecked();
        s.colour = out.colour;
    }
    result.count = count;
    m_result = result;
    g_addSub = remembered;
    done(1);
}

int RunAddSubDialog(QWidget* owner, const DialogSource& source, AddSubResult* result) {
    AddSubDialog dialog(owner, source);
    if (ExecDialog(dialog) != 1) return 0;
    *result = dialog.Result();
    return 1;
}

} // namespace vistrel
