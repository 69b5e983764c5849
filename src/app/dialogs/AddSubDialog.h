#pragma once
// "ADDSUB": up to 16 output channels, each sign1 x channel1 + sign2 x channel2, with their
// display ranges and colours.
#include "ColourSwatch.h"
#include "DialogCommon.h"
#include "DialogSource.h"

#include <array>

class QComboBox;
class QLineEdit;
class QCheckBox;
class QPushButton;

namespace vistrel {

struct AddSubOutput {
    int sign1 = 1, source1 = 1;  // sign and absolute 1-based channel of the first operand
    int sign2 = 1, source2 = 1;
    float low = 0, high = 0;
    uint32_t colour = 0;
};

struct AddSubResult {
    int count = 0;
    std::array<AddSubOutput, 16> rows{};
};

class AddSubDialog : public QDialog {
    Q_OBJECT
public:
    AddSubDialog(QWidget* owner, const DialogSource& source);
    const AddSubResult& Result() const { return m_result; }

    // Control ids of row r (0-based): 0 sign1, 1 device1, 2 channel1, 3 sign2, 4 device2,
    // 5 channel2, 6 low, 7 high, 8 own-range box, 9 colour square.
    static int Id(int row, int column);
    static void ForgetRemembered();

private:
    void Update();
    void OnExecute();
    void OnSwatch(int row);
    int Operand(int row, int which) const;  // 0-based channel index of operand 1 or 2

    DialogSource m_source;
    QComboBox* m_count;
    std::array<std::array<QComboBox*, 6>, 16> m_lists{};
    std::array<QLineEdit*, 16> m_low{}, m_high{};
    std::array<QCheckBox*, 16> m_own{};
    std::array<ColourSwatch*, 16> m_swatch{};
    std::array<uint32_t, 32> m_colours{};
    QPushButton* m_execute;
    MessageLine* m_message;
    AddSubResult m_result;
    bool m_filling = true;
};

int RunAddSubDialog(QWidget* owner, const DialogSource& source, AddSubResult* result);

} // namespace vistrel
