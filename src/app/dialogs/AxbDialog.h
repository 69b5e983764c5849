#pragma once
// "AXB": the coefficients A and B of Y = A*X + B, one tab per device (more for a device of more than 32 channels), 32 rows; open and save
// of coefficient files.
#include "DialogCommon.h"
#include "DialogSource.h"

#include <array>

class QComboBox;
class QLineEdit;
class QTabBar;

namespace vistrel {

class AxbDialog : public QDialog {
    Q_OBJECT
public:
    // coeffA, coeffB: 256 values each, indexed by the 0-based absolute channel; edited in place.
    AxbDialog(QWidget* owner, const QString& title, const DialogSource& source, float* coeffA, float* coeffB);

    static int AId(int row);
    static int BId(int row);
    int CurrentTab() const { return m_tab; }

protected:
    void done(int result) override;

private:
    void ShowTab(int tab);
    void StoreTab();
    void OnClear();
    void OnAllAs();
    void OnOpen();
    void OnSave();
    void OnExecute();
    void ShowRow(int row, int channel);
    bool CheckFields();        // says why and returns false when a field holds no number
    int Rows() const;          // rows used on the current tab
    int RowChannel(int row) const;  // absolute channel of a row of the current tab, or -1

    DialogSource m_source;
    float* m_a;
    float* m_b;
    int m_tab = -1;
    std::vector<ChannelPage> m_pages;
    QTabBar* m_tabs;
    QComboBox* m_allAsList;
    std::array<QLabel*, 32> m_labels{};
    std::array<QLineEdit*, 32> m_aEdit{}, m_bEdit{};
    // The texts last put into the fields: an untouched field keeps its exact value when stored.
    std::array<QString, 32> m_aShown{}, m_bShown{};
    MessageLine* m_message;
};

int RunAxbDialog(QWidget* owner, const QString& title, const DialogSource& source, float* coeffA, float* coeffB);

} // namespace vistrel
