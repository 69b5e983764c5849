#pragma once
// A framed square painted with one colour; a left click inside it (edges included) is reported.
#include <QFrame>
#include <cstdint>

namespace vistrel {

class ColourSwatch : public QFrame {
    Q_OBJECT
public:
    ColourSwatch(QWidget* parent, int id);
    void SetColour(uint32_t bgr);  // 0x00BBGGRR
    uint32_t Colour() const { return m_colour; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    uint32_t m_colour = 0;
};

// 0x00BBGGRR to a QColor and back.
QColor FromBgr(uint32_t bgr);
uint32_t ToBgr(const QColor& colour);

} // namespace vistrel
