#include "dialogs/PictureDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/common/StringIds.h"
#include "shell/UiUtils.h"

namespace vistrel {

QList<FileFilter> PictureDialog::Filters() {
    return {{GetUiString(IDS_PICTURE_FILTER) + QStringLiteral("(*.png *.svg *.pdf)"),
             QStringLiteral("*.png *.svg *.pdf")}};
}

PictureDialog::PictureDialog(QWidget* owner, bool all, QSize windowSize, const QString& initialPath)
    : QDialog(owner), m_windowSize(windowSize) {
    setObjectName(QStringLiteral("PICTURE"));
    setWindowTitle(GetUiString(all ? IDS_ALL_PICTURES_TITLE : IDS_PICTURE_TITLE));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    auto* fileRow = new QHBoxLayout;
    m_file = new QLineEdit(initialPath, this);
    m_file->setObjectName(QStringLiteral("file"));
    m_file->setMinimumWidth(320);
    auto* browse = new QPushButton(GetUiString(IDS_PICTURE_BROWSE), this);
    browse->setObjectName(QStringLiteral("browse"));
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);
    form->addRow(GetUiString(IDS_PICTURE_FILE), fileRow);
    if (all) {
        auto* note = new QLabel(GetUiString(IDS_ALL_PICTURES_NOTE), this);
        note->setWordWrap(true);
        form->addRow(note);
    }

    m_own = new QRadioButton(GetUiString(IDS_PICTURE_OWN_SIZE), this);
    m_own->setObjectName(QStringLiteral("own"));
    m_own->setChecked(true);
    m_custom = new QRadioButton(GetUiString(IDS_PICTURE_CHOSEN_SIZE), this);
    m_custom->setObjectName(QStringLiteral("custom"));
    form->addRow(m_own);
    auto* sizeRow = new QHBoxLayout;
    m_width = new QDoubleSpinBox(this);
    m_height = new QDoubleSpinBox(this);
    m_width->setObjectName(QStringLiteral("width"));
    m_height->setObjectName(QStringLiteral("height"));
    for (QDoubleSpinBox* b : {m_width, m_height}) {
        b->setDecimals(0);
        b->setRange(1, kPictureMaxPixels);
        b->setEnabled(false);
    }
    m_width->setValue(1600);
    m_height->setValue(1000);
    m_unit = new QLabel(this);
    m_unit->setObjectName(QStringLiteral("unit"));
    sizeRow->addWidget(m_custom);
    sizeRow->addWidget(m_width);
    sizeRow->addWidget(new QLabel(QStringLiteral("\u00d7"), this));
    sizeRow->addWidget(m_height);
    sizeRow->addWidget(m_unit);
    form->addRow(sizeRow);
    connect(m_custom, &QRadioButton::toggled, this, [this](bool on) {
        m_width->setEnabled(on);
        m_height->setEnabled(on);
    });

    m_textScale = new QDoubleSpinBox(this);
    m_textScale->setObjectName(QStringLiteral("textScale"));
    m_textScale->setRange(kPictureMinTextScale, kPictureMaxTextScale);
    m_textScale->setSingleStep(0.25);
    m_textScale->setDecimals(2);
    m_textScale->setValue(1.0);
    form->addRow(GetUiString(IDS_PICTURE_TEXT_SCALE), m_textScale);

    m_background = new QComboBox(this);
    m_background->setObjectName(QStringLiteral("background"));
    m_background->addItems({GetUiString(IDS_PICTURE_WHITE), GetUiString(IDS_PICTURE_WINDOW_COLOURS)});
    form->addRow(GetUiString(IDS_PICTURE_BACKGROUND), m_background);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PictureDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PictureDialog::reject);
    connect(browse, &QPushButton::clicked, this, &PictureDialog::Browse);
    connect(m_file, &QLineEdit::textChanged, this, &PictureDialog::UpdateUnits);
    UpdateUnits();
}

void PictureDialog::UpdateUnits() {
    // Millimetres for a PDF page, pixels for the others; the limits follow the unit.
    const bool pdf = PictureFormatFromName(m_file->text().trimmed().toStdString()) == PictureFormat::Pdf;
    const bool wasPdf = m_unit->text() == GetUiString(IDS_PICTURE_MM);
    m_unit->setText(GetUiString(pdf ? IDS_PICTURE_MM : IDS_PICTURE_PIXELS));
    if (pdf == wasPdf && !m_unit->property("set").isNull()) return;
    m_unit->setProperty("set", true);
    for (QDoubleSpinBox* b : {m_width, m_height}) {
        b->setDecimals(pdf ? 1 : 0);
        b->setRange(pdf ? kPictureMinMm : kPictureMinPixels, pdf ? kPictureMaxMm : kPictureMaxPixels);
    }
    if (pdf) {
        m_width->setValue(277);   // A4 landscape less 10 mm margins
        m_height->setValue(190);
    } else {
        m_width->setValue(1600);
        m_height->setValue(1000);
    }
}

void PictureDialog::Browse() {
    const QString path = RunFileDialog(FileDialogMode::Save, this, windowTitle(), Filters(), QStringLiteral("\\File"));
    if (!path.isEmpty()) m_file->setText(path);
}

PictureChoice PictureDialog::Choice() const {
    PictureChoice c;
    c.path = m_file->text().trimmed();
    c.format = PictureFormatFromName(c.path.toStdString());
    if (m_custom->isChecked()) {
        c.width = m_width->value();
        c.height = m_height->value();
    }
    c.textScale = m_textScale->value();
    c.white = m_background->currentIndex() == 0;
    return c;
}

void PictureDialog::accept() {
    const PictureChoice c = Choice();
    if (c.path.isEmpty()) {
        ShowErrorText(GetUiString(IDS_PICTURE_NO_NAME));
        return;
    }
    if (c.format == PictureFormat::Unknown) {
        ShowErrorText(GetUiString(IDS_PICTURE_BAD_NAME).arg(c.path));
        return;
    }
    std::string why;
    if (!PlanPicture(c.format, c.width, c.height, m_windowSize.width(), m_windowSize.height(), c.textScale, nullptr,
                     &why)) {
        ShowErrorText(GetUiString(IDS_PICTURE_BAD_SIZE));
        return;
    }
    QDialog::accept();
}

} // namespace vistrel
