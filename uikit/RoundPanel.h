#pragma once
// Text panel: a plain or rounded frame filled in one colour, with its text on one line.
#include <QFont>
#include <QLabel>

class CRoundPanel : public QLabel {
    Q_OBJECT
public:
    explicit CRoundPanel(QWidget* parent = nullptr);

    // The owning dialog sets these directly.
    QFont m_font;                               // 8-point "MS Sans Serif"
    QColor m_clrFrame = QColor(140, 170, 230);  // frame colour
    bool m_bDrawFrame = false;
    int m_nShape = 0;                           // 0 rectangle, 1 rounded rectangle
    bool m_bTransparent = true;                 // text without a background
    int m_nCornerW = 6, m_nCornerH = 6;
    QColor m_clrFill = QColor(140, 170, 230);
    QColor m_clrText = QColor(0, 0, 0);

protected:
    void paintEvent(QPaintEvent*) override;
};
