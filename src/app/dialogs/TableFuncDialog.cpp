#include "TableFuncDialog.h"

#include "core/common/FileProblemText.h"
#include "core/common/StringIds.h"
#include "core/processing/TableFunction.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace vistrel {

namespace {

struct Remembered {
    int count = 0;
    int devices = 0, perDevice = 0;
    struct Row {
        int device = 1, channel = 1;
        QString file;
    };
    std::array<Row, 32> rows{};
};
Remembered g_tableFunc;

} // namespace

void TableFuncDialog::ForgetRemembered() { g_tableFunc = Remembered{}; }

TableFuncDialog::TableFuncDialog(QWidget* owner, const DialogSource& source)
    : QDialog(owner), m_source(source) {
    setObjectName(QStringLiteral("TABLEFUNC"));
    setWindowTitle(DlgText("TABLEFUNC.title"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(DlgText("TABLEFUNC.1000"), this), 0, 0, 1, 3);
    m_count = NumberList(this, 1000, 32);
    grid->addWidget(m_count, 0, 3);
    auto* allAs = IdButton(this, 1241, DlgText("TABLEFUNC.1241"));
    grid->addWidget(allAs, 0, 4, 1, 2);
    for (int half = 0; half < 2; ++half) {
        const int col = half * 5;
        grid->addWidget(new QLabel(DlgText("TABLEFUNC.number"), this), 1, col);
        grid->addWidget(new QLabel(DlgText("TABLEFUNC.device"), this), 1, col + 1);
        grid->addWidget(new QLabel(DlgText("TABLEFUNC.channel"), this), 1, col + 2);
    }
    const int D = std::max(1, m_source.devices);
    const int P = std::max(1, m_source.perDevice);
    for (int i = 0; i < 32; ++i) {
        const int line = 2 + i % 16;
        const int col = (i / 16) * 5;
        grid->addWidget(new QLabel(QString::number(i + 1), this), line, col);
        m_device[i] = NumberList(this, DeviceId(i), D);
        m_channel[i] = NumberList(this, ChannelId(i), P);
        m_file[i] = IdEdit(this, FileId(i));
        m_file[i]->setPlaceholderText(GetUiString(IDS_TABLE_NO_FILE));
        m_file[i]->setMinimumWidth(180);
        m_browse[i] = IdButton(this, BrowseId(i), QStringLiteral("..."));
        m_browse[i]->setMaximumWidth(32);
        grid->addWidget(m_device[i], line, col + 1);
        grid->addWidget(m_channel[i], line, col + 2);
        grid->addWidget(m_file[i], line, col + 3);
        grid->addWidget(m_browse[i], line, col + 4);
    }
    m_message = new MessageLine(this);
    grid->addWidget(m_message, 18, 0, 1, 7);
    auto* execute = IdButton(this, 1, DlgText("TABLEFUNC.1"));
    execute->setDefault(true);
    grid->addWidget(execute, 18, 7, 1, 3);

    if (g_tableFunc.count > 0 && g_tableFunc.devices == m_source.devices &&
        g_tableFunc.perDevice == m_source.perDevice) {
        SelectNumber(m_count, g_tableFunc.count);
        for (int i = 0; i < g_tableFunc.count && i < 32; ++i) {
            SelectNumber(m_device[i], g_tableFunc.rows[i].device);
            SelectNumber(m_channel[i], g_tableFunc.rows[i].channel);
            m_file[i]->setText(g_tableFunc.rows[i].file);
        }
    }

    connect(m_count, &QComboBox::currentIndexChanged, this, [this] { Update(); });
    for (int i = 0; i < 32; ++i)
        connect(m_browse[i], &QPushButton::clicked, this, [this, i] { OnBrowse(i); });
    connect(allAs, &QPushButton::clicked, this, &TableFuncDialog::OnAllAsFirst);
    connect(execute, &QPushButton::clicked, this, &TableFuncDialog::OnExecute);
    m_filling = false;
    Update();
}

void TableFuncDialog::Update() {
    if (m_filling) return;
    const int count = ListNumber(m_count);
    for (int i = 0; i < 32; ++i) {
        const bool active = i < count;
        m_device[i]->setEnabled(active && m_source.devices > 1);
        m_channel[i]->setEnabled(active);
        m_file[i]->setEnabled(active);
        m_browse[i]->setEnabled(active);
        if (!active) m_file[i]->clear();
    }
}

void TableFuncDialog::OnBrowse(int row) {
    const QString current = m_file[row]->text();
    const int slash = std::max(current.lastIndexOf(QLatin1Char('/')), current.lastIndexOf(QLatin1Char('\\')));
    const QString folder = slash >= 0 ? current.left(slash) : QString();
    const QString path = BrowseTextFile(false, this, 227, folder);
    if (!path.isEmpty()) m_file[row]->setText(path);
}

void TableFuncDialog::OnAllAsFirst() {
    const QString first = m_file[0]->text().left(511);
    for (int i = 1; i < 32; ++i) m_file[i]->setText(first);
    Update();
}

void TableFuncDialog::OnExecute() {
    const int count = ListNumber(m_count);
    TableFuncResult result;
    Remembered remembered;
    remembered.count = count;
    remembered.devices = m_source.devices;
    remembered.perDevice = m_source.perDevice;
    for (int i = 0; i < count; ++i) {
        const QString file = m_file[i]->text().left(511);
        // An empty field passes its channel through; a name that leads nowhere is a slip.
        if (!file.trimmed().isEmpty() && !QFileInfo(file).isFile()) {
            m_message->Say(DlgText("TABLEFUNC.nofile").arg(i + 1).arg(file));
            m_file[i]->setFocus();
            return;
        }
        if (!file.trimmed().isEmpty()) {
            // A named file must give a table; only an empty field copies the channel.
            TableFunction probe;
            int badLine = 0;
            platform::FileProblem problem = platform::FileProblem::None;
            const PointsFileStatus status = LoadPointsFile(file.toStdString(), probe, &badLine, &problem);
            QString text;
            if (status == PointsFileStatus::BadNumber)
                text = GetUiString(IDS_POINTS_BAD_NUMBER).arg(i + 1).arg(badLine).arg(file);
            else if (status == PointsFileStatus::NotNumbers)
                text = GetUiString(IDS_POINTS_NOT_NUMBERS).arg(i + 1).arg(badLine).arg(file);
            else if (status == PointsFileStatus::NoPoints)
                text = GetUiString(IDS_POINTS_EMPTY).arg(i + 1).arg(file);
            else if (status == PointsFileStatus::NotReadable)
                text = GetUiString(IDS_POINTS_UNREADABLE).arg(i + 1).arg(file).arg(GetUiString(FileProblemStringId(problem)));
            if (status != PointsFileStatus::Ok) {
                m_message->Say(text);
                m_file[i]->setFocus();
                return;
            }
        }
        const int device = ListNumber(m_device[i]);
        const int channel = ListNumber(m_channel[i]);
        result.rows[i].source = m_source.Absolute(device, channel);
        result.rows[i].file = file;
        remembered.rows[i] = {device, channel, file};
    }
    result.count = count;
    m_result = result;
    g_tableFunc = remembered;
    done(1);
}

int RunTableFuncDialog(QWidget* owner, const DialogSource& source, TableFuncResult* result) {
    TableFuncDialog dialog(owner, source);
    if (ExecDialog(dialog) != 1) return 0;
    *result = dialog.Result();
    return 1;
}

} // namespace vistrel
