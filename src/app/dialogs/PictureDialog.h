#pragma once
// File > Export picture... and File > Export all pictures...: the file name (its extension
// chooses PNG, SVG or PDF), the size (the window's own, or width x height in pixels for PNG and
// SVG, in millimetres for PDF), the text scale and the background.
#include <QDialog>

#include "core/view/PictureLayout.h"
#include "shell/UiUtils.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace vistrel {

struct PictureChoice {
    QString path;
    PictureFormat format = PictureFormat::Unknown;
    double width = 0, height = 0;   // 0 x 0: the window's own size
    double textScale = 1.0;
    bool white = true;              // white background, else the window's colours
};

class PictureDialog : public QDialog {
    Q_OBJECT
public:
    // `all`: every plot window (one PDF of a page each, or NAME_1.png, NAME_2.png, ...).
    // `windowSize`: the active window's size, checked against the text scale on OK.
    PictureDialog(QWidget* owner, bool all, QSize windowSize, const QString& initialPath);
    PictureChoice Choice() const;

    QLineEdit* FileEdit() const { return m_file; }
    QRadioButton* CustomSize() const { return m_custom; }
    QDoubleSpinBox* WidthBox() const { return m_width; }
    QDoubleSpinBox* HeightBox() const { return m_height; }
    QDoubleSpinBox* TextScaleBox() const { return m_textScale; }
    QComboBox* BackgroundList() const { return m_background; }
    QLabel* UnitLabel() const { return m_unit; }

    // The file dialog's filters for pictures.
    static QList<FileFilter> Filters();

public slots:
    void accept() override;

private:
    void UpdateUnits();
    void Browse();
    QSize m_windowSize;
    QLineEdit* m_file = nullptr;
    QRadioButton* m_own = nullptr;
    QRadioButton* m_custom = nullptr;
    QDoubleSpinBox* m_width = nullptr;
    QDoubleSpinBox* m_height = nullptr;
    QLabel* m_unit = nullptr;
    QDoubleSpinBox* m_textScale = nullptr;
    QComboBox* m_background = nullptr;
};

} // namespace vistrel
