#pragma once
// Group box drawn as a thin blue frame with its caption in a gap of the top line.
#include <QFont>
#include <QGroupBox>

class CSkinGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit CSkinGroupBox(QWidget* parent = nullptr);
    explicit CSkinGroupBox(const QString& title, QWidget* parent = nullptr);

    // The gap of the top line (start, end) and its height y, as the last paint drew them.
    int GapStart() const { return m_nGapStart; }
    int GapEnd() const { return m_nGapEnd; }
    int LineY() const { return m_nLineY; }

    QFont m_font;                              // caption font, 8-point "MS Sans Serif"
    QColor m_clrLine = QColor(140, 170, 230);  // line colour
    QRect m_rcFrame;                           // frame rectangle
    QColor m_clrCaption = QColor(0, 0, 0);     // caption colour
    int m_nCaptionOffset = 0;                  // vertical caption offset
    int m_nIndent = 8;                         // caption indent
    QString m_strCaption;                      // caption text

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_nGapStart = 0, m_nGapEnd = 0, m_nLineY = 0;
};
