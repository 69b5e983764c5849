#pragma once
// File > Export...: the format, the fragment between the cursors or the whole recording, the
// channels (the shown ones ticked at first), the CSV separators, the CSV time column and the
// HDF5 compression.
#include <QDialog>

#include <vector>

#include "core/export/ExportWriters.h"

class QComboBox;
class QListWidget;
class QRadioButton;

namespace vistrel {

struct ExportChoice {
    exporting::ExportFormat format = exporting::ExportFormat::Csv;
    bool whole = false;
    std::vector<int> channels; // 0-based, in list order
    exporting::CsvDialect dialect = exporting::CsvDialect::Comma;
    exporting::TimeColumn time = exporting::TimeColumn::Relative;
    bool h5Deflate = true;
};

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // `shown`: nonzero for each channel shown in the window (one per channel of the recording).
    ExportDialog(QWidget* owner, const std::vector<int>& shown);
    ExportChoice Choice() const;

    // The formats in list order, and the extension of each.
    static const std::vector<exporting::ExportFormat>& Formats();
    static QString Extension(exporting::ExportFormat format);

    QComboBox* FormatList() const { return m_format; }
    QListWidget* ChannelList() const { return m_channels; }
    QRadioButton* WholeButton() const { return m_whole; }
    QComboBox* DialectList() const { return m_dialect; }
    QComboBox* TimeList() const { return m_time; }
    QComboBox* H5CompressionList() const { return m_h5; }

private:
    void UpdateCsvControls();
    QComboBox* m_format = nullptr;
    QRadioButton* m_whole = nullptr;
    QListWidget* m_channels = nullptr;
    QComboBox* m_dialect = nullptr;
    QComboBox* m_time = nullptr;
    QComboBox* m_h5 = nullptr;
};

} // namespace vistrel
