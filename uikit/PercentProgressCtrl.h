#pragma once
// Progress bar drawn as a colour ramp from the start to the end colour across the whole width,
// cut at the bar's end, with an optional percentage text.
#include <QColor>
#include <QElapsedTimer>
#include <QProgressBar>

class CPercentProgressCtrl : public QProgressBar {
    Q_OBJECT
public:
    explicit CPercentProgressCtrl(QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    // Moves the bar. The paint is queued; during long work on the UI thread the bar is painted
    // at once at most every kRepaintMs, so it keeps showing progress without a paint per step.
    void SetPos(int pos);
    static constexpr int kRepaintMs = 50;
    int GetPos() const { return m_nPos; }

    void SetStartColor(const QColor& c) { m_clrStart = c; update(); }
    void SetEndColor(const QColor& c) { m_clrEnd = c; update(); }
    void SetBkColor(const QColor& c) { m_clrBk = c; update(); }
    void SetTextColor(const QColor& c) { m_clrText = c; update(); }
    void SetShowText(bool show) { m_bShowText = show; update(); }

    // Paints the control into a w x h area.
    void DrawBar(QPainter& p, int w, int h);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_nMin = 0, m_nMax = 100, m_nStep = 10, m_nPos = 0;
    QColor m_clrStart = QColor(255, 0, 0);
    QColor m_clrEnd = QColor(0, 0, 255);
    QColor m_clrBk;
    QColor m_clrText = QColor(255, 255, 255);
    bool m_bShowText = false;
    QElapsedTimer m_sinceShown;  // since the last paint
};
