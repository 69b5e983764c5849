#pragma once
// "SAVECHAS": chooses up to 32 channels, in any order, with their display limits, for the
// Save-channels command.
#include "DialogCommon.h"
#include "DialogSource.h"

#include <array>

class QComboBox;
class QLineEdit;
class QCheckBox;

namespace vistrel {

struct SavedChannel {
    int source = 1;        // absolute 1-based channel number
    float low = 0, high = 0;
    uint32_t colour = 0;
};

struct SaveChasResult {
    int count = 0;
    std::array<SavedChannel, 32> rows{};
};

class SaveChasDialog : public QDialog {
    Q_OBJECT
public:
    SaveChasDialog(QWidget* owner, const DialogSource& source);
    const SaveChasResult& Result() const { return m_result; }

    static int DeviceId(int row) { return 1145 + 3 * row; }
    static int ChannelId(int row) { return 1146 + 3 * row; }
    static int SetId(int row) { return 1243 + row; }
    static int LowId(int row);
    static int HighId(int row);
    // Forgets the choice remembered for the life of the process.
    static void ForgetRemembered();

private:
    void Refresh();
    void OnOk();
    int RowChannelIndex(int row) const;

    DialogSource m_source;
    QComboBox* m_count;
    std::array<QComboBox*, 32> m_device{};
    std::array<QComboBox*, 32> m_channel{};
    std::array<QCheckBox*, 32> m_set{};
    std::array<QLineEdit*, 32> m_low{};
    std::array<QLineEdit*, 32> m_high{};
    MessageLine* m_message;
    SaveChasResult m_result;
    bool m_filling = true;
};

// Runs the dialog; on OK stores the choice and returns 1, else 0.
int RunSaveChasDialog(QWidget* owner, const DialogSource& source, SaveChasResult* result);

} // namespace vistrel
