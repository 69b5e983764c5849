#include "dialogs/ExportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QListWidget>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "core/common/StringIds.h"
#include "shell/UiUtils.h"

namespace vistrel {

using exporting::ExportFormat;

const std::vector<ExportFormat>& ExportDialog::Formats() {
    static const std::vector<ExportFormat> formats = {ExportFormat::Csv, ExportFormat::Wav, ExportFormat::Hdf5,
                                                      ExportFormat::Mat, ExportFormat::Npy};
    return formats;
}

QString ExportDialog::Extension(ExportFormat format) {
    switch (format) {
    case ExportFormat::Wav: return QStringLiteral("wav");
    case ExportFormat::Hdf5: return QStringLiteral("h5");
    case ExportFormat::Mat: return QStringLiteral("mat");
    case ExportFormat::Npy: return QStringLiteral("npy");
    default: return QStringLiteral("csv");
    }
}

ExportDialog::ExportDialog(QWidget* owner, const std::vector<int>& shown) : QDialog(owner) {
    setWindowTitle(GetUiString(IDS_EXPORT_TITLE));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    for (const ExportFormat f : Formats()) {
        const QString ext = Extension(f);
        m_format->addItem(ext.toUpper() + QStringLiteral(" (*.") + ext + QLatin1Char(')'));
        // A format this build cannot write is listed, greyed, with the library it lacks.
        if (!exporting::FormatAvailable(f)) {
            auto* model = qobject_cast<QStandardItemModel*>(m_format->model());
            QStandardItem* item = model->item(m_format->count() - 1);
            item->setEnabled(false);
            item->setToolTip(GetUiString(IDS_EXPORT_NOT_BUILT).arg(QString::fromLatin1(exporting::FormatLibrary(f))));
        }
    }
    form->addRow(GetUiString(IDS_EXPORT_FORMAT), m_format);

    auto* fragment = new QRadioButton(GetUiString(IDS_EXPORT_FRAGMENT), this);
    fragment->setObjectName(QStringLiteral("fragment"));
    fragment->setChecked(true);
    m_whole = new QRadioButton(GetUiString(IDS_EXPORT_WHOLE), this);
    m_whole->setObjectName(QStringLiteral("whole"));
    form->addRow(fragment);
    form->addRow(m_whole);

    m_channels = new QListWidget(this);
    m_channels->setObjectName(QStringLiteral("channels"));
    for (size_t c = 0; c < shown.size(); ++c) {
        auto* item = new QListWidgetItem(GetUiString(IDS_EXPORT_CHANNEL).arg(c + 1), m_channels);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(shown[c] != 0 ? Qt::Checked : Qt::Unchecked);
    }
    form->addRow(GetUiString(IDS_EXPORT_CHANNELS), m_channels);

    m_dialect = new QComboBox(this);
    m_dialect->setObjectName(QStringLiteral("dialect"));
    m_dialect->addItems({GetUiString(IDS_EXPORT_COMMA), GetUiString(IDS_EXPORT_SEMICOLON)});
    form->addRow(GetUiString(IDS_EXPORT_DIALECT), m_dialect);
    m_time = new QComboBox(this);
    m_time->setObjectName(QStringLiteral("time"));
    m_time->addItems({GetUiString(IDS_EXPORT_TIME_RELATIVE), GetUiString(IDS_EXPORT_TIME_ABSOLUTE),
                      GetUiString(IDS_EXPORT_TIME_NONE)});
    form->addRow(GetUiString(IDS_EXPORT_TIME), m_time);
    m_h5 = new QComboBox(this);
    m_h5->setObjectName(QStringLiteral("h5compression"));
    m_h5->addItems({GetUiString(IDS_EXPORT_H5_DEFLATE), GetUiString(IDS_EXPORT_H5_NONE)});
    form->addRow(GetUiString(IDS_EXPORT_H5_COMPRESSION), m_h5);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_format, &QComboBox::currentIndexChanged, this, &ExportDialog::UpdateCsvControls);
    UpdateCsvControls();
}

void ExportDialog::UpdateCsvControls() {
    const ExportFormat format = Choice().format;
    const bool csv = format == ExportFormat::Csv;
    m_dialect->setEnabled(csv);
    m_time->setEnabled(csv);
    m_h5->setEnabled(format == ExportFormat::Hdf5);
}

ExportChoice ExportDialog::Choice() const {
    ExportChoice c;
    const int f = m_format->currentIndex();
    c.format = f >= 0 && f < static_cast<int>(Formats().size()) ? Formats()[static_cast<size_t>(f)] : ExportFormat::Csv;
    c.whole = m_whole->isChecked();
    for (int i = 0; i < m_channels->count(); ++i)
        if (m_channels->item(i)->checkState() == Qt::Checked)
            c.channels.push_back(i);
    c.dialect = m_dialect->currentIndex() == 1 ? exporting::CsvDialect::Semicolon : exporting::CsvDialect::Comma;
    const int t = m_time->currentIndex();
    c.time = t == 1 ? exporting::TimeColumn::Absolute : t == 2 ? exporting::TimeColumn::None : exporting::TimeColumn::Relative;
    c.h5Deflate = m_h5->currentIndex() != 1;
    return c;
}

} // namespace vistrel
