#include "shell/KeysDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/common/StringIds.h"
#include "shell/SelectDevsDialog.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {

QString Keys(std::initializer_list<QKeySequence> keys) {
    QStringList names;
    for (const QKeySequence& k : keys) names.append(k.toString(QKeySequence::NativeText));
    return names.join(QStringLiteral(" / "));
}

QString WithWheel(const QString& modifier) {
    const QString wheel = GetUiString(IDS_KEY_NAME_WHEEL);
    return modifier.isEmpty() ? wheel : modifier + QStringLiteral(" + ") + wheel;
}

} // namespace

KeysDialog::KeysDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("KEYS"));
    setWindowTitle(GetUiString(IDS_KEYS_TITLE));
    const QList<QPair<QString, int>> rows{
        {Keys({Qt::Key_Left, Qt::Key_Right}), IDS_KEY_SCROLL_DIVISION},
        {Keys({Qt::Key_PageUp, Qt::Key_PageDown}), IDS_KEY_SCROLL_PAGE},
        {Keys({Qt::Key_Home, Qt::Key_End}), IDS_KEY_START_END},
        {WithWheel(QString()), IDS_KEY_SCROLL_WHEEL},
        {Keys({Qt::Key_Plus, Qt::Key_Minus}), IDS_KEY_ZOOM},
        {WithWheel(QStringLiteral("Ctrl")), IDS_KEY_ZOOM_WHEEL},
        {Keys({Qt::Key_Backspace}), IDS_KEY_ZOOM_BACK},
        {Keys({Qt::Key_F}), IDS_KEY_WHOLE},
        {Keys({Qt::Key_Up, Qt::Key_Down}), IDS_KEY_VERTICAL},
        {Keys({Qt::Key_L}), IDS_KEY_LANES},
        {Keys({Qt::Key_Y}), IDS_KEY_FIT_VALUES},
        {Keys({Qt::Key_M, QKeySequence(Qt::SHIFT | Qt::Key_M)}), IDS_KEY_MARKER_ADD},
        {Keys({Qt::Key_N, QKeySequence(Qt::SHIFT | Qt::Key_N)}), IDS_KEY_MARKER_STEP},
        {Keys({Qt::Key_Delete, Qt::Key_F2}), IDS_KEY_MARKER_LIST},
        {Keys({Qt::Key_F3, QKeySequence(Qt::SHIFT | Qt::Key_F3)}), IDS_KEY_LEVEL_CROSSING},
        {GetUiString(IDS_KEY_NAME_MOUSE), IDS_KEY_LANE_MOUSE},
        {WithWheel(QStringLiteral("Shift")), IDS_KEY_VERTICAL_WHEEL},
        {GetUiString(IDS_KEY_NAME_MOUSE), IDS_KEY_RUBBER_BAND},
        {GetUiString(IDS_KEY_NAME_MOUSE), IDS_KEY_CURSORS},
        {GetUiString(IDS_KEY_NAME_MOUSE), IDS_KEY_LEVEL_GRAB},
        {GetUiString(IDS_KEY_NAME_MOUSE), IDS_KEY_FIT_SCALE},
        {GetUiString(IDS_KEY_NAME_MOUSE), IDS_KEY_SCROLL_BARS},
        {Keys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)}), IDS_KEY_COPY_READOUT},
        {Keys({QKeySequence(Qt::CTRL | Qt::Key_O)}), IDS_KEY_OPEN},
        {Keys({QKeySequence(Qt::CTRL | Qt::Key_W)}), IDS_KEY_CLOSE},
        {Keys({QKeySequence(Qt::CTRL | Qt::Key_Q)}), IDS_KEY_EXIT},
        {Keys({Qt::Key_F1}), IDS_KEY_HELP},
        {GetUiString(IDS_KEY_NAME_DROP), IDS_KEY_DROP},
    };
    m_table = new QTableWidget(static_cast<int>(rows.size()), 2, this);
    m_table->setObjectName(QStringLiteral("keys"));
    m_table->setHorizontalHeaderLabels({GetUiString(IDS_KEYS_COLUMN_KEY), GetUiString(IDS_KEYS_COLUMN_ACTION)});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int i = 0; i < rows.size(); ++i) {
        m_table->setItem(i, 0, new QTableWidgetItem(rows[i].first));
        m_table->setItem(i, 1, new QTableWidgetItem(GetUiString(rows[i].second)));
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(620, 520);
}

void RunKeysDialog(QWidget* parent) {
    KeysDialog dialog(parent);
    ExecShellDialog(dialog);
}

} // namespace vistrel
