#pragma once
// "TABLEFUNC": up to 32 channels passed through tables of points read from text files.
#include "DialogCommon.h"
#include "DialogSource.h"

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vistrel {

struct TableFuncRow {
    int source = 1;     // absolute 1-based channel number
    QString file;       // points file; empty = pass the channel through
};

struct TableFuncResult {
    int count = 0;
    std::array<TableFuncRow, 32> rows{};
};

class TableFuncDialog : public QDialog {
    Q_OBJECT
public:
    TableFuncDialog(QWidget* owner, const DialogSource& source);
    const TableFuncResult& Result() const { return m_result; }

    static int DeviceId(int row) { return 1145 + 3 * row; }
    static int ChannelId(int row) { return 1146 + 3 * row; }
    static int FileId(int row) { return 1147 + 3 * row; }
    static int BrowseId(int row) { return 1005 + row; }
    static void ForgetRemembered();

private:
    void Update();
    void OnBrowse(int row);
    void OnAllAsFirst();
    void OnExecute();

    DialogSource m_source;
    QComboBox* m_count;
    std::array<QComboBox*, 32> m_device{}, m_channel{};
    std::array<QLineEdit*, 32> m_file{};
    std::array<QPushButton*, 32> m_browse{};
    MessageLine* m_message;
    TableFuncResult m_result;
    bool m_filling = true;
};

int RunTableFuncDialog(QWidget* owner, const DialogSource& source, TableFuncResult* result);

} // namespace vistrel
